// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerfixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

// Slower under the sanitizers, and their shadow memory counts as resident.
constexpr bool Sanitized = PORUNKA_SANITIZED;

using namespace Qt::Literals::StringLiterals;

// Faults injected for real: permissions and another user (as nobody, when the tests run as root),
// hostile things in the ledger's place, a write cut short, links, a process killed at random
// instants, and the real program started twice. The core's operations run in a
// child process of this one, so that it can be another user, hit a file size limit or be killed.
class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void permissions_data();
    void permissions();
    void hostileThingsInTheLedgersPlace_data();
    void hostileThingsInTheLedgersPlace();
    void linksPlantedByAnotherUser_data();
    void linksPlantedByAnotherUser();
    void aWriteCutShortLeavesTheFileAsItWas();
    void aRewriteKeepsWhatTheFileIs();
    void killedAtAnyInstantLeavesAWholeLedger();
    void theProgramStartedTwiceOpensOneWindow();
};

namespace {

const QByteArray Two = line("2026年12月01日", "12:00:00", "100") + line("2026年12月02日", "12:00:00", "200");
constexpr uid_t Nobody = 65534;
const QDateTime At(QDate(2026, 12, 6), QTime(12, 0));

QString outcome(const LedgerStatus &status)
{
    return status.ok() ? u"ok"_s : u"failed %1 %2"_s.arg(int(status.failure)).arg(status.error);
}

LedgerStatus dropFirst(const QString &path)
{
    LedgerLoad load = LoadLedger(path);
    if (!load.status.ok())
        return load.status;
    load.entries.removeAt(0);
    return RewriteLedger(path, load.entries, load.unread, load.encoding);
}

// One operation of the core, as the window would make it: "ok", "failed FAILURE ERRNO", or for a
// load "entries N unread M" or the failure, then "rss KB" (peak resident memory).
QString operate(const QString &operation, const QString &path)
{
    if (operation == u"load") {
        const LedgerLoad load = LoadLedger(path);
        rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        return (load.status.ok() ? u"entries %1 unread %2"_s.arg(load.entries.size()).arg(load.unread.size()) : outcome(load.status))
                + u" rss %1"_s.arg(usage.ru_maxrss);
    }
    if (operation == u"append")
        return outcome(AppendLedgerEntry(path, Money::fromYen(300), At));
    if (operation == u"drop-first")
        return outcome(dropFirst(path));
    if (operation == u"empty")
        return outcome(EmptyLedger(path));
    if (operation == u"undo")
        return outcome(UndoLedger(path, PlanLedgerUndo(path)));
    return outcome(BackUpLedger(path));
}

struct Child
{
    QString output; // empty when it did not end within ten seconds
    qint64 milliseconds = 0;
};

// Runs `work` in a child process: as nobody when `unprivileged` and the tests run as root, and
// under a file size limit when `fileLimit` is not 0 (a write past it fails, as the program
// sees it, instead of killing the process).
Child inChild(const std::function<QString()> &work, bool unprivileged = false, rlim_t fileLimit = 0)
{
    QElapsedTimer clock;
    clock.start();
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { fileLimit, fileLimit };
        if ((fileLimit && ::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            || (unprivileged && ::geteuid() == 0
                && (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 || ::setresuid(Nobody, Nobody, Nobody) != 0)))
            ::_exit(1);
        const QByteArray text = work().toUtf8();
        ::_exit(::write(out[1], text.constData(), std::size_t(text.size())) == text.size() ? 0 : 1);
    }
    ::close(out[1]);
    pollfd ready { out[0], POLLIN, 0 };
    QByteArray text(4096, Qt::Uninitialized);
    const ssize_t got = ::poll(&ready, 1, Sanitized ? 60000 : 10000) == 1 ? ::read(out[0], text.data(), 4096) : 0;
    text.resize(std::max<ssize_t>(got, 0));
    ::close(out[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return { QString::fromUtf8(text), clock.elapsed() };
}

Child run(const QString &operation, const QString &path, bool unprivileged = false)
{
    return inChild([=] { return operate(operation, path); }, unprivileged);
}

bool chmodPath(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}


} // namespace

void tst_Faults::permissions_data()
{
    QTest::addColumn<int>("dirMode");
    QTest::addColumn<int>("fileMode"); // 0: no ledger yet
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("answer"); // "ok", or "failed FAILURE ERRNO"

    // The user owns neither the directory nor the file, so only the "other" bits count.
    const QString denied = u"failed 1 %1"_s.arg(EACCES);
    QTest::newRow("read-only directory: a deposit appends") << 0755 << 0666 << u"append"_s << u"ok"_s;
    QTest::newRow("read-only directory: no deletion") << 0755 << 0666 << u"drop-first"_s << denied;
    QTest::newRow("read-only directory, no ledger: the folder's reason") << 0755 << 0 << u"load"_s << denied;
    QTest::newRow("read-only file: no deletion either") << 0777 << 0644 << u"drop-first"_s << denied;
    QTest::newRow("unreadable file: not created anew") << 0777 << 0200 << u"load"_s << denied;
}

void tst_Faults::permissions()
{
    QFETCH(int, dirMode);
    QFETCH(int, fileMode);
    QFETCH(QString, operation);
    QFETCH(QString, answer);
    if (::geteuid() != 0)
        QSKIP("needs root to run as nobody; CI runs as root");
    LedgerFixture f;
    if (fileMode) {
        f.write(Two);
        QVERIFY(chmodPath(f.path(), mode_t(fileMode)));
    }
    QVERIFY(chmodPath(f.dir(), mode_t(dirMode)));
    const Child result = run(operation, f.path(), true);
    QVERIFY(chmodPath(f.dir(), 0700) && (!fileMode || chmodPath(f.path(), 0600)));
    QCOMPARE(result.output.section(u' ', 0, 2), answer);
    const QByteArray done = operation == u"append" ? Two + line("2026年12月06日", "12:00:00", "300")
                                                   : line("2026年12月02日", "12:00:00", "200");
    if (fileMode)
        QCOMPARE(f.bytes(), answer == u"ok" ? done : Two);
    QCOMPARE(f.files().size(), int(fileMode != 0));
}

void tst_Faults::hostileThingsInTheLedgersPlace_data()
{
    QTest::addColumn<QString>("thing");
    QTest::addColumn<qint64>("size"); // of a regular file
    QTest::addColumn<QString>("answer");
    const QString notRegular = u"failed %1 0"_s.arg(int(LedgerStatus::Failure::NotRegular));
    QTest::newRow("named pipe") << u"fifo"_s << 0LL << notRegular;
    QTest::newRow("directory") << u"directory"_s << 0LL << u"failed %1 %2"_s.arg(int(LedgerStatus::Failure::NotRegular)).arg(EISDIR);
    QTest::newRow("file above the limit") << u"file"_s << MaxLedgerBytes + 1 << u"failed %1 0"_s.arg(int(LedgerStatus::Failure::TooLarge));
    QTest::newRow("one line as long as the limit") << u"file"_s << MaxLedgerBytes << u"entries 0 unread 1"_s;
}

void tst_Faults::hostileThingsInTheLedgersPlace()
{
    QFETCH(QString, thing);
    QFETCH(qint64, size);
    QFETCH(QString, answer);
    LedgerFixture f;
    const QByteArray path = QFile::encodeName(f.path());
    if (thing == u"fifo") {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else if (thing == u"directory") {
        QVERIFY(QDir(f.dir()).mkdir(QString::fromUtf16(LedgerFileName)));
    } else {
        QFile file(f.path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size)); // no line end in it
    }
    const QStringList before = f.files();
    const Child load = run(u"load"_s, f.path());
    QVERIFY2(!load.output.isEmpty(), "the load never ended");
    QCOMPARE(load.output.section(u' ', 0, answer.count(u' ')), answer);
    // Within twice the file and 60 MB, however long its one line; a refusal costs next to nothing,
    // and comes at once.
    const qint64 rss = load.output.section(u' ', -1).toLongLong() * 1024;
    const bool refused = load.output.startsWith(u"failed");
    QVERIFY2(Sanitized || rss <= (refused ? 0 : 2 * size) + 60 * 1024 * 1024, qPrintable(load.output));
    QVERIFY2(Sanitized || !refused || load.milliseconds < 1000, qPrintable(QString::number(load.milliseconds)));
    QCOMPARE(run(u"append"_s, f.path()).output.startsWith(u"failed"), refused);
    QCOMPARE(f.files(), before); // nothing created beside it either
}

void tst_Faults::linksPlantedByAnotherUser_data()
{
    QTest::addColumn<QString>("planted"); // the name that another user makes a link
    QTest::addColumn<QString>("operation");
    const QString ledger = QString::fromUtf16(LedgerFileName);
    QTest::newRow("backup's name, to my file: replaced, not followed") << ledger + u".bak"_s << u"backup"_s;
    QTest::newRow("ledger's name, to my file: not read") << ledger << u"load"_s;
}

void tst_Faults::linksPlantedByAnotherUser()
{
    QFETCH(QString, planted);
    QFETCH(QString, operation);
    if (::geteuid() != 0)
        QSKIP("another user's links need root to run as nobody; CI runs as root");
    // A folder anyone may write to, like /tmp; the kernel's own link protection is not relied on.
    LedgerFixture shared;
    QVERIFY(chmodPath(shared.dir(), 01777));
    QTemporaryDir mine;
    const QString victim = mine.filePath(u"mine.txt"_s);
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine\n") == 5);
    file.close();
    const bool backup = planted.endsWith(u".bak");
    const QString link = shared.dir() + u'/' + planted;
    if (backup)
        QCOMPARE(run(u"append"_s, shared.path(), true).output, u"ok"_s);
    QCOMPARE(inChild([&] { return QString::number(::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(link).constData())); }, true).output, u"0"_s);
    const Child result = run(operation, shared.path());
    QCOMPARE(result.output.section(u' ', 0, 2), backup ? u"ok"_s : u"failed %1 0"_s.arg(int(LedgerStatus::Failure::UnsafeLink)));
    QCOMPARE(bytesOf(victim), QByteArray("mine\n"));
    if (backup)
        QVERIFY(!QFileInfo(link).isSymLink() && bytesOf(link) == bytesOf(shared.path()));
}

void tst_Faults::aWriteCutShortLeavesTheFileAsItWas()
{
    // The file size limit cuts a write off part way, as a full disk does: every operation that
    // writes leaves the ledger as it was, says why, and leaves nothing new beside it.
    for (const QString &operation : { u"append"_s, u"drop-first"_s, u"backup"_s, u"undo"_s }) {
        LedgerFixture f;
        const QByteArray before = operation == u"undo" ? Two.mid(Two.indexOf('\n') + 1) : Two;
        f.write(before);
        QFile kept(ledgerBackupPath(f.path())); // the ledger before a deletion, for its undo
        QVERIFY(operation != u"undo" || (kept.open(QIODevice::WriteOnly) && kept.write(Two) == Two.size()));
        kept.close();
        const rlim_t limit = operation == u"append" ? Two.size() + 10 : 10;
        QCOMPARE(inChild([&] { return operate(operation, f.path()); }, false, limit).output,
                 u"failed %1 %2"_s.arg(int(LedgerStatus::Failure::Write)).arg(EFBIG));
        QCOMPARE(f.bytes(), before);
        QCOMPARE(f.files().size(), 1 + int(operation == u"undo"));
    }
}

void tst_Faults::aRewriteKeepsWhatTheFileIs()
{
    // Behind a link of the user's own, and given to another user with a mode of its own: a
    // deletion lands at the link's target, and it and the backup keep that owner and mode.
    LedgerFixture f;
    QVERIFY(QDir(f.dir()).mkdir(u"data"_s));
    const QString target = f.dir() + u"/data/ledger.txt"_s;
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(Two) == Two.size() && chmodPath(target, 0640));
    file.close();
    const uid_t owner = ::geteuid() == 0 ? Nobody : ::geteuid(); // giving a file away needs root, as CI runs
    QCOMPARE(::chown(QFile::encodeName(target).constData(), owner, owner == Nobody ? Nobody : gid_t(-1)), 0);
    QVERIFY(QFile::link(u"data/ledger.txt"_s, f.path()));
    QCOMPARE(run(u"backup"_s, f.path()).output + run(u"drop-first"_s, f.path()).output, u"okok"_s);
    QVERIFY(QFileInfo(f.path()).isSymLink());
    QCOMPARE(bytesOf(target), line("2026年12月02日", "12:00:00", "200"));
    for (const QString &path : { target, ledgerBackupPath(f.path()) }) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QVERIFY(st.st_uid == owner && (st.st_mode & 07777) == 0640 && (owner != Nobody || st.st_gid == Nobody));
    }
    // A hard-linked ledger is not split from its other name by a rewrite; an append reaches both.
    const QString other = f.dir() + u"/other-name.txt"_s;
    QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(other).constData()), 0);
    QCOMPARE(run(u"empty"_s, f.path()).output, u"failed %1 0"_s.arg(int(LedgerStatus::Failure::HardLinked)));
    QCOMPARE(run(u"append"_s, f.path()).output, u"ok"_s);
    QCOMPARE(bytesOf(other), bytesOf(target));
}

void tst_Faults::killedAtAnyInstantLeavesAWholeLedger()
{
    // Large enough that replacing it takes a while, so that kills land inside rewrites too.
    LedgerFixture f;
    QByteArray start;
    for (int i = 1; i <= 6000; ++i)
        start += line("2026年12月01日", "12:00:00", QByteArray::number(i).constData());
    f.write(start);
    QRandomGenerator random(20261206);
    for (int kill = 1; kill <= 200; ++kill) {
        // The ledger always holds consecutive amounts, oldest first, and never none: each step
        // appends the next or, one in five, drops the first. Killed at a random instant.
        const pid_t child = ::fork();
        if (child == 0) {
            for (quint64 step = 0;; ++step) {
                const LedgerLoad load = LoadLedger(f.path());
                const qsizetype n = load.entries.size();
                if (step % 5 == 4 && n > 1)
                    dropFirst(f.path());
                else
                    AppendLedgerEntry(f.path(), Money::fromRaw(load.entries.amount(n - 1).raw() + Money::Scale), At);
            }
        }
        QTest::qSleep(random.bounded(1, 40));
        ::kill(child, SIGKILL); // no chance to tidy up
        ::waitpid(child, nullptr, 0);
        // Whatever instant it died at, the file is one of the states the loop writes, and the
        // next load leaves no temporary file behind.
        const LedgerLoad load = LoadLedger(f.path());
        QVERIFY2(load.complete() && load.entries.size() > 1, qPrintable(u"after kill %1"_s.arg(kill)));
        for (qsizetype i = 1; i < load.entries.size(); ++i)
            QCOMPARE(load.entries.amount(i).raw() - load.entries.amount(i - 1).raw(), Money::Scale);
        QCOMPARE(f.files(), QStringList { QString::fromUtf16(LedgerFileName) });
    }
}

void tst_Faults::theProgramStartedTwiceOpensOneWindow()
{
    // The program creates its ledger once it holds the ledger's window, so the file tells when.
    LedgerFixture f, s;
    const auto startIn = [](QProcess &program, const QString &dir) {
        program.setWorkingDirectory(dir);
        program.start(QStringLiteral(PORUNKA_PROGRAM), {});
        return program.waitForStarted();
    };
    QProcess first, second, third;
    QVERIFY(startIn(first, f.dir()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(f.path()), 20000);
    QVERIFY(startIn(second, f.dir()) && second.waitForFinished(20000));
    QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    QVERIFY(first.waitForFinished());

    // Another user holding the name first, in the kernel's abstract namespace, cannot keep this
    // user's program from starting.
    if (::geteuid() != 0)
        return;
    const QString path = QDir(s.dir()).canonicalPath() + u'/' + QString::fromUtf16(LedgerFileName);
    const QByteArray name = "porunka-0-" + QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha1).toHex();
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t squatter = ::fork();
    if (squatter == 0) {
        sockaddr_un address { AF_UNIX, {} };
        std::memcpy(address.sun_path + 1, name.constData(), std::size_t(name.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::setresgid(Nobody, Nobody, Nobody) != 0 || ::setresuid(Nobody, Nobody, Nobody) != 0
            || ::bind(fd, reinterpret_cast<sockaddr *>(&address), socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size())) != 0
            || ::listen(fd, 4) != 0 || ::write(ready[1], "!", 1) != 1)
            ::_exit(1);
        ::pause();
    }
    const auto stopSquatter = qScopeGuard([&] {
        ::kill(squatter, SIGKILL);
        ::waitpid(squatter, nullptr, 0);
    });
    char byte = 0;
    QCOMPARE(::read(ready[0], &byte, 1), 1);
    QVERIFY(startIn(third, s.dir()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(s.path()), 20000);
    third.kill();
    QVERIFY(third.waitForFinished());
}

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_faults.moc"
