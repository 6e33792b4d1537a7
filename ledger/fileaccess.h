// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cerrno>
#include <utility>

#include <sys/stat.h>

// The file operations beneath the ledger. The folder it lives in may be shared with other
// programs and other users, so nothing here blocks, reads without bound, writes through a link
// it should not follow, or hands a user's file to someone else.

// Why a file operation failed. `error` is the system's errno, 0 where the failure is the
// program's own judgement.
enum class FileFailure {
    None,
    Open,
    Read,
    Write,
    Flush,
    Commit,
    Encode,      // a text the file's character set cannot hold
    NotRegular,  // a pipe, device, socket or folder in its place (EISDIR for a folder)
    TooLarge,    // larger than any ledger can be
    UnsafeLink,  // a link the kernel would not follow for this user in such a folder
    Changed,     // not the file, or not the content, last seen
    Interrupted, // a rewrite stopped half way and its journal could not be put back yet
};

// The steps of writing the ledger, in the order a rewrite takes them. A test may make any one
// fail, or end the process there, through the hook below; the program never sets it.
enum class WriteStep {
    OpenLedger,
    LockLedger,
    ReadLedger,
    OpenJournal,
    UnnamedFile, // failing: as on a file system without unnamed temporary files
    WriteJournal,
    SyncJournal,
    LinkJournal,
    SyncFolder,
    TruncateLedger,
    WriteLedger,
    SyncLedger,
    Commit,
};
// Returns true to make the step fail with EIO.
using WriteStepHook = bool (*)(WriteStep);
void setWriteStepHook(WriteStepHook hook);
// Whether the hook makes this step fail; errno is EIO then.
bool stepFails(WriteStep step);

// Larger than any ledger: its most entries take about 1 MB.
inline constexpr qint64 MaxLedgerBytes = 64 * 1024 * 1024;

// A digest of a file's bytes, fed in pieces of any size: qHashBits over whole blocks, some thirty
// times cheaper at every load than Qt's cryptographic hashes (README, figures behind the code).
class ContentDigest
{
public:
    void add(QByteArrayView bytes);
    qint64 length() const { return m_length; }

    friend bool operator==(const ContentDigest &, const ContentDigest &) = default;

private:
    static constexpr qsizetype Block = 4096;
    size_t m_hash = 0;
    qint64 m_length = 0;
    QByteArray m_partial; // the bytes after the last whole block
};

// Which file a path named, and what it held, when the program last read or wrote it.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified {};
    timespec changed {};
    ContentDigest content;
    bool valid = false;

    // The same file holding the same bytes.
    bool sameContent(const FileStamp &other) const
    {
        return valid && other.valid && device == other.device && inode == other.inode
                && content == other.content;
    }
    // Cheap: nobody has written to it since, as far as its inode tells.
    bool sameInode(const struct stat &st) const;
};

// An open file descriptor, closed when it goes.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : m_fd(fd) { }
    FileHandle(FileHandle &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) { }
    FileHandle &operator=(FileHandle &&other) noexcept;
    ~FileHandle();

    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

struct FileResult
{
    FileFailure failure = FileFailure::None;
    int error = 0;

    bool ok() const { return failure == FileFailure::None; }
};

struct OpenedFile
{
    FileHandle handle;
    struct stat st {};
    FileResult result;
    bool created = false;
};

// Opens a regular file without blocking. In a folder anyone may write to, sticky or not, a
// symbolic link is followed only when it is this user's own or the folder owner's (the kernel's
// fs.protected_symlinks rule, whatever that setting is on this machine). With `create`, a missing
// file is created empty, never through a link.
OpenedFile openRegularFile(const QString &path, int flags, bool create = false);

// Every byte of an open regular file, fed to `digest` as it is read, up to MaxLedgerBytes.
FileResult readAllBytes(int fd, QByteArray &out, ContentDigest *digest);

// Writes all of `bytes`, on through short writes: at the file offset, or from `at`.
FileResult writeAllBytes(int fd, QByteArrayView bytes, off_t at = -1);

// A system call retried while a signal interrupts it.
template<typename Call>
auto retried(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

// The stamp of an open file, its whole content read and digested, never held.
FileResult stampOf(int fd, FileStamp &stamp);

// Writes all of `bytes` at the start of the open file and cuts it to their length, durably, so
// that the file keeps its inode: its other names, owner, mode, ACL, extended attributes and the
// descriptors others hold. Shortened first, so that a line another program appends meanwhile
// lands after the new bytes instead of being cut off.
FileResult overwriteInPlace(int fd, QByteArrayView bytes);

// Waits up to two seconds for an advisory lock on the whole file (F_WRLCK or F_RDLCK), held by
// this descriptor until it is closed; other windows of the program take it around every write and
// read. A file system without locks is no failure.
FileResult lockFile(int fd, short type);

// Whether a file in `path`'s folder owned by `owner` may be trusted as this user's own: always,
// unless the folder is one anyone may write to; there, only the user's own, the folder owner's,
// or the ledger owner's (`alsoTrusted`).
bool ownerTrusted(const QString &path, uid_t owner, uid_t alsoTrusted);

// Makes the folder's entries durable; a folder that cannot be synced is no failure.
void syncFolderOf(const QString &path);

// The owner, group and mode of `like` given to an open file, where the program may set them.
void giveAttributesOf(int fd, const struct stat &like);

// A file holding exactly `bytes` linked in at `path`, which must not exist, and only once it is
// whole and durable: an unnamed temporary file where the file system has them, so that nothing
// half written ever carries a name.
FileResult linkNewFile(const QString &path, QByteArrayView bytes, const struct stat &like);

// Where a file system without unnamed files has linkNewFile write instead: a hidden name beside
// `path` that no person would choose, followed by the writing process's id and six characters.
QString temporaryFilePrefix(const QString &path);
// Removes the files under that name that this user's processes left when they were killed, and
// nothing else: not another user's, not one whose process still runs.
void removeLeftTemporaryFiles(const QString &path);
