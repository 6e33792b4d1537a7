// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decimal.h"
#include "ledgerfile.h"
#include "ledgerjournal.h"
#include "ledgerwriter.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

// A temporary directory holding the ledger file, with the file read and written as raw bytes.
class LedgerFixture
{
public:
    QString dir() const { return m_dir.path(); }
    QString path() const { return m_dir.filePath(QString::fromUtf16(LedgerFileName)); }

    QByteArray bytes() const;
    // Everything in the directory, the ledger included.
    QStringList files() const
    {
        return QDir(dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }
    void write(const QByteArray &bytes) const;

private:
    QTemporaryDir m_dir;
};

// Writes, or appends, all of `bytes` to the file at `path`.
inline bool writeFile(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(bytes) == bytes.size();
}

inline void LedgerFixture::write(const QByteArray &bytes) const
{
    if (!writeFile(path(), bytes))
        qFatal("cannot write %s", qPrintable(path()));
}

inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline QByteArray LedgerFixture::bytes() const
{
    return bytesOf(path());
}

// One ledger line as the program writes it, "date","time",amount CR LF, the date in CP932.
inline QByteArray line(const char *date, const char *time, const char *amount)
{
    const QByteArray cp932 = QStringEncoder("windows-31j").encode(QString::fromUtf8(date));
    return '"' + cp932 + "\",\"" + time + "\"," + amount + "\r\n";
}

// The amount as money, for readable tables: money("12.5").
inline Money money(const char *plainDecimal)
{
    return parsePlainDecimal(plainDecimal).value();
}
