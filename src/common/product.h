// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PRODUCT_H
#define ZQ40613_PRODUCT_H

// Fixed identity strings of the program, shared by the register file header
// and the About box. The main window's title is a different text and lives in
// the panel form.
constexpr char productTitle[] = "ZQ40613 Evaluation kit";
constexpr char versionString[] = "Version 0.0.2";

#endif
