// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "chmfile.h"

#include "helpparts.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cctype>
#include <cstring>

#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QByteArrayView Magic = ChmReaderMagic;
constexpr QByteArrayView WholeMagic = ChmWholeMagic;
constexpr quint32 MaxPath = 512;
constexpr qsizetype MaxFiles = 1 << 20;
constexpr quint64 Refused = ~quint64(0);
// A list or a file that takes longer is not coming: the reader is stopped.
constexpr int ListTimeoutMs = 10000;
constexpr int ReadTimeoutMs = 5000;
constexpr rlim_t ReaderMemory = rlim_t(512) << 20;
constexpr rlim_t ReaderSeconds = 60;

QString &configuredReader()
{
    static QString path;
    return path;
}

// Texts inside a help file are in its author's code page; this program's are UTF-8, older
// Japanese ones CP932.
QString decodeText(QByteArrayView bytes, const char *codePage = "windows-31j")
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder other(codePage, QStringConverter::Flag::Stateless);
    return other.isValid() ? other.decode(bytes) : QString::fromLatin1(bytes);
}

// The ANSI code page of a Windows language (LCID), by its primary language.
const char *codePageOf(quint32 lcid)
{
    switch (lcid & 0x3FF) {
    case 0x11: return "windows-31j";
    case 0x04: return lcid == 0x804 || lcid == 0x1004 ? "GBK" : "Big5";
    case 0x12: return "windows-949";
    case 0x02: case 0x19: case 0x22: case 0x23: case 0x2F: return "windows-1251";
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1A: case 0x1B: case 0x24: return "windows-1250";
    case 0x08: return "windows-1253";
    case 0x1F: return "windows-1254";
    case 0x0D: return "windows-1255";
    case 0x01: return "windows-1256";
    case 0x25: case 0x26: case 0x27: return "windows-1257";
    case 0x2A: return "windows-1258";
    case 0x1E: return "windows-874";
    default: return "windows-1252";
    }
}

bool isPage(const QString &path)
{
    return path.endsWith(u".html", Qt::CaseInsensitive) || path.endsWith(u".htm", Qt::CaseInsensitive);
}

// A name inside the file as HTML Help looks it up: "\\" for "/", from the top.
QString pathKey(QString path)
{
    path.replace(u'\\', u'/');
    return path.startsWith(u'/') || path.startsWith(u"::") ? path : u'/' + path;
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

ChmFile::~ChmFile()
{
    // The reader ends at the end of its requests; a reader that does not is stopped.
    if (m_reader && m_reader.use_count() == 1) {
        m_reader->closeWriteChannel();
        if (!m_reader->waitForFinished(500))
            stopReader();
    }
}

std::unique_ptr<ChmFile> ChmFile::open(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return nullptr;
    std::unique_ptr<ChmFile> file(new ChmFile);
    file->m_path = info.absoluteFilePath();
    if (!file->startReader(&file->m_listed))
        return nullptr;
    file->finishOpening();
    return file;
}

std::unique_ptr<ChmFile> ChmFile::another() const
{
    if (m_path.isEmpty())
        return std::unique_ptr<ChmFile>(new ChmFile(*this));
    return open(m_path);
}

bool ChmFile::startReader(QHash<QString, Object> *listing) const
{
    m_reader = std::make_shared<QProcess>();
    QProcess &reader = *m_reader;
    reader.setProgram(readerPath());
    reader.setArguments({ m_path });
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.setChildProcessModifier([] {
        const rlimit memory { ReaderMemory, ReaderMemory };
        const rlimit cpu { ReaderSeconds, ReaderSeconds };
        setrlimit(RLIMIT_AS, &memory);
        setrlimit(RLIMIT_CPU, &cpu);
    });
    reader.start();
    if (!reader.waitForStarted()) {
        qWarning("cannot start %s: %s", qPrintable(reader.program()), qPrintable(reader.errorString()));
        m_reader.reset();
        return false;
    }
    // The list of files; the same list again when the reader is started anew.
    QDeadlineTimer deadline(ListTimeoutMs);
    QByteArray magic;
    if (!receive(Magic.size(), deadline, magic) || magic != Magic)
        return stopReader();
    QHash<QString, Object> listed;
    for (;;) {
        QByteArray length, path, size;
        if (!receive(4, deadline, length))
            return stopReader();
        const quint32 pathLength = qFromLittleEndian<quint32>(length.constData());
        if (pathLength == 0)
            break;
        if (pathLength > MaxPath || listed.size() >= MaxFiles || !receive(pathLength, deadline, path) || !receive(8, deadline, size))
            return stopReader();
        listed.insert(pathKey(decodeText(path)), { path, qFromLittleEndian<quint64>(size.constData()) });
    }
    if (listing)
        *listing = std::move(listed);
    else if (listed.size() != m_listed.size())
        return stopReader(); // the file changed under the window
    return true;
}

bool ChmFile::stopReader() const
{
    if (m_reader) {
        m_reader->kill();
        m_reader->waitForFinished();
        m_reader.reset();
    }
    return false;
}

bool ChmFile::receive(qint64 size, const QDeadlineTimer &deadline, QByteArray &into) const
{
    while (m_reader->bytesAvailable() < size) {
        if (deadline.hasExpired() || (!m_reader->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())))
                                      && m_reader->bytesAvailable() < size))
            return false;
    }
    into = m_reader->read(size);
    return true;
}

std::unique_ptr<ChmFile> ChmFile::fromReaderOutput(const QByteArray &output)
{
    std::unique_ptr<ChmFile> file(new ChmFile);
    if (!file->parse(output))
        return nullptr;
    file->finishOpening();
    return file;
}

void ChmFile::finishOpening()
{
    readSystemFile();
    // The file's own, else its index page, else its first page; none when that cannot be read:
    // the file is damaged.
    m_defaultTopic = listedKey(m_defaultTopic);
    if (m_defaultTopic.isEmpty()) {
        const QStringList all = pages();
        m_defaultTopic = all.contains(u"/index.html"_s) ? u"/index.html"_s : all.value(0);
    }
    if (!read(m_defaultTopic))
        m_defaultTopic.clear();
}

bool ChmFile::parse(const QByteArray &output)
{
    if (!output.startsWith(WholeMagic))
        return false;
    qsizetype pos = WholeMagic.size();
    while (pos < output.size()) {
        if (output.size() - pos < 4)
            return false;
        const quint32 pathLength = qFromLittleEndian<quint32>(output.constData() + pos);
        pos += 4;
        if (pathLength == 0 || pathLength > MaxPath || output.size() - pos < qsizetype(pathLength) + 8)
            return false;
        const QByteArray path = output.mid(pos, pathLength);
        pos += pathLength;
        const quint64 length = qFromLittleEndian<quint64>(output.constData() + pos);
        pos += 8;
        if (length > quint64(output.size() - pos))
            return false;
        const QString key = pathKey(decodeText(path));
        m_listed.insert(key, { path, length });
        m_objects.insert(key, output.mid(pos, qsizetype(length)));
        pos += qsizetype(length);
    }
    return true;
}

QString ChmFile::listedKey(const QString &objectPath) const
{
    // As HTML Help looks names up: links written in another case than the file holds still work.
    const QString key = pathKey(objectPath);
    return m_listed.contains(key) ? key : m_byLowerCase.value(key.toLower());
}

std::optional<QByteArray> ChmFile::read(const QString &objectPath) const
{
    const QString key = listedKey(objectPath);
    const auto found = m_listed.constFind(key);
    if (found == m_listed.cend())
        return std::nullopt;
    if (m_path.isEmpty() || m_objects.contains(key))
        return m_objects.value(key);
    if (found->length > ChmMaxObject)
        return std::nullopt;
    // A reader that ended (its limits, a damaged part of the file) is started again, once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_reader && !startReader())
            return std::nullopt;
        m_reader->write(found->name + '\n');
        QDeadlineTimer deadline(ReadTimeoutMs);
        QByteArray length, bytes;
        if (receive(8, deadline, length)) {
            const quint64 size = qFromLittleEndian<quint64>(length.constData());
            if (size == Refused) {
                // chmlib is not to be trusted after a failure: its caches may hand out zeros.
                stopReader();
                return std::nullopt;
            }
            if (size == found->length && receive(qint64(size), deadline, bytes))
                return bytes;
        }
        stopReader();
    }
    return std::nullopt;
}

void ChmFile::readEach(const QStringList &paths, const std::function<bool(const QString &, const QByteArray &)> &use) const
{
    // Requests go out this far ahead of the replies, so that the reader unpacks the next files
    // on another core while this thread uses the last.
    constexpr qsizetype Ahead = 16;
    qsizetype next = 0, sent = 0;
    QList<qsizetype> asked; // the paths sent and not yet answered, in order
    const auto readAlone = [&](qsizetype i) { return use(paths[i], read(paths[i]).value_or(QByteArray())); };
    for (; next < paths.size(); ++next) {
        if (m_path.isEmpty() || (!m_reader && !startReader())) {
            if (!readAlone(next))
                return;
            continue;
        }
        for (; sent < paths.size() && sent < next + Ahead; ++sent) {
            const auto found = m_listed.constFind(listedKey(paths[sent]));
            if (found != m_listed.cend() && found->length <= ChmMaxObject) {
                m_reader->write(found->name + '\n');
                asked.append(sent);
            }
        }
        if (asked.isEmpty() || asked.front() != next) {
            if (!use(paths[next], QByteArray()))
                break;
            continue;
        }
        asked.removeFirst();
        QDeadlineTimer deadline(ReadTimeoutMs);
        QByteArray length, bytes;
        const quint64 expected = m_listed.value(listedKey(paths[next])).length;
        if (!receive(8, deadline, length) || qFromLittleEndian<quint64>(length.constData()) != expected
            || !receive(qint64(expected), deadline, bytes)) {
            // The rest one at a time, through a reader started anew.
            stopReader();
            asked.clear();
            sent = next + 1;
            if (!readAlone(next))
                return;
            continue;
        }
        if (!use(paths[next], bytes))
            break;
    }
    if (!asked.isEmpty())
        stopReader(); // its replies to requests nobody waits for any more
}

QStringList ChmFile::pages() const
{
    QStringList list = files();
    list.removeIf([](const QString &path) { return !isPage(path); });
    return list;
}

QStringList ChmFile::files() const
{
    QStringList list;
    for (auto it = m_listed.cbegin(); it != m_listed.cend(); ++it) {
        if (isOrdinary(it.key()))
            list.append(it.key());
    }
    list.sort();
    return list;
}

void ChmFile::nameInCodePage()
{
    // The names were read before the file's language was known: UTF-8 when they are, else the
    // language's code page, as its pages (a Chinese file's GBK names).
    QHash<QString, Object> listed;
    QHash<QString, QByteArray> objects;
    for (auto it = m_listed.cbegin(); it != m_listed.cend(); ++it) {
        const QString key = pathKey(decode(it->name));
        listed.insert(key, *it);
        if (const auto object = m_objects.constFind(it.key()); object != m_objects.cend())
            objects.insert(key, *object);
    }
    m_listed = std::move(listed);
    m_objects = std::move(objects);
    m_byLowerCase.clear();
    for (auto it = m_listed.cbegin(); it != m_listed.cend(); ++it)
        m_byLowerCase.insert(it.key().toLower(), it.key());
}

void ChmFile::readSystemFile()
{
    // #SYSTEM: a version, then records of a 16-bit code, a 16-bit length and that many bytes.
    const QByteArray data = read(u"/#SYSTEM"_s).value_or(QByteArray());
    QByteArray contents, index, topic, title, window; // decoded below, in the file's code page
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
        if (code == 0)
            contents = value.toByteArray();
        else if (code == 1)
            index = value.toByteArray();
        else if (code == 2)
            topic = value.toByteArray();
        else if (code == 3)
            title = value.toByteArray();
        else if (code == 4 && value.size() >= 4)
            m_language = qFromLittleEndian<quint32>(value.data());
        else if (code == 5)
            window = value.toByteArray();
    }
    nameInCodePage();
    const auto path = [&](const QByteArray &name) { return name.isEmpty() ? QString() : pathKey(decode(name)); };
    m_contents = path(contents);
    m_index = path(index);
    m_defaultTopic = path(topic);
    m_title = decode(title);
    readWindowDefinition(window);
    // Files compiled without naming their sitemaps still carry them.
    for (const QString &file : files()) {
        if (m_contents.isEmpty() && file.endsWith(u".hhc", Qt::CaseInsensitive))
            m_contents = file;
        if (m_index.isEmpty() && file.endsWith(u".hhk", Qt::CaseInsensitive))
            m_index = file;
    }
    m_contents = listedKey(m_contents);
    m_index = listedKey(m_index);
}

void ChmFile::readWindowDefinition(const QByteArray &name)
{
    // #WINDOWS: a count and an entry size, then HH_WINTYPE records whose strings are offsets
    // into #STRINGS; the fields used: the name (2), which fields are valid (3), the place (8-11).
    const QByteArray windows = read(u"/#WINDOWS"_s).value_or(QByteArray());
    const QByteArray strings = read(u"/#STRINGS"_s).value_or(QByteArray());
    if (windows.size() < 8)
        return;
    const quint32 count = qFromLittleEndian<quint32>(windows.constData());
    const quint32 size = qFromLittleEndian<quint32>(windows.constData() + 4);
    if (size < 48 || count > 256)
        return;
    const auto field = [&](qsizetype entry, int index) {
        return qFromLittleEndian<qint32>(windows.constData() + 8 + entry * qsizetype(size) + index * 4);
    };
    const auto string = [&](qint32 offset) {
        if (offset < 0 || offset >= strings.size())
            return QByteArray();
        return QByteArray(strings.constData() + offset, qstrnlen(strings.constData() + offset, strings.size() - offset));
    };
    constexpr qint32 ValidRect = 1 << 4;
    for (qsizetype entry = 0; entry < qsizetype(count) && 8 + (entry + 1) * qsizetype(size) <= windows.size(); ++entry) {
        if (!name.isEmpty() && string(field(entry, 2)) != name)
            continue;
        // Beyond a few screens is damage, and would overflow QRect's arithmetic.
        const auto onScreen = [&](int index) { return qAbs(qint64(field(entry, index))) <= 100000; };
        if (field(entry, 3) & ValidRect && onScreen(8) && onScreen(9) && onScreen(10) && onScreen(11)) {
            const QRect rect(QPoint(field(entry, 8), field(entry, 9)), QPoint(field(entry, 10) - 1, field(entry, 11) - 1));
            if (rect.width() >= 200 && rect.height() >= 150)
                m_windowRect = rect;
        }
        return;
    }
}

QString ChmFile::decode(QByteArrayView bytes, const QByteArray &declared) const
{
    if (!declared.isEmpty()) {
        QStringDecoder named(declared.constData(), QStringConverter::Flag::Stateless);
        if (named.isValid())
            return named.decode(bytes);
    }
    return decodeText(bytes, codePageOf(m_language));
}

QString ChmFile::decodePage(const QByteArray &bytes) const
{
    const QByteArray head = bytes.left(4096).toLower();
    for (qsizetype meta = head.indexOf("<meta"); meta >= 0; meta = head.indexOf("<meta", meta + 5)) {
        const qsizetype end = head.indexOf('>', meta);
        const qsizetype charset = head.indexOf("charset", meta);
        if (charset < 0 || (end >= 0 && charset > end))
            continue;
        qsizetype at = charset + 7;
        while (at < head.size() && (head[at] == ' ' || head[at] == '=' || head[at] == '"' || head[at] == '\''))
            ++at;
        qsizetype stop = at;
        while (stop < head.size() && (std::isalnum(uchar(head[stop])) || (head[stop] != '\0' && std::strchr("_.:-", head[stop]))))
            ++stop;
        return decode(bytes, head.mid(at, stop - at));
    }
    return decode(bytes);
}
