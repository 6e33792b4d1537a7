#include "ledgerfixture.h"

#include "decimal.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTest>

LedgerFixture::LedgerFixture() = default;

QString LedgerFixture::path() const
{
    return m_dir.filePath(QString::fromUtf16(LedgerFileName));
}

bool LedgerFixture::exists() const
{
    return QFile::exists(path());
}

QByteArray LedgerFixture::bytes() const
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path()));
    return file.readAll();
}

void LedgerFixture::write(const QByteArray &bytes) const
{
    QFile file(path());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path()));
}

QByteArray cp932(const QString &text)
{
    QStringEncoder encoder("windows-31j");
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        qFatal("not CP932: %s", qPrintable(text));
    return bytes;
}

QByteArray line(const char *date, const char *time, const char *amount)
{
    return '"' + cp932(QString::fromUtf8(date)) + "\",\"" + time + "\"," + amount + "\r\n";
}

Money money(const char *plainDecimal)
{
    const auto value = parsePlainDecimal(plainDecimal);
    if (!value)
        qFatal("not a money value: %s", plainDecimal);
    return *value;
}
