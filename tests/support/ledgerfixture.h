#pragma once

#include "ledgerfile.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary directory holding the ledger file, with the file read and written as raw bytes.
class LedgerFixture
{
public:
    LedgerFixture();

    bool isValid() const { return m_dir.isValid(); }
    QString dir() const { return m_dir.path(); }
    QString path() const; // the ledger file inside the directory

    bool exists() const;
    QByteArray bytes() const;
    void write(const QByteArray &bytes) const;

private:
    QTemporaryDir m_dir;
};

// Text from UTF-8 source literals as CP932 bytes, the way the ledger holds it.
QByteArray cp932(const QString &text);

// One ledger line as the program writes it: "date","time",amount CR LF.
QByteArray line(const char *date, const char *time, const char *amount);

// The amount as money, for readable tables: money("12.5").
Money money(const char *plainDecimal);
