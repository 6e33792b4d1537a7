// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerjournal.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

LedgerStatus ledgerStatus(const FileResult &result, const QString &path)
{
    return { result.failure, QFileInfo(path).absoluteFilePath(), result.error };
}

QString ledgerJournalPath(const QString &path)
{
    return path + u"-journal"_s;
}

QString ledgerBackupPath(const QString &path)
{
    return path + u".bak"_s;
}

namespace {

bool removeJournal(const QString &journal)
{
    if (::unlink(QFile::encodeName(journal).constData()) != 0)
        return false;
    syncFolderOf(journal);
    return true;
}

} // namespace

LedgerStatus rewriteThroughJournal(const QString &path, QByteArrayView bytes, const FileStamp *expected)
{
    if (stepFails(WriteStep::OpenLedger))
        return ledgerStatus({ FileFailure::Open, errno }, path);
    const OpenedFile ledger = openRegularFile(path, O_RDWR, !expected);
    if (expected && ledger.result.failure == FileFailure::Open && ledger.result.error == ENOENT)
        return ledgerStatus({ FileFailure::Changed, 0 }, path);
    if (!ledger.result.ok())
        return ledgerStatus(ledger.result, path);
    const int fd = ledger.handle.fd();
    if (stepFails(WriteStep::LockLedger))
        return ledgerStatus({ FileFailure::Open, errno }, path);
    if (const FileResult locked = lockFile(fd, F_WRLCK); !locked.ok())
        return ledgerStatus(locked, path);
    QByteArray before;
    FileStamp now { ledger.st.st_dev, ledger.st.st_ino, {}, {}, {}, true };
    if (stepFails(WriteStep::ReadLedger))
        return ledgerStatus({ FileFailure::Read, errno }, path);
    if (const FileResult read = readAllBytes(fd, before, &now.content); !read.ok())
        return ledgerStatus(read, path);
    if (expected && !now.sameContent(*expected))
        return ledgerStatus({ FileFailure::Changed, 0 }, path);

    const QString journal = ledgerJournalPath(path);
    const QString backup = ledgerBackupPath(path);
    if (const FileResult made = linkNewFile(journal, before, ledger.st); !made.ok()) {
        LedgerStatus status = ledgerStatus(made, journal);
        status.atRecoveryPoint = true;
        return status;
    }
    // From here on every failure puts the old bytes back and removes the journal; when even that
    // fails, the journal stays for the next load to write back.
    const auto giveUp = [&](const FileResult &why, const QString &on, bool touched) {
        LedgerStatus status = ledgerStatus(why, on);
        status.atRecoveryPoint = on != path;
        if (!touched || overwriteInPlace(fd, before).ok())
            removeJournal(journal);
        return status;
    };
    // Another program appended while the journal was made: its line stays, nothing is rewritten.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size != before.size())
        return giveUp({ FileFailure::Changed, 0 }, path, false);
    if (const FileResult written = overwriteInPlace(fd, bytes); !written.ok())
        return giveUp(written, path, true);

    // The commit. An empty ledger never replaces a recovery point that holds something, so that
    // clearing twice keeps the deposits of the first.
    struct stat old {};
    const bool keepOld = before.isEmpty() && ::lstat(QFile::encodeName(backup).constData(), &old) == 0
            && S_ISREG(old.st_mode) && old.st_size > 0;
    const bool committed = !stepFails(WriteStep::Commit)
            && (keepOld ? ::unlink(QFile::encodeName(journal).constData())
                        : ::rename(QFile::encodeName(journal).constData(), QFile::encodeName(backup).constData()))
                    == 0;
    if (!committed)
        return giveUp({ FileFailure::Commit, errno }, keepOld ? journal : backup, true);
    syncFolderOf(path);
    return {};
}

LedgerStatus rollBackUnfinishedRewrite(const QString &path, bool *rolledBack)
{
    const QString journal = ledgerJournalPath(path);
    const QByteArray name = QFile::encodeName(journal);
    struct stat found {}, ledgerSt {};
    if (::lstat(name.constData(), &found) != 0)
        return {}; // the everyday case: no rewrite was interrupted
    const uid_t ledgerOwner = ::stat(QFile::encodeName(path).constData(), &ledgerSt) == 0 ? ledgerSt.st_uid : ::geteuid();
    // Only a journal this program can have made is written back: one of a user trusted here.
    if (!ownerTrusted(path, found.st_uid, ledgerOwner))
        return {};
    const auto interrupted = [&](int error) {
        return ledgerStatus({ FileFailure::Interrupted, error }, journal);
    };
    const OpenedFile ledger = openRegularFile(path, O_RDWR, true);
    if (!ledger.result.ok())
        return ledger.result.failure == FileFailure::Open ? interrupted(ledger.result.error)
                                                          : ledgerStatus(ledger.result, path);
    // Another window's rewrite holds the lock while its journal is live; it is not ours to undo.
    if (const FileResult locked = lockFile(ledger.handle.fd(), F_WRLCK); !locked.ok())
        return interrupted(locked.error);
    const FileHandle file(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!file.isOpen() || ::fstat(file.fd(), &st) != 0 || st.st_ino != found.st_ino || st.st_dev != found.st_dev)
        return {}; // finished by its own window meanwhile, or a link
    if (!S_ISREG(st.st_mode) || st.st_nlink != 1)
        return {}; // a plain file of one name, as the program makes it
    QByteArray bytes;
    if (const FileResult read = readAllBytes(file.fd(), bytes, nullptr); !read.ok())
        return interrupted(read.error);
    if (const FileResult written = overwriteInPlace(ledger.handle.fd(), bytes); !written.ok())
        return interrupted(written.error);
    if (rolledBack)
        *rolledBack = true;
    return removeJournal(journal) ? LedgerStatus {} : interrupted(errno);
}
