// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// porunka's printing, loaded the first time the user prints: linking Qt Print Support into the
// program cost every start-up 1.6 M instructions (1.4 %) of dynamic linking for a button that is
// rarely pressed.
#include "helpparts.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

void porunkaPrintDocument(const QTextDocument *document, QWidget *parent, const QString *title)
{
    QPrinter printer;
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(*title);
    if (dialog.exec() == QDialog::Accepted)
        document->print(&printer);
}
