// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerexport.h"

#include "decimal.h"
#include "ledgerhistory.h"
#include "ledgerjournal.h"
#include "ledgersession.h"

#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A text a spreadsheet would take for a formula is kept as text: a hand-edited or planted ledger
// may hold one.
QString inertText(const QString &text)
{
    static constexpr QStringView FormulaStarts = u"=+-@\t\r";
    if (!text.isEmpty() && FormulaStarts.contains(text.front()))
        return u'\'' + text;
    return text;
}

QString csvField(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n') && !field.contains(u'\r'))
        return field;
    return u'"' + QString(field).replace(u'"', u"\"\""_s) + u'"';
}

// Where a write to `path` lands, following links as QSaveFile does, so that a name not made yet
// compares too: its folder's real path and its own name.
QString landingPath(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return QFileInfo(info.absolutePath()).canonicalFilePath() + u'/' + info.fileName();
}

// The same name, or another name or link of the same file.
bool sameFile(const QString &a, const QString &b)
{
    if (landingPath(a) == landingPath(b))
        return true;
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0
            && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
            && sa.st_ino == sb.st_ino;
}

} // namespace

QStringList exportFields(const LedgerSession &session, qsizetype row)
{
    const LedgerEntries &entries = session.entries();
    const QDate date = entryDate(entries, row);
    return { QString::number(row + 1), inertText(entries.dateText(row)),
             inertText(entries.timeText(row)), QString::fromLatin1(plainDecimalText(entries.amount(row))),
             QString::fromLatin1(plainDecimalText(session.runningTotal(row))),
             date.isValid() ? date.toString(Qt::ISODate) : QString() };
}

QByteArray ledgerCsv(const LedgerSession &session)
{
    QString text = u"\uFEFF回,日付,時間,入金,累計,日付 (ISO 8601)\r\n"_s;
    for (qsizetype row = 0; row < session.entries().size(); ++row) {
        const QStringList fields = exportFields(session, row);
        for (qsizetype i = 0; i < fields.size(); ++i)
            text += (i ? u","_s : QString()) + csvField(fields[i]);
        text += u"\r\n"_s;
    }
    return text.toUtf8();
}

QString ledgerRowsText(const LedgerSession &session, QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    QString text;
    // No field holds a tab or a line end: the reader takes none into an entry.
    for (const int row : std::as_const(rows))
        text += exportFields(session, row).join(u'\t') + u'\n';
    return text;
}

ExportResult saveExport(const QString &path, const QByteArray &bytes, const LedgerSession &session)
{
    const QString &ledger = session.path();
    for (const QString &kept : { ledger, ledgerBackupPath(ledger), ledgerJournalPath(ledger) }) {
        if (sameFile(path, kept))
            return { ExportResult::Outcome::WouldReplaceLedger, {} };
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return { ExportResult::Outcome::Failed, file.errorString() };
    return { ExportResult::Outcome::Saved, {} };
}
