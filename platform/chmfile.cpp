// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "chmfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>

#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QByteArrayView Magic = "PORUNKA-CHM 1\n";
constexpr int ReaderTimeoutMs = 10000;
constexpr rlim_t ReaderMemory = rlim_t(512) << 20;
constexpr rlim_t ReaderSeconds = 10;

QString &configuredReader()
{
    static QString path;
    return path;
}

// Texts inside a help file are in its author's code page; this program's are UTF-8, older
// Japanese ones CP932.
QString decodeText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp932("windows-31j", QStringConverter::Flag::Stateless);
    return cp932.decode(bytes);
}

bool isPage(const QString &path)
{
    return path.endsWith(u".html", Qt::CaseInsensitive) || path.endsWith(u".htm", Qt::CaseInsensitive);
}

bool isOrdinary(const QString &path)
{
    return path.size() > 1 && path[0] == u'/' && path[1] != u'#' && path[1] != u'$';
}

} // namespace

void ChmFile::setReaderPath(const QString &path)
{
    configuredReader() = path;
}

QString ChmFile::readerPath()
{
    if (!configuredReader().isEmpty())
        return configuredReader();
    // Beside the program in a build tree, under ../libexec in an installed tree wherever it was
    // moved, then where it was installed to.
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString &candidate : { programDir + u"/porunka-chmreader"_s,
                                      programDir + u"/../libexec/porunka/porunka-chmreader"_s }) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return QStringLiteral(PORUNKA_LIBEXEC_DIR "/porunka-chmreader");
}

std::unique_ptr<ChmFile> ChmFile::open(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return nullptr;

    QProcess reader;
    reader.setProgram(readerPath());
    reader.setArguments({ info.absoluteFilePath() });
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.setChildProcessModifier([] {
        const rlimit memory { ReaderMemory, ReaderMemory };
        const rlimit cpu { ReaderSeconds, ReaderSeconds };
        setrlimit(RLIMIT_AS, &memory);
        setrlimit(RLIMIT_CPU, &cpu);
    });
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted()) {
        qWarning("cannot start %s: %s", qPrintable(reader.program()),
                 qPrintable(reader.errorString()));
        return nullptr;
    }
    QByteArray output;
    QElapsedTimer elapsed;
    elapsed.start();
    while (reader.state() != QProcess::NotRunning && elapsed.elapsed() < ReaderTimeoutMs) {
        reader.waitForReadyRead(100);
        output += reader.readAllStandardOutput();
    }
    if (reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished();
        return nullptr;
    }
    output += reader.readAllStandardOutput();
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        return nullptr;

    std::unique_ptr<ChmFile> file(new ChmFile);
    if (!file->parse(output))
        return nullptr;
    file->readSystemFile();
    if (file->m_defaultTopic.isEmpty() || !file->m_objects.contains(file->m_defaultTopic)) {
        const QStringList files = file->files();
        if (files.contains(u"/index.html"_s)) {
            file->m_defaultTopic = u"/index.html"_s;
        } else {
            const auto page = std::find_if(files.begin(), files.end(), isPage);
            file->m_defaultTopic = page != files.end() ? *page : QString();
        }
    }
    return file;
}

bool ChmFile::parse(const QByteArray &output)
{
    if (!output.startsWith(Magic))
        return false;
    qsizetype pos = Magic.size();
    while (pos < output.size()) {
        if (output.size() - pos < 4)
            return false;
        const quint32 pathLength = qFromLittleEndian<quint32>(output.constData() + pos);
        pos += 4;
        if (pathLength == 0 || pathLength > 512 || output.size() - pos < qsizetype(pathLength) + 8)
            return false;
        const QString path = decodeText(QByteArrayView(output.constData() + pos, pathLength));
        pos += pathLength;
        const quint64 length = qFromLittleEndian<quint64>(output.constData() + pos);
        pos += 8;
        if (length > quint64(output.size() - pos))
            return false;
        m_objects.insert(path, output.mid(pos, qsizetype(length)));
        pos += qsizetype(length);
    }
    return true;
}

std::optional<QByteArray> ChmFile::read(const QString &objectPath) const
{
    const auto found = m_objects.constFind(objectPath);
    if (found == m_objects.cend())
        return std::nullopt;
    return *found;
}

QStringList ChmFile::files() const
{
    QStringList list;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it) {
        if (isOrdinary(it.key()))
            list.append(it.key());
    }
    list.sort();
    return list;
}

void ChmFile::readSystemFile()
{
    // #SYSTEM: a version, then records of a 16-bit code, a 16-bit length and that many bytes.
    const QByteArray data = m_objects.value(u"/#SYSTEM"_s);
    qsizetype pos = 4;
    while (pos + 4 <= data.size()) {
        const quint16 code = qFromLittleEndian<quint16>(data.constData() + pos);
        const quint16 length = qFromLittleEndian<quint16>(data.constData() + pos + 2);
        pos += 4;
        if (length > data.size() - pos)
            break;
        QByteArrayView value(data.constData() + pos, length);
        pos += length;
        while (!value.isEmpty() && value.back() == '\0')
            value.chop(1);
        if (code == 2 && !value.isEmpty())
            m_defaultTopic = value.front() == '/' ? decodeText(value) : u'/' + decodeText(value);
        else if (code == 3)
            m_title = decodeText(value);
    }
}
