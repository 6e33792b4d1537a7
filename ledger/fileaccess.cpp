// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileaccess.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

FileResult failure(FileFailure kind, int error = 0)
{
    return { kind, error };
}

// The kernel's rule for following a link in a sticky world-writable folder: only a link of the
// follower's own or of the folder's owner.
bool linkMayBeFollowed(const QString &path, const struct stat &link)
{
    struct stat folder {};
    if (::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder) != 0)
        return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void syncDirectoryOf(const QString &path)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // the file itself is already safe; a directory that cannot be synced is no error
        ::close(fd);
    }
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void ContentDigest::add(QByteArrayView bytes)
{
    m_length += bytes.size();
    if (!m_partial.isEmpty()) {
        const qsizetype take = std::min(Block - m_partial.size(), bytes.size());
        m_partial.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (m_partial.size() < Block)
            return;
        m_hash = qHashBits(m_partial.constData(), Block, m_hash);
        m_partial.clear();
    }
    for (; bytes.size() >= Block; bytes = bytes.sliced(Block))
        m_hash = qHashBits(bytes.data(), Block, m_hash);
    m_partial.append(bytes);
}

bool FileStamp::sameInode(const struct stat &st) const
{
    return valid && st.st_dev == device && st.st_ino == inode && st.st_size == content.length()
            && sameTime(st.st_mtim, modified) && sameTime(st.st_ctim, changed);
}

FileHandle &FileHandle::operator=(FileHandle &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileHandle::~FileHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

OpenedFile openRegularFile(const QString &path, int flags, bool create)
{
    OpenedFile opened;
    const QByteArray name = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0) {
        if (errno != ENOENT || !create) {
            opened.result = failure(FileFailure::Open, errno);
            return opened;
        }
        opened.handle = FileHandle(::open(name.constData(),
                                          flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!opened.handle.isOpen() || ::fstat(opened.handle.fd(), &opened.st) != 0)
            opened.result = failure(FileFailure::Open, errno);
        opened.created = opened.result.ok();
        return opened;
    }
    const bool isLink = S_ISLNK(link.st_mode);
    if (isLink && !linkMayBeFollowed(path, link)) {
        opened.result = failure(FileFailure::UnsafeLink);
        return opened;
    }
    // Looked at before opening: opening a pipe blocks, a socket fails, a device may do anything.
    struct stat target {};
    if (::stat(name.constData(), &target) != 0) {
        opened.result = failure(FileFailure::Open, errno);
        return opened;
    }
    if (!S_ISREG(target.st_mode)) {
        opened.result = failure(FileFailure::NotRegular, S_ISDIR(target.st_mode) ? EISDIR : 0);
        return opened;
    }
    opened.handle = FileHandle(::open(name.constData(),
                                      flags | O_NONBLOCK | O_CLOEXEC | (isLink ? 0 : O_NOFOLLOW)));
    if (!opened.handle.isOpen() || ::fstat(opened.handle.fd(), &opened.st) != 0) {
        opened.result = failure(FileFailure::Open, errno);
        return opened;
    }
    if (!S_ISREG(opened.st.st_mode)) // swapped for something else since it was looked at
        opened.result = failure(FileFailure::NotRegular);
    return opened;
}

FileResult readAllBytes(int fd, QByteArray &out, ContentDigest *digest)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return failure(FileFailure::Read, errno);
    if (st.st_size > MaxLedgerBytes)
        return failure(FileFailure::TooLarge);
    out.resize(qsizetype(st.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == out.size()) {
            if (out.size() > MaxLedgerBytes)
                return failure(FileFailure::TooLarge); // it grew while being read
            out.resize(std::min<qsizetype>(out.size() * 2, MaxLedgerBytes + 1));
        }
        const ssize_t got = ::read(fd, out.data() + filled, std::size_t(out.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failure(FileFailure::Read, errno);
        if (got == 0)
            break;
        if (digest)
            digest->add(QByteArrayView(out.data() + filled, got));
        filled += got;
    }
    out.truncate(filled);
    return {};
}

FileResult writeAllBytes(int fd, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), std::size_t(bytes.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) // nothing written and no reason given: cut short all the same
            return failure(FileFailure::Write, written < 0 ? errno : 0);
        bytes = bytes.sliced(written);
    }
    return {};
}

FileResult stampOf(int fd, FileStamp &stamp)
{
    stamp = {};
    // Streamed through a small buffer: only the digest is kept.
    char piece[16 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, piece, sizeof piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failure(FileFailure::Read, errno);
        if (got == 0)
            break;
        if (stamp.content.length() + got > MaxLedgerBytes)
            return failure(FileFailure::TooLarge);
        stamp.content.add(QByteArrayView(piece, got));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return failure(FileFailure::Read, errno);
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.modified = st.st_mtim;
    stamp.changed = st.st_ctim;
    stamp.valid = true;
    return {};
}

QString replacementTarget(const QString &path, FileResult &result)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    if (!linkMayBeFollowed(path, link)) {
        result = failure(FileFailure::UnsafeLink);
        return path;
    }
    char *resolved = ::realpath(name.constData(), nullptr);
    if (!resolved) {
        result = failure(FileFailure::Open, errno);
        return path;
    }
    const QString target = QFile::decodeName(resolved);
    std::free(resolved);
    return target;
}

FileResult replaceFile(const QString &path, QByteArrayView bytes, const struct stat *like,
                       const FileStamp *mustStillBe)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat current {};
    if (::lstat(name.constData(), &current) == 0) {
        if (S_ISREG(current.st_mode)) {
            // A rename would give this name a new file and leave the other names with the old.
            if (current.st_nlink > 1)
                return failure(FileFailure::HardLinked);
            // A file its user made read-only stays as it is.
            if (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0)
                return failure(FileFailure::Open, errno);
        } else if (!S_ISLNK(current.st_mode)) {
            return failure(FileFailure::NotRegular, S_ISDIR(current.st_mode) ? EISDIR : 0);
        }
    }
    // mkostemp creates with O_EXCL: never through a link planted under the new name.
    QByteArray temporary = name + ".XXXXXX";
    const FileHandle file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.isOpen())
        return failure(FileFailure::Open, errno);
    auto removeTemporary = qScopeGuard([&] { ::unlink(temporary.constData()); });
    if (const FileResult written = writeAllBytes(file.fd(), bytes); !written.ok())
        return written;
    if (like) {
        // Root rewriting another user's ledger leaves it theirs; anyone else keeps what they may.
        if (::fchown(file.fd(), like->st_uid, like->st_gid) != 0)
            (void)::fchown(file.fd(), uid_t(-1), like->st_gid);
        (void)::fchmod(file.fd(), like->st_mode & 07777);
    } else {
        (void)::fchmod(file.fd(), newFileMode());
    }
    if (::fdatasync(file.fd()) != 0)
        return failure(FileFailure::Flush, errno);
    if (mustStillBe) {
        const FileHandle now(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        FileStamp stamp;
        struct stat st {};
        if (!now.isOpen() || ::fstat(now.fd(), &st) != 0 || !S_ISREG(st.st_mode)
            || !stampOf(now.fd(), stamp).ok() || !stamp.sameContent(*mustStillBe))
            return failure(FileFailure::Changed);
    }
    if (::rename(temporary.constData(), name.constData()) != 0)
        return failure(FileFailure::Commit, errno);
    removeTemporary.dismiss();
    syncDirectoryOf(path);
    return {};
}
