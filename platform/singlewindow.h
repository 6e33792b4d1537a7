// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// One window per ledger. The program that has a ledger's window answers to a name made from the
// user and the ledger's full path; a program started later on the same ledger asks it to come to
// the front instead of opening a second window on the file. The name is a socket in the kernel's
// abstract namespace, which is freed when its process ends however it ends, so there is never a
// stale lock to wait on or clear.
class SingleWindow : public QObject
{
    Q_OBJECT

public:
    explicit SingleWindow(const QString &ledgerPath, QObject *parent = nullptr);

    // True when this program is to show the ledger's window: the name was free, or is held by
    // another user's program (then the check before every rewrite still protects the file).
    // False when a program of this user has the window and answered the request to come to the
    // front; true again when it does not answer within a second.
    bool claim();

signals:
    void activationRequested();

private:
    void answer(int listening);

    QByteArray m_name;
};
