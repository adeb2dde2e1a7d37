// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/spokenname.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>

namespace {

// A combo box spoken by its name, its current item its value. Its one
// child is the list it drops down, as in Qt's own interface.
class NamedComboBox : public QAccessibleWidget
{
public:
    explicit NamedComboBox(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value || (t == QAccessible::Name && widget()->accessibleName().isEmpty()))
            return box()->currentText();
        return QAccessibleWidget::text(t);
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
        if (t == QAccessible::Value || (t == QAccessible::Name && widget()->accessibleName().isEmpty()))
            return shown();
        return QAccessibleWidget::text(t);
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
    return nullptr;
}

bool speaksNameOfItsOwn(QAccessibleInterface *iface)
{
    return dynamic_cast<NamedComboBox *>(iface) || dynamic_cast<NamedLabel *>(iface);
}

} // namespace

void setSpokenName(QWidget &widget, const QString &name)
{
    QAccessible::installFactory(namedInterface);
    widget.setAccessibleName(name);
    if (!qobject_cast<QComboBox *>(&widget) && !qobject_cast<QLabel *>(&widget))
        return;
    // Qt keeps the interface it made for the widget until the widget goes;
    // one made before the widget had its name is Qt's own, so it is dropped
    // and made anew.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&widget);
    if (iface && !speaksNameOfItsOwn(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}
