// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// A compiled HTML Help file: its pages, pictures and style sheets, its title and its default
// topic. chmlib reads it in a separate process (porunka-chmreader), so a damaged or hostile
// file that crashes or hangs chmlib costs that process only; what comes back is checked again.
class ChmFile
{
public:
    // nullptr when the file cannot be opened or read whole.
    static std::unique_ptr<ChmFile> open(const QString &path);

    // The file the reader program wrote out; nullptr when that is incomplete or damaged.
    static std::unique_ptr<ChmFile> fromReaderOutput(const QByteArray &output);

    // The reader program: by default beside this program, or where it is installed.
    static void setReaderPath(const QString &path);
    static QString readerPath();

    // The contents of `objectPath` ("/index.html"); nullopt when it is not in the file.
    std::optional<QByteArray> read(const QString &objectPath) const;
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

private:
    ChmFile() = default;
    bool parse(const QByteArray &output);
    void readSystemFile();
    void readWindowDefinition(const QByteArray &name);

    QHash<QString, QByteArray> m_objects;
    QString m_defaultTopic;
    QString m_title;
    QString m_contents;
    QString m_index;
    QRect m_windowRect;
    quint32 m_language = 0; // its LCID
};
