#ifndef ZQ40613_DESKTOPSCHEMES_H
#define ZQ40613_DESKTOPSCHEMES_H

#include <QColor>
#include <QPalette>

// A dark colour scheme of the kind desktops hand to Qt: light text on dark
// window, base and button colours, in every colour group.
inline QPalette darkScheme()
{
    const QColor window(53, 53, 53), base(42, 42, 42), text(Qt::white), muted(127, 127, 127);
    const QColor highlight(42, 130, 218);
    QPalette p(text, window, window.lighter(), window.darker(), window.darker(150), text, text, base,
               window);
    p.setColor(QPalette::AlternateBase, QColor(66, 66, 66));
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, muted);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Link, highlight);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, muted);
    return p;
}

#endif
