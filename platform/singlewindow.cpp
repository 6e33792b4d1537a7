// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "singlewindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int WaitMs = 2000;

bool peerIsThisUser(qintptr descriptor)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
            && peer.uid == ::getuid();
}

} // namespace

SingleWindow::SingleWindow(const QString &ledgerPath, QObject *parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    const QFileInfo ledger(ledgerPath);
    const QString folder = QDir(ledger.absolutePath()).canonicalPath();
    const QByteArray key = QFile::encodeName(folder + u'/' + ledger.fileName());
    m_name = u"porunka-%1-%2"_s.arg(::getuid()).arg(QString::fromLatin1(
            QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex()));
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleWindow::answer);
}

bool SingleWindow::claim()
{
    // Twice: the holder may end between a failed listen and the connection.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_server->listen(m_name))
            return true;
        QLocalSocket holder;
        holder.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        holder.connectToServer(m_name);
        if (!holder.waitForConnected(WaitMs))
            continue;
        if (!peerIsThisUser(holder.socketDescriptor()))
            return true;
        holder.write("front\n");
        holder.waitForBytesWritten(WaitMs);
        return false;
    }
    return true;
}

void SingleWindow::answer()
{
    while (QLocalSocket *caller = m_server->nextPendingConnection()) {
        const bool same = peerIsThisUser(caller->socketDescriptor());
        caller->deleteLater();
        if (same)
            emit activationRequested();
    }
}
