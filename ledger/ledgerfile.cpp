// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerfile.h"

#include "datetext.h"
#include "ledgerfields.h"
#include "ledgerreader.h"
#include "ledgerundo.h"
#include "ledgerwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype ReadChunk = 64 * 1024;

LedgerStatus failed(const FileResult &result, const QString &path)
{
    return { result.failure, QFileInfo(path).absoluteFilePath(), result.error };
}

// A rewrite writes to "<name>.XXXXXX" beside the file and renames it over; a process killed in
// between leaves that file behind.
void removeStaleTemporaryFiles(const QString &path)
{
    const QFileInfo info(path);
    const QString name = QRegularExpression::escape(info.fileName());
    static const QString pattern = u"^%1(\\.bak)?\\.[A-Za-z0-9]{6}$"_s;
    const QRegularExpression temporary(pattern.arg(name));
    QDir dir = info.absoluteDir();
    const QStringList candidates =
            dir.entryList({ info.fileName() + u".*"_s }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &candidate : candidates) {
        if (temporary.match(candidate).hasMatch())
            dir.remove(candidate);
    }
}

// The whole of a regular file, its stamp taken as it is read when `stamp` is given.
FileResult readWhole(const QString &path, QByteArray &bytes, FileStamp *stamp, struct stat *st = nullptr)
{
    const OpenedFile file = openRegularFile(path, O_RDONLY);
    if (!file.result.ok())
        return file.result;
    if (stamp)
        *stamp = { file.st.st_dev, file.st.st_ino, file.st.st_mtim, file.st.st_ctim, {}, true };
    if (st)
        *st = file.st;
    return readAllBytes(file.handle.fd(), bytes, stamp ? &stamp->content : nullptr);
}

} // namespace

LedgerLoad LoadLedger(const QString &path)
{
    removeStaleTemporaryFiles(path);
    LedgerLoad load;
    OpenedFile file = openRegularFile(path, O_RDONLY, true);
    if (file.result.ok() && file.st.st_size > MaxLedgerBytes)
        file.result = { FileFailure::TooLarge, 0 };
    if (!file.result.ok()) {
        load.status = failed(file.result, path);
        return load;
    }
    load.created = file.created;
    FileResult read;
    ContentDigest content;
    const int fd = file.handle.fd();
    const bool complete = readLedgerPieces(load, file.st.st_size, ReadChunk, [&](char *to, qint64 most) {
        ssize_t got;
        do
            got = ::read(fd, to, std::size_t(most));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            read = { FileFailure::Read, errno };
        else if (content.length() + got > MaxLedgerBytes) // it grew while being read
            read = { FileFailure::TooLarge, 0 };
        if (!read.ok())
            return qint64(-1);
        content.add(QByteArrayView(to, got));
        return qint64(got);
    });
    struct stat st {};
    if (complete && ::fstat(fd, &st) != 0)
        read = { FileFailure::Read, errno };
    if (!read.ok()) {
        load = {};
        load.status = failed(read, path);
        return load;
    }
    load.stamp = { st.st_dev, st.st_ino, st.st_mtim, st.st_ctim, std::move(content), true };
    return load;
}

bool StillAsLoaded(const QString &path, const FileStamp &stamp)
{
    const OpenedFile file = openRegularFile(path, O_RDONLY);
    FileStamp now;
    return stamp.valid && file.result.ok() && stampOf(file.handle.fd(), now).ok()
            && now.sameContent(stamp);
}

LedgerStatus AppendLedgerEntry(const QString &path, Money amount, const QDateTime &now,
                               LedgerEncoding encoding, FileStamp *seen)
{
    QByteArray bytes = ledgerLine(dateText(now.date()), timeText(now.time()), amount, encoding);
    const OpenedFile file = openRegularFile(path, O_RDWR | O_APPEND, true);
    if (!file.result.ok())
        return failed(file.result, path);
    if (file.st.st_size > MaxLedgerBytes) // not a ledger: never written to
        return failed({ FileFailure::TooLarge, 0 }, path);
    const int fd = file.handle.fd();
    const off_t size = file.st.st_size;
    if (size > 0) {
        char tail[3] = {};
        const off_t from = std::max<off_t>(0, size - 3);
        if (::pread(fd, tail, std::size_t(size - from), from) != size - from)
            return failed({ FileFailure::Read, errno }, path);
        // A last line without its end gets one; a byte-order mark alone is no line.
        if (tail[size - from - 1] != '\n' && !(size == 3 && QByteArrayView(tail, 3) == Utf8Bom))
            bytes.prepend("\r\n");
    }
    const bool asSeen = seen && seen->sameInode(file.st);
    if (const FileResult written = writeAllBytes(fd, bytes); !written.ok()) {
        (void)::ftruncate(fd, size); // never leave a partial line behind
        return failed(written, path);
    }
    if (::fdatasync(fd) != 0)
        return failed({ FileFailure::Flush, errno }, path);
    if (seen) {
        struct stat after {};
        // Another writer between the two looks shows in the size.
        if (asSeen && ::fstat(fd, &after) == 0 && after.st_size == size + bytes.size()) {
            seen->content.add(bytes);
            seen->modified = after.st_mtim;
            seen->changed = after.st_ctim;
        } else {
            seen->valid = false;
        }
    }
    return {};
}

// The ledger's replacement, written where the ledger really is.
static LedgerStatus replaceLedger(const QString &path, QByteArrayView bytes,
                                  const FileStamp *expected)
{
    FileResult result;
    const QString target = replacementTarget(path, result);
    if (!result.ok())
        return failed(result, path);
    struct stat like {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &like) == 0;
    if (expected && !exists)
        return failed({ FileFailure::Changed, 0 }, path);
    result = replaceFile(target, bytes, exists ? &like : nullptr, expected);
    return result.ok() ? LedgerStatus {} : failed(result, path);
}

LedgerStatus RewriteLedger(const QString &path, const LedgerEntries &entries,
                           const QList<UnreadLines> &keep, LedgerEncoding encoding,
                           const FileStamp *expected)
{
    const auto bytes = ledgerFileBytes(entries, keep, encoding);
    if (!bytes)
        return failed({ FileFailure::Encode, 0 }, path);
    return replaceLedger(path, *bytes, expected);
}

LedgerStatus EmptyLedger(const QString &path, const FileStamp *expected)
{
    return replaceLedger(path, {}, expected);
}

QString ledgerBackupPath(const QString &path)
{
    return path + u".bak"_s;
}

LedgerStatus BackUpLedger(const QString &path, const FileStamp *expected)
{
    QByteArray bytes;
    FileStamp now;
    struct stat ledger {};
    if (const FileResult read = readWhole(path, bytes, &now, &ledger); !read.ok())
        return failed(read, path);
    if (expected && !now.sameContent(*expected))
        return failed({ FileFailure::Changed, 0 }, path);
    const QString backup = ledgerBackupPath(path);
    struct stat old {};
    if (bytes.isEmpty() && ::lstat(QFile::encodeName(backup).constData(), &old) == 0
        && S_ISREG(old.st_mode) && old.st_size > 0)
        return {};
    const FileResult replaced = replaceFile(backup, bytes, &ledger);
    return replaced.ok() ? LedgerStatus {} : failed(replaced, backup);
}

LedgerUndo PlanLedgerUndo(const QString &path)
{
    LedgerUndo plan;
    QByteArray ledger, recovery;
    FileResult read = readWhole(path, ledger, &plan.stamp);
    if (!read.ok()) {
        plan.status = failed(read, path);
        return plan;
    }
    const QString backup = ledgerBackupPath(path);
    read = readWhole(backup, recovery, nullptr);
    if (!read.ok() && !(read.failure == FileFailure::Open && read.error == ENOENT))
        plan.status = failed(read, backup);
    if (!read.ok())
        return plan;
    RecoveryMerge merge = mergeRecoveryPoint(recovery, ledger);
    plan.restored = std::move(merge.restored);
    plan.merged = std::move(merge.merged);
    plan.restoredAt = merge.restoredAt;
    return plan;
}

LedgerStatus UndoLedger(const QString &path, const LedgerUndo &plan)
{
    if (const LedgerStatus backup = BackUpLedger(path, &plan.stamp); !backup.ok())
        return backup;
    return replaceLedger(path, plan.merged, &plan.stamp);
}
