// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/spokenname.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTabBar>

#include <vector>

namespace {

// Whether a widget's text t is what it shows: its value always, and its name
// while it has none of its own, as Qt's interfaces have it.
bool isShown(QAccessible::Text t, const QWidget *widget)
{
    return t == QAccessible::Value || (t == QAccessible::Name && widget->accessibleName().isEmpty());
}

// A combo box spoken by its name, its current item its value. Its one
// child is the list it drops down, as in Qt's own interface.
class NamedComboBox : public QAccessibleWidget
{
public:
    explicit NamedComboBox(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        return isShown(t, widget()) ? box()->currentText() : QAccessibleWidget::text(t);
    }

    int childCount() const override { return 1; }

    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == showMenuAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(widget()); }
};

// A label spoken by its name, what it shows its value and its text (read
// only: no caret, no selection). The blanks around the text are left out.
class NamedLabel : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit NamedLabel(QLabel *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        return isShown(t, widget()) ? shown() : QAccessibleWidget::text(t);
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(int startOffset, int endOffset) const override
    {
        return shown().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shown().size()); }
    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    QString shown() const { return static_cast<QLabel *>(widget())->text().trimmed(); }
};

// A tab of a NamedTabBar, spoken by its text; pressing it turns to its page.
class PageTab : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    PageTab(QTabBar *bar, int index) : bar(bar), index(index) {}

    bool isValid() const override { return bar && index < bar->count(); }
    QObject *object() const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(bar); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? QString(bar->tabText(index)).remove(QLatin1Char('&')) : QString();
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.focusable = state.selectable = true;
        state.selected = bar->currentIndex() == index;
        state.focused = state.selected && bar->hasFocus();
        state.invisible = !bar->isVisible() || !bar->isTabVisible(index);
        state.disabled = !bar->isTabEnabled(index);
        return state;
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect tab = bar->tabRect(index);
        return {bar->mapToGlobal(tab.topLeft()), tab.size()};
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }
    void doAction(const QString &action) override
    {
        if (isValid() && action == pressAction())
            bar->setCurrentIndex(index);
    }

private:
    QPointer<QTabBar> bar;
    int index;
};

// A tab bar spoken by its name, its tabs its children and the current one
// its value.
class NamedTabBar : public QAccessibleWidget
{
public:
    explicit NamedTabBar(QTabBar *bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~NamedTabBar() override
    {
        for (QAccessible::Id id : tabs)
            QAccessible::deleteAccessibleInterface(id);
    }

    QString text(QAccessible::Text t) const override
    {
        if (!isShown(t, widget()))
            return QAccessibleWidget::text(t);
        return currentTab() ? currentTab()->text(QAccessible::Name) : QString();
    }

    int childCount() const override { return bar()->count(); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= bar()->count())
            return nullptr;
        while (int(tabs.size()) <= index)
            tabs.push_back(QAccessible::registerAccessibleInterface(new PageTab(bar(), int(tabs.size()))));
        return QAccessible::accessibleInterface(tabs.at(size_t(index)));
    }

    // Compared by address: asking Qt for the id of an interface it does not
    // hold would add it to its cache.
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (size_t i = 0; i < tabs.size(); ++i) {
            if (QAccessible::accessibleInterface(tabs.at(i)) == child)
                return int(i);
        }
        return -1;
    }

    QAccessibleInterface *focusChild() const override { return bar()->hasFocus() ? currentTab() : nullptr; }

private:
    QTabBar *bar() const { return static_cast<QTabBar *>(widget()); }
    QAccessibleInterface *currentTab() const { return child(bar()->currentIndex()); }

    mutable std::vector<QAccessible::Id> tabs;
};

bool isNamed(QObject *object)
{
    return object->isWidgetType() && !static_cast<QWidget *>(object)->accessibleName().isEmpty();
}

QAccessibleInterface *namedInterface(const QString &className, QObject *object)
{
    if (!object || !isNamed(object))
        return nullptr;
    if (className == QLatin1String("QComboBox"))
        return new NamedComboBox(static_cast<QComboBox *>(object));
    if (className == QLatin1String("QLabel"))
        return new NamedLabel(static_cast<QLabel *>(object));
    if (className == QLatin1String("QTabBar"))
        return new NamedTabBar(static_cast<QTabBar *>(object));
    return nullptr;
}

bool speaksNameOfItsOwn(QAccessibleInterface *iface)
{
    return dynamic_cast<NamedComboBox *>(iface) || dynamic_cast<NamedLabel *>(iface)
        || dynamic_cast<NamedTabBar *>(iface);
}

} // namespace

void setSpokenName(QWidget &widget, const QString &name)
{
    QAccessible::installFactory(namedInterface);
    widget.setAccessibleName(name);
    if (!qobject_cast<QComboBox *>(&widget) && !qobject_cast<QLabel *>(&widget) && !qobject_cast<QTabBar *>(&widget))
        return;
    // Qt keeps the interface it made for the widget until the widget goes;
    // one made before the widget had its name is Qt's own, so it is dropped
    // and made anew.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&widget);
    if (iface && !speaksNameOfItsOwn(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}
