// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// porunka's printing, loaded the first time the user prints: linked into the program, Qt Print
// Support made every start-up pay its dynamic linking for a button that is rarely pressed
// (README, figures behind the code).
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
