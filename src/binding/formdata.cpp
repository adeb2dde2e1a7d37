// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: reads the panel form's Designer file and stores its controls
// as panelForm() loads them, so that the program reads no XML at start-up.
// Usage: zq40613_formdata FORM.ui OUTPUT

#include "binding/panelform.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FORM.ui OUTPUT\n", argv[0]);
        return 2;
    }
    QFile form(QFile::decodeName(argv[1]));
    if (!form.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(form.errorString()));
        return 1;
    }
    QString error;
    const QList<FormControl> controls = readForm(form, error);
    if (controls.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    const QByteArray stored = storeForm(controls);
    QFile output(QFile::decodeName(argv[2]));
    if (!output.open(QIODevice::WriteOnly) || output.write(stored) != stored.size()
        || !output.flush()) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(output.errorString()));
        return 1;
    }
    return 0;
}
