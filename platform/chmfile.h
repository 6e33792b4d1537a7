// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
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

private:
    ChmFile() = default;
    bool parse(const QByteArray &output);
    void readSystemFile();

    QHash<QString, QByteArray> m_objects;
    QString m_defaultTopic;
    QString m_title;
};
