// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/panelfont.h"

#include <QApplication>
#include <QFontInfo>
#include <QWidget>

void fitPanelFont(QWidget &window)
{
    // A font that sets nothing but its size leaves family and style to the
    // application's font, and follows it when the desktop changes it.
    QFont font;
    if (QFontInfo(QApplication::font()).pointSizeF() > panelPointSize)
        font.setPointSizeF(panelPointSize);
    window.setFont(font);
}
