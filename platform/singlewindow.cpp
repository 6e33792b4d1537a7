// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "singlewindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int WaitMs = 2000;
// A window that has not answered in this long is not coming: its program hangs or is stopped.
constexpr int AnswerMs = 1000;

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
        holder.flush();
        // Waited for in an event loop, so that a window of this same process can answer too.
        QEventLoop answered;
        connect(&holder, &QLocalSocket::readyRead, &answered, &QEventLoop::quit);
        connect(&holder, &QLocalSocket::disconnected, &answered, &QEventLoop::quit);
        QTimer::singleShot(AnswerMs, &answered, &QEventLoop::quit);
        if (!holder.canReadLine())
            answered.exec(QEventLoop::ExcludeUserInputEvents);
        // Without an answer this program opens a window of its own: a second window on the file
        // is safe, as every write checks the file is still what its window read.
        return holder.readLine() != "ok\n";
    }
    return true;
}

void SingleWindow::answer()
{
    while (QLocalSocket *caller = m_server->nextPendingConnection()) {
        if (!peerIsThisUser(caller->socketDescriptor())) {
            caller->deleteLater();
            continue;
        }
        // Kept open until the caller has read the answer and hung up: closed at once, the caller's
        // request could meet a closed socket and the answer be lost with it.
        connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        caller->write("ok\n");
        caller->flush();
        emit activationRequested();
    }
}
