// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELFONT_H
#define ZQ40613_PANELFONT_H

class QWidget;

// The panel's blocks stand at fixed places in a window of fixed size, laid
// out for text of this size. A larger desktop font would cut texts off, so
// the panel takes the desktop's font family and any smaller size, but never
// a larger one.
constexpr double panelPointSize = 9;

// Gives the window the application's font, capped at the panel's size. Font
// settings stop at windows, so dialogs owned by it keep the desktop font in
// full: they size themselves to it.
void fitPanelFont(QWidget &window);

#endif
