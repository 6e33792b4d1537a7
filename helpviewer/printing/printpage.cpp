// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// porunka's printing, loaded the first time the user prints: linked into the program, Qt Print
// Support made every start-up pay its dynamic linking for a button that is rarely pressed
// (README, figures behind the code).
#include "helpparts.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

#include <algorithm>

void porunkaPrintDocument(const QTextDocument *document, QWidget *parent, const QString *title)
{
    QPrinter printer;
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(*title);
    if (dialog.exec() == QDialog::Accepted)
        document->print(&printer);
}

void porunkaPrintPicture(QWidget *picture, QWidget *parent, const QString *title)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(*title);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The picture as large as the page takes it, its proportions kept; drawn, not copied as pixels.
    QPainter painter(&printer);
    const QSizeF page = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    const QSizeF size = picture->size();
    const qreal scale = std::min(page.width() / size.width(), page.height() / size.height());
    painter.scale(scale, scale);
    picture->render(&painter, {}, {}, QWidget::DrawChildren);
}
