// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;

// The program's compiled HTML Help viewer, built on chmlib: each help file opens in a help
// window of its own, owned by the owner window, so that it stays above it and closes with it.
class HelpViewer : public QObject
{
    Q_OBJECT

public:
    explicit HelpViewer(QWidget *owner, QStringList searchPath = defaultSearchPath());
    ~HelpViewer() override;

    // Where a bare file name is looked for, in order: the current directory, the program's own
    // directory, and the directory the program's data is installed in.
    static QStringList defaultSearchPath();

    // Opens `fileName` at its default topic, or raises its window when it is already open.
    // A file that cannot be found or read is reported to the user in a message box.
    void displayTopic(const QString &fileName);
    // Closes every help window this viewer opened.
    void closeAll();

    // The help windows open now.
    QList<QWidget *> windows() const;

private:
    QString locate(const QString &fileName) const;

    QWidget *m_owner;
    QStringList m_searchPath;
    QHash<QString, QPointer<QWidget>> m_windows; // by the help file's canonical path
};
