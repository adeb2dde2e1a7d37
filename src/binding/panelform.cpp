// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/panelform.h"

#include <QDataStream>
#include <QFile>
#include <QXmlStreamReader>

#include <cstdlib>
#include <limits>
#include <vector>

namespace {

// The panel form's controls as the build stored them, read from the same
// file uic compiles into the window.
constexpr char panelFormResource[] = ":/zq40613/panelform.dat";

// Written and read by the one program that built it, but kept to one
// format all the same.
constexpr QDataStream::Version storedFormVersion = QDataStream::Qt_6_0;

// An element of the form's XML with what lies inside it.
struct Element
{
    QString tag;
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<Element> children;

    QString attribute(const char *name) const { return attributes.value(QLatin1String(name)).toString(); }

    // The text of a property such as <property name="text"><string>Enable</string>.
    QString property(const char *name) const
    {
        for (const Element &child : children) {
            if (child.tag == QLatin1String("property") && child.attribute("name") == QLatin1String(name))
                return child.children.empty() ? QString() : child.children.front().text;
        }
        return {};
    }

    // The widget, layout or spacer of a layout's item.
    const Element *content() const { return children.empty() ? nullptr : &children.front(); }
};

Element readElement(QXmlStreamReader &xml)
{
    Element element{xml.name().toString(), xml.attributes(), {}, {}};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement())
            element.children.push_back(readElement(xml));
        else if (xml.isCharacters())
            element.text += xml.text();
        else if (xml.isEndElement())
            break;
    }
    return element;
}

bool isWidget(const Element *element)
{
    return element && element->tag == QLatin1String("widget");
}

// The label nearest to item 'at' of a layout, in its row if the layout is
// a grid; the items count as the layout numbers them, spacers included.
QString labelBeside(const Element &layout, int at)
{
    const bool grid = layout.attribute("class") == QLatin1String("QGridLayout");
    std::vector<const Element *> items;
    for (const Element &child : layout.children) {
        if (child.tag == QLatin1String("item"))
            items.push_back(&child);
    }
    const QString row = items[std::size_t(at)]->attribute("row");
    QString nearest;
    int nearestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < int(items.size()); ++i) {
        const Element *content = items[std::size_t(i)]->content();
        if (!isWidget(content) || content->attribute("class") != QLatin1String("QLabel")
            || (grid && items[std::size_t(i)]->attribute("row") != row))
            continue;
        if (std::abs(i - at) < nearestDistance) {
            nearest = content->property("text");
            nearestDistance = std::abs(i - at);
        }
    }
    return nearest;
}

class FormWalk
{
public:
    QList<FormControl> controls;

    // The widgets and layouts a widget holds directly.
    void children(const Element &parent, const QString &group)
    {
        for (const Element &child : parent.children) {
            if (isWidget(&child))
                widget(child, group, {});
            else if (child.tag == QLatin1String("layout"))
                layout(child, group);
        }
    }

private:
    void layout(const Element &element, const QString &group)
    {
        int index = 0;
        for (const Element &item : element.children) {
            if (item.tag != QLatin1String("item"))
                continue;
            const Element *content = item.content();
            if (isWidget(content))
                widget(*content, group, labelBeside(element, index));
            else if (content && content->tag == QLatin1String("layout"))
                layout(*content, group);
            ++index;
        }
    }

    void widget(const Element &element, const QString &group, const QString &beside)
    {
        FormControl control;
        control.className = element.attribute("class");
        control.objectName = element.attribute("name");
        control.text = element.property("text");
        control.accessibleName = element.property("accessibleName");
        control.groupTitle = group;
        control.labelBeside = beside;
        control.checkable = control.className == QLatin1String("QCheckBox")
                            || control.className == QLatin1String("QRadioButton")
                            || element.property("checkable") == QLatin1String("true");
        for (const Element &child : element.children) {
            if (child.tag == QLatin1String("item"))
                control.items << child.property("text");
        }
        if (!control.objectName.isEmpty())
            controls.append(control);
        children(element, control.className == QLatin1String("QGroupBox")
                                  ? plainText(element.property("title"))
                                  : group);
    }
};

} // namespace

bool FormControl::isButton() const
{
    static const QStringList buttonClasses{
            QStringLiteral("QCheckBox"), QStringLiteral("QRadioButton"), QStringLiteral("QPushButton"),
            QStringLiteral("QToolButton"), QStringLiteral("QCommandLinkButton")};
    return buttonClasses.contains(className);
}

QString plainText(QString text)
{
    const QChar keep(0x1);
    text.replace(QLatin1String("&&"), keep);
    text.remove(QLatin1Char('&'));
    text.replace(keep, QLatin1Char('&'));
    return text.trimmed();
}

QList<FormControl> readForm(QIODevice &form, QString &error)
{
    QXmlStreamReader xml(&form);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("ui")) {
        error = xml.hasError() ? xml.errorString() : QStringLiteral("not a Designer form");
        return {};
    }
    const Element ui = readElement(xml);
    if (xml.hasError()) {
        error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return {};
    }
    FormWalk walk;
    for (const Element &window : ui.children) {
        if (isWidget(&window))
            walk.children(window, {});
    }
    return walk.controls;
}

QByteArray storeForm(const QList<FormControl> &controls)
{
    QByteArray stored;
    QDataStream out(&stored, QIODevice::WriteOnly);
    out.setVersion(storedFormVersion);
    out << qint32(controls.size());
    for (const FormControl &c : controls) {
        out << c.className << c.objectName << c.text << c.accessibleName << c.groupTitle
            << c.labelBeside << c.items << c.checkable;
    }
    return stored;
}

QList<FormControl> loadForm(const QByteArray &stored)
{
    QDataStream in(stored);
    in.setVersion(storedFormVersion);
    qint32 count = 0;
    in >> count;
    QList<FormControl> controls;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        FormControl c;
        in >> c.className >> c.objectName >> c.text >> c.accessibleName >> c.groupTitle
           >> c.labelBeside >> c.items >> c.checkable;
        controls.append(c);
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return {};
    return controls;
}

const QList<FormControl> &panelForm()
{
    static const QList<FormControl> controls = [] {
        QFile file{QLatin1String(panelFormResource)};
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the panel form is missing from the program: %s", qPrintable(file.errorString()));
        QList<FormControl> loaded = loadForm(file.readAll());
        if (loaded.isEmpty())
            qFatal("the panel form stored in the program cannot be read");
        return loaded;
    }();
    return controls;
}
