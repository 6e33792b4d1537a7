// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QProcess;
#include <optional>

// A compiled HTML Help file: its pages, pictures and style sheets, its title and its default
// topic. chmlib reads it in a separate process (porunka-chmreader), so a damaged or hostile
// file that crashes or hangs chmlib costs that process only; what comes back is checked again.
// Files are read when asked for, each within bounds of size and time, so a help file of any size
// opens at once. Used from one thread; another thread reads through another().
class ChmFile
{
public:
    ~ChmFile();

    // nullptr when the file cannot be opened or its list of files cannot be read.
    static std::unique_ptr<ChmFile> open(const QString &path);
    // A file from all its files at once, as "PORUNKA-CHM 1\n" and then each one's 4-byte path
    // length, path, 8-byte length and data; nullptr when that is incomplete or damaged.
    static std::unique_ptr<ChmFile> fromReaderOutput(const QByteArray &output);
    // The same file, for another thread; nullptr when it can no longer be opened.
    std::unique_ptr<ChmFile> another() const;

    // The reader program: by default beside this program, or where it is installed.
    static void setReaderPath(const QString &path);
    static QString readerPath();

    // The contents of `objectPath` ("/index.html", "\\Index.HTML"); nullopt when it is not in
    // the file or cannot be read.
    std::optional<QByteArray> read(const QString &objectPath) const;
    // Each of `paths` in turn, as read() reads it (empty where it cannot be read), handed to `use`
    // until that returns false; faster than one read() after another.
    void readEach(const QStringList &paths, const std::function<bool(const QString &, const QByteArray &)> &use) const;
    // The paths of its pages (.htm, .html), sorted.
    QStringList pages() const;
    // The paths of the ordinary files inside, sorted.
    QStringList files() const;

    // The page the help opens at: the file's own default topic, else /index.html, else its first
    // page; empty when it holds no page at all.
    QString defaultTopic() const { return m_defaultTopic; }
    QString title() const { return m_title; }
    // The contents (.hhc) and index (.hhk) sitemaps the file names, or the first it holds; empty
    // when it has none.
    QString contentsFile() const { return m_contents; }
    QString indexFile() const { return m_index; }
    // The place its author gave the help window (its default window definition), in screen
    // pixels; null when it gives none.
    QRect windowRect() const { return m_windowRect; }

    // A text of the file in its own character set: `declared` when valid, else UTF-8 when the
    // bytes are UTF-8, else the code page of the file's language.
    QString decode(QByteArrayView bytes, const QByteArray &declared = {}) const;
    // A page: in the character set its <meta> declares, else as decode() reads it.
    QString decodePage(const QByteArray &bytes) const;

private:
    struct Object
    {
        QByteArray name; // as the file writes it
        quint64 length = 0;
    };

    ChmFile() = default;
    ChmFile(const ChmFile &) = default;
    // Starts the reader and reads its list of files into `listing`, or checks it is the same.
    bool startReader(QHash<QString, Object> *listing = nullptr) const;
    bool stopReader() const;
    bool receive(qint64 size, const QDeadlineTimer &deadline, QByteArray &into) const;
    bool parse(const QByteArray &output);
    QString listedKey(const QString &objectPath) const; // empty when not in the file
    void finishOpening();
    void readSystemFile();
    void nameInCodePage();
    void readWindowDefinition(const QByteArray &name);

    QString m_path; // empty when every file is in m_objects
    QHash<QString, Object> m_listed;
    QHash<QString, QString> m_byLowerCase; // the keys of m_listed
    QHash<QString, QByteArray> m_objects;
    mutable std::shared_ptr<QProcess> m_reader;
    QString m_defaultTopic;
    QString m_title;
    QString m_contents;
    QString m_index;
    QRect m_windowRect;
    quint32 m_language = 0; // its LCID
};
