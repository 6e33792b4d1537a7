// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerfile.h"

#include "datetext.h"
#include "ledgerfields.h"
#include "ledgerjournal.h"
#include "ledgerreader.h"
#include "ledgerundo.h"
#include "ledgerwriter.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype ReadChunk = 64 * 1024;

// The whole of a regular file, its stamp taken as it is read when `stamp` is given.
FileResult readWhole(const QString &path, QByteArray &bytes, FileStamp *stamp)
{
    const OpenedFile file = openRegularFile(path, O_RDONLY);
    if (!file.result.ok())
        return file.result;
    if (stamp)
        *stamp = { file.st.st_dev, file.st.st_ino, file.st.st_mtim, file.st.st_ctim, {}, true };
    return readAllBytes(file.handle.fd(), bytes, stamp ? &stamp->content : nullptr);
}

} // namespace

LedgerLoad LoadLedger(const QString &path)
{
    LedgerLoad load;
    removeLeftTemporaryFiles(ledgerJournalPath(path));
    load.status = rollBackUnfinishedRewrite(path, &load.rolledBack);
    if (!load.status.ok())
        return load;
    OpenedFile file = openRegularFile(path, O_RDONLY, true);
    if (file.result.ok() && file.st.st_size > MaxLedgerBytes)
        file.result = { FileFailure::TooLarge, 0 };
    // Waits for a rewrite in another window to finish, so as never to read it half done.
    if (file.result.ok())
        file.result = lockFile(file.handle.fd(), F_RDLCK);
    if (!file.result.ok()) {
        load.status = ledgerStatus(file.result, path);
        return load;
    }
    load.created = file.created;
    FileResult read;
    ContentDigest content;
    const int fd = file.handle.fd();
    const bool complete = readLedgerPieces(load, file.st.st_size, ReadChunk, [&](char *to, qint64 most) {
        const ssize_t got = retried([&] { return ::read(fd, to, std::size_t(most)); });
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
        load.status = ledgerStatus(read, path);
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
    QByteArray bytes = ledgerLine(StandardDateTime::fromDateTime(now.date(), now.time()), amount, encoding);
    const OpenedFile file = openRegularFile(path, O_RDWR | O_APPEND, true);
    if (!file.result.ok())
        return ledgerStatus(file.result, path);
    const int fd = file.handle.fd();
    struct stat st {}; // as it is once another window's rewrite is done
    if (const FileResult locked = lockFile(fd, F_WRLCK); !locked.ok())
        return ledgerStatus(locked, path);
    if (::fstat(fd, &st) != 0)
        return ledgerStatus({ FileFailure::Read, errno }, path);
    if (st.st_size > MaxLedgerBytes) // not a ledger: never written to
        return ledgerStatus({ FileFailure::TooLarge, 0 }, path);
    const off_t size = st.st_size;
    if (size > 0) {
        char tail[3] = {};
        const off_t from = std::max<off_t>(0, size - 3);
        if (retried([&] { return ::pread(fd, tail, std::size_t(size - from), from); }) != size - from)
            return ledgerStatus({ FileFailure::Read, errno }, path);
        // A last line without its end gets one; a byte-order mark alone is no line.
        if (tail[size - from - 1] != '\n' && !(size == 3 && QByteArrayView(tail, 3) == Utf8Bom))
            bytes.prepend("\r\n");
    }
    const bool asSeen = seen && seen->sameInode(st);
    if (const FileResult written = writeAllBytes(fd, bytes); !written.ok()) {
        (void)::ftruncate(fd, size); // never leave a partial line behind
        return ledgerStatus(written, path);
    }
    if (::fdatasync(fd) != 0)
        return ledgerStatus({ FileFailure::Flush, errno }, path);
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

LedgerStatus RewriteLedger(const QString &path, const LedgerEntries &entries,
                           const QList<UnreadLines> &keep, LedgerEncoding encoding,
                           const FileStamp *expected)
{
    const auto bytes = ledgerFileBytes(entries, keep, encoding);
    if (!bytes)
        return ledgerStatus({ FileFailure::Encode, 0 }, path);
    return rewriteThroughJournal(path, *bytes, expected);
}

LedgerStatus EmptyLedger(const QString &path, const FileStamp *expected)
{
    return rewriteThroughJournal(path, {}, expected);
}

LedgerUndo PlanLedgerUndo(const QString &path)
{
    LedgerUndo plan;
    QByteArray ledger, recovery;
    FileResult read = readWhole(path, ledger, &plan.stamp);
    if (!read.ok()) {
        plan.status = ledgerStatus(read, path);
        return plan;
    }
    const QString backup = ledgerBackupPath(path);
    read = readWhole(backup, recovery, nullptr);
    if (!read.ok() && !(read.failure == FileFailure::Open && read.error == ENOENT))
        plan.status = ledgerStatus(read, backup);
    if (!read.ok())
        return plan;
    RecoveryMerge merge = mergeRecoveryPoint(recovery, ledger);
    if (merge.tooLarge || merge.unwritable) {
        plan.status = ledgerStatus({ merge.tooLarge ? FileFailure::TooLarge : FileFailure::Encode, 0 },
                             merge.tooLarge ? backup : path);
        return plan;
    }
    plan.restored = std::move(merge.restored);
    plan.restoredAt = merge.restoredAt;
    plan.unreadable = merge.unreadable;
    plan.beyondLimits = merge.beyondLimits;
    plan.merged = std::move(merge.merged);
    return plan;
}

LedgerStatus UndoLedger(const QString &path, const LedgerUndo &plan)
{
    return rewriteThroughJournal(path, plan.merged, &plan.stamp);
}
