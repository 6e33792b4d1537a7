// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileaccess.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

FileResult failure(FileFailure kind, int error = 0)
{
    return { kind, error };
}

WriteStepHook stepHook = nullptr;

bool folderAnyoneMayWrite(const QString &path, struct stat &folder)
{
    return ::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder) == 0
            ? (folder.st_mode & S_IWOTH) != 0 : true;
}

bool linkMayBeFollowed(const QString &path, const struct stat &link)
{
    return ownerTrusted(path, link.st_uid, ::geteuid());
}

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

void setWriteStepHook(WriteStepHook hook)
{
    stepHook = hook;
}

bool stepFails(WriteStep step)
{
    if (!stepHook || !stepHook(step))
        return false;
    errno = EIO;
    return true;
}

bool ownerTrusted(const QString &path, uid_t owner, uid_t alsoTrusted)
{
    struct stat folder {};
    if (!folderAnyoneMayWrite(path, folder))
        return true;
    return owner == ::geteuid() || owner == alsoTrusted || owner == folder.st_uid;
}

void syncFolderOf(const QString &path)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const FileHandle folder(::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isOpen() && !stepFails(WriteStep::SyncFolder))
        ::fsync(folder.fd());
}

void giveAttributesOf(int fd, const struct stat &like)
{
    // Root writing for another user leaves it theirs; anyone else keeps what they may.
    if (::fchown(fd, like.st_uid, like.st_gid) != 0)
        (void)::fchown(fd, uid_t(-1), like.st_gid);
    (void)::fchmod(fd, like.st_mode & 07777);
}

FileResult overwriteInPlace(int fd, QByteArrayView bytes)
{
    if (stepFails(WriteStep::TruncateLedger) || retried([&] { return ::ftruncate(fd, off_t(bytes.size())); }) != 0)
        return failure(FileFailure::Write, errno);
    if (stepFails(WriteStep::WriteLedger))
        return failure(FileFailure::Write, errno);
    if (const FileResult written = writeAllBytes(fd, bytes, 0); !written.ok())
        return written;
    if (stepFails(WriteStep::SyncLedger) || ::fdatasync(fd) != 0)
        return failure(FileFailure::Flush, errno);
    return {};
}

FileResult lockFile(int fd, short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    for (int waited = 0;; waited += 5) {
        if (::fcntl(fd, F_OFD_SETLK, &lock) == 0)
            return {};
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            return {}; // no locks here (ENOLCK, EINVAL): nothing to wait for
        if (waited >= 2000)
            return failure(FileFailure::Open, EAGAIN);
        ::usleep(5000);
    }
}

FileResult linkNewFile(const QString &path, QByteArrayView bytes, const struct stat &like)
{
    const QFileInfo info(path);
    const QByteArray name = QFile::encodeName(path);
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    if (stepFails(WriteStep::OpenJournal))
        return failure(FileFailure::Open, errno);
    const bool unnamed = !stepFails(WriteStep::UnnamedFile); // a test's way to the other road
    FileHandle file(unnamed ? ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1);
    // Where the file system has no unnamed files (NFS, FAT), a name nobody would choose that says
    // which process made it, removed on failure; one a killed process left is removed by the next
    // load (removeLeftTemporaryFiles).
    QByteArray temporary;
    auto removeTemporary = qScopeGuard([&] {
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
    });
    if (!file.isOpen()) {
        if (unnamed && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return failure(FileFailure::Open, errno);
        temporary = dir + '/' + QFile::encodeName(temporaryFilePrefix(path)) + QByteArray::number(::getpid()) + "-XXXXXX";
        file = FileHandle(::mkostemp(temporary.data(), O_CLOEXEC));
        if (!file.isOpen()) {
            temporary.clear();
            return failure(FileFailure::Open, errno);
        }
    }
    if (stepFails(WriteStep::WriteJournal))
        return failure(FileFailure::Write, errno);
    if (const FileResult written = writeAllBytes(file.fd(), bytes, 0); !written.ok())
        return written;
    giveAttributesOf(file.fd(), like);
    if (stepFails(WriteStep::SyncJournal) || ::fdatasync(file.fd()) != 0)
        return failure(FileFailure::Flush, errno);
    if (stepFails(WriteStep::LinkJournal))
        return failure(FileFailure::Commit, errno);
    if (temporary.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(file.fd());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) != 0)
            return failure(FileFailure::Commit, errno);
    } else if (::link(temporary.constData(), name.constData()) != 0) {
        // A file system without hard links: the caller holds the ledger's lock, so nobody else
        // of ours can make the name between this look and the rename.
        struct stat taken {};
        if (errno != EPERM || ::lstat(name.constData(), &taken) == 0)
            return failure(FileFailure::Commit, errno == EPERM ? EEXIST : errno);
        if (::rename(temporary.constData(), name.constData()) != 0)
            return failure(FileFailure::Commit, errno);
        temporary.clear();
    }
    syncFolderOf(path);
    return {};
}

QString temporaryFilePrefix(const QString &path)
{
    return u'.' + QFileInfo(path).fileName() + QStringLiteral(".porunka-");
}

void removeLeftTemporaryFiles(const QString &path)
{
    // Every load passes here: the folder's names are compared as bytes, and only a match is
    // looked at, where QDir's name filter matched a pattern against each name.
    const QByteArray prefix = QFile::encodeName(temporaryFilePrefix(path));
    DIR *const dir = ::opendir(QFile::encodeName(QFileInfo(path).absolutePath()).constData());
    if (!dir)
        return;
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (!name.startsWith(prefix))
            continue;
        // ".<name>.porunka-<pid>-XXXXXX", of this user, whose process is gone.
        const QByteArrayView rest = name.sliced(prefix.size());
        const qsizetype dash = rest.indexOf('-');
        pid_t pid = 0;
        const bool number = dash > 0 && std::from_chars(rest.data(), rest.data() + dash, pid).ptr == rest.data() + dash;
        struct stat st {};
        if (number && pid > 0 && rest.size() == dash + 7
            && ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
            && st.st_uid == ::geteuid() && ::kill(pid, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
}

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
        const ssize_t got = retried([&] { return ::read(fd, out.data() + filled, std::size_t(out.size() - filled)); });
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

FileResult writeAllBytes(int fd, QByteArrayView bytes, off_t at)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = retried([&] {
            return at < 0 ? ::write(fd, bytes.data(), std::size_t(bytes.size()))
                          : ::pwrite(fd, bytes.data(), std::size_t(bytes.size()), at);
        });
        if (written <= 0) // nothing written and no reason given: cut short all the same
            return failure(FileFailure::Write, written < 0 ? errno : 0);
        bytes = bytes.sliced(written);
        at = at < 0 ? at : at + written;
    }
    return {};
}

FileResult stampOf(int fd, FileStamp &stamp)
{
    stamp = {};
    // Streamed through a small buffer: only the digest is kept.
    char piece[16 * 1024];
    for (;;) {
        const ssize_t got = retried([&] { return ::read(fd, piece, sizeof piece); });
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
