// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exportfile.h"

#include "ledgerexport.h"
#include "messagebox.h"
#include "savedialog.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

void exportFile(QWidget *parent, const LedgerSession &session, const QString &title,
                const QString &suggested, const QStringList &filters, const QStringList &suffixes,
                const std::function<QByteArray(const QString &path)> &bytesFor)
{
    QString path = SaveDialog::ask(parent, title, suggested, filters, suffixes);
    while (!path.isEmpty()) {
        const ExportResult result = saveExport(path, bytesFor(path), session);
        if (result.outcome == ExportResult::Outcome::Saved)
            return;
        const QString where = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        const QString text = result.outcome == ExportResult::Outcome::WouldReplaceLedger
                ? u"%1 は台帳ファイルかその控えなので、上書きできません。\n別の名前を選んでください。"_s.arg(where)
                : u"%1 に保存できませんでした。\n%2"_s.arg(where, result.error);
        if (MessageBox::show(parent, title, text, MessageBox::Icon::Warning, MessageBox::Buttons::OkCancel)
            != MessageBox::Answer::Ok)
            return;
        path = SaveDialog::ask(parent, title, path, filters, suffixes);
    }
}
