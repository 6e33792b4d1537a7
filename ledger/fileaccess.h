// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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
    HardLinked,  // replacing it would split it from its other names
    NotRegular,  // a pipe, device, socket or folder in its place (EISDIR for a folder)
    TooLarge,    // larger than any ledger can be
    UnsafeLink,  // a link the kernel would not follow for this user in such a folder
    Changed,     // not the file, or not the content, last seen
};

// Larger than any ledger: its most entries take about 1 MB.
inline constexpr qint64 MaxLedgerBytes = 64 * 1024 * 1024;

// A digest of a file's bytes, fed in pieces of any size. Qt's cryptographic hashes cost 2.4 ms
// a megabyte and more at every load; qHashBits over whole blocks costs 0.07 ms.
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

// Opens a regular file without blocking. A symbolic link is followed only where the kernel's
// rule for sticky world-writable folders (fs.protected_symlinks) would follow it for this user,
// whatever that setting is on this machine. With `create`, a missing file is created empty, never
// through a link.
OpenedFile openRegularFile(const QString &path, int flags, bool create = false);

// Every byte of an open regular file, fed to `digest` as it is read, up to MaxLedgerBytes.
FileResult readAllBytes(int fd, QByteArray &out, ContentDigest *digest);

// Writes all of `bytes`, on through short writes.
FileResult writeAllBytes(int fd, QByteArrayView bytes);

// The stamp of an open file, its whole content read and digested, never held.
FileResult stampOf(int fd, FileStamp &stamp);

// Replaces the file at `path` atomically: the bytes go to a new file beside it, which is made
// durable, given the owner, group and mode of `like` (when the program may set them), then
// renamed over it. Whatever stands at `path`, a link included, is replaced, never followed. Before
// the rename, `mustStillBe` (when given) is checked against what `path` holds then.
// Written here rather than with QSaveFile, which follows a link in the file's place and gives a
// new file to whoever runs the program.
FileResult replaceFile(const QString &path, QByteArrayView bytes, const struct stat *like,
                       const FileStamp *mustStillBe = nullptr);

// Where a rewrite of the ledger at `path` goes: the ledger itself, or the file its link names
// when the link may be followed.
QString replacementTarget(const QString &path, FileResult &result);
