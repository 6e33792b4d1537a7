// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "singlewindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Through the C library rather than QtNetwork, which with the nine libraries it brings would be
// loaded and relocated at every start for this one small socket.

namespace {

constexpr int WaitMs = 2000;
// A window that has not answered in this long is not coming: its program hangs or is stopped.
constexpr int AnswerMs = 1000;

bool peerIsThisUser(int fd)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

// A socket watched for what it can read, closed with its watcher.
class WatchedSocket final : public QSocketNotifier
{
public:
    WatchedSocket(int fd, QObject *parent) : QSocketNotifier(fd, QSocketNotifier::Read, parent) { }
    ~WatchedSocket() override { ::close(int(socket())); }
};

// A stream socket of this process's own, closed on exec; -1 when none can be made.
int newSocket(int flags = 0)
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
}

} // namespace

SingleWindow::SingleWindow(const QString &ledgerPath, QObject *parent) : QObject(parent)
{
    const QFileInfo ledger(ledgerPath);
    const QString folder = QDir(ledger.absolutePath()).canonicalPath();
    const QByteArray key = QFile::encodeName(folder + u'/' + ledger.fileName());
    m_name = "porunka-" + QByteArray::number(::getuid()) + '-'
            + QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
}

bool SingleWindow::claim()
{
    // The name's address in the abstract namespace: a zero byte, then the name, no terminator.
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::size_t size = std::min(std::size_t(m_name.size()), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, m_name.constData(), size);
    const auto *at = reinterpret_cast<const sockaddr *>(&address);
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size);
    // Twice: the holder may end between a failed listen and the connection.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (const int fd = newSocket(SOCK_NONBLOCK); fd >= 0) {
            if (::bind(fd, at, length) == 0 && ::listen(fd, 8) == 0) {
                auto *listening = new WatchedSocket(fd, this);
                connect(listening, &QSocketNotifier::activated, this, [this, fd] { answer(fd); });
                return true;
            }
            ::close(fd);
        }
        const int holder = newSocket();
        if (holder < 0)
            return true;
        WatchedSocket answers(holder, nullptr);
        const timeval wait { WaitMs / 1000, 0 }; // a connection waits while the holder's queue is full
        if (::setsockopt(holder, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait) != 0 || ::connect(holder, at, length) != 0)
            continue;
        if (!peerIsThisUser(holder))
            return true;
        if (::send(holder, "front\n", 6, MSG_NOSIGNAL) != 6)
            continue;
        // Waited for in an event loop, so that a window of this same process can answer too.
        QEventLoop answered;
        QByteArray answer;
        connect(&answers, &QSocketNotifier::activated, &answered, [&] {
            char bytes[16];
            const ssize_t got = ::recv(holder, bytes, sizeof bytes, MSG_DONTWAIT);
            if (got > 0)
                answer.append(bytes, got);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR) || answer.contains('\n'))
                answered.quit();
        });
        QTimer::singleShot(AnswerMs, &answered, &QEventLoop::quit);
        answered.exec(QEventLoop::ExcludeUserInputEvents);
        // Without an answer this program opens a window of its own: a second window on the file
        // is safe, as every write checks the file is still what its window read.
        return answer != "ok\n";
    }
    return true;
}

void SingleWindow::answer(int listening)
{
    for (int caller; (caller = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;) {
        auto *call = new WatchedSocket(caller, this);
        if (!peerIsThisUser(caller) || ::send(caller, "ok\n", 3, MSG_NOSIGNAL) != 3) {
            delete call;
            continue;
        }
        // Kept open until the caller has read the answer and hung up: closed at once, the caller's
        // request could meet a closed socket and the answer be lost with it.
        connect(call, &QSocketNotifier::activated, call, [call, caller] {
            char request[16];
            const ssize_t got = ::recv(caller, request, sizeof request, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
                call->setEnabled(false);
                call->deleteLater();
            }
        });
        emit activationRequested();
    }
}
