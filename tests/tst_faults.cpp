// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerfixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <thread>

#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <fcntl.h>
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
    void aFailureAtEveryStepLeavesTheOldPairOrTheNew_data();
    void aFailureAtEveryStepLeavesTheOldPairOrTheNew();
    void aRewriteKeepsWhatTheFileIs();
    void anotherWindowsRewriteIsWaitedFor();
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
    if (operation.endsWith(u"load")) {
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
    const LedgerUndo plan = PlanLedgerUndo(path);
    return plan.status.ok() ? outcome(UndoLedger(path, plan)) : outcome(plan.status);
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
    QTest::newRow("a shared file: a co-user's deletion leaves it the owner's") << 0777 << 0666 << u"drop-first"_s << u"ok"_s;
    QTest::newRow("unreadable file: not created anew") << 0777 << 0200 << u"load"_s << denied;
    QTest::newRow("an unfinished rewrite it may not write back: nothing read") << 0777 << 0644 << u"journal load"_s << u"failed %1 %2"_s.arg(int(LedgerStatus::Failure::Interrupted)).arg(EACCES);
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
        QVERIFY(chmodPath(f.path(), mode_t(fileMode)) && (operation != u"journal load" || writeFile(f.path() + u"-journal"_s, Two.left(33))));
    }
    QVERIFY(chmodPath(f.dir(), mode_t(dirMode)));
    const Child result = run(operation, f.path(), true);
    struct stat st {};
    QVERIFY(!fileMode || (::stat(QFile::encodeName(f.path()).constData(), &st) == 0 && st.st_uid == 0 && (st.st_mode & 0777) == mode_t(fileMode)));
    QVERIFY(chmodPath(f.dir(), 0700) && (!fileMode || chmodPath(f.path(), 0600)));
    QCOMPARE(result.output.section(u' ', 0, 2), answer);
    const QByteArray done = operation == u"append" ? Two + line("2026年12月06日", "12:00:00", "300")
                                                   : line("2026年12月02日", "12:00:00", "200");
    if (fileMode)
        QCOMPARE(f.bytes(), answer == u"ok" ? done : Two);
    QCOMPARE(f.files().size(), int(fileMode != 0) + int(operation == u"journal load" || (operation == u"drop-first" && answer == u"ok")));
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
    QTest::newRow("a pipe as the journal: not written back") << u"journal"_s << 0LL << u"entries 2 unread 0"_s;
    QTest::newRow("a recovery point of valid lines as large as the limit: refused") << u"recovery"_s << MaxLedgerBytes - 4096 << u"failed %1 0"_s.arg(int(LedgerStatus::Failure::TooLarge));
}

void tst_Faults::hostileThingsInTheLedgersPlace()
{
    QFETCH(QString, thing);
    QFETCH(qint64, size);
    QFETCH(QString, answer);
    LedgerFixture f;
    if (thing == u"journal" || thing == u"recovery")
        f.write(Two); // beside a ledger of two entries
    const QString name = thing == u"journal" ? f.path() + u"-journal"_s : f.path();
    QVERIFY(thing == u"fifo" || thing == u"journal" ? ::mkfifo(QFile::encodeName(name).constData(), 0600) == 0
            : thing == u"directory"                 ? QDir().mkdir(name)
            : thing == u"recovery"                  ? writeFile(ledgerBackupPath(f.path()), Two.repeated(size / Two.size()))
                                                    : writeFile(name, {}) && QFile::resize(name, size)); // no line end in it
    const QStringList before = f.files();
    const Child load = run(thing == u"recovery" ? u"undo"_s : u"load"_s, f.path());
    QVERIFY2(!load.output.isEmpty(), "the load never ended");
    QCOMPARE(load.output.section(u' ', 0, answer.count(u' ')), answer);
    // Within twice the file and 60 MB, however long its one line; a refusal costs next to nothing,
    // and comes at once.
    const qint64 rss = load.output.section(u' ', -1).toLongLong() * 1024;
    const bool refused = load.output.startsWith(u"failed");
    QVERIFY2(Sanitized || rss <= (refused ? 0 : 2 * size) + 60 * 1024 * 1024, qPrintable(load.output));
    QVERIFY2(Sanitized || !refused || load.milliseconds < 1000, qPrintable(QString::number(load.milliseconds)));
    QCOMPARE(run(u"append"_s, f.path()).output.startsWith(u"failed"), refused && thing != u"recovery");
    QCOMPARE(f.files(), before); // nothing created beside it either
}

void tst_Faults::linksPlantedByAnotherUser_data()
{
    QTest::addColumn<int>("dirMode");
    QTest::addColumn<QString>("planted"); // the name under which another user plants a link to my file
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("answer");
    const QString ledger = QString::fromUtf16(LedgerFileName), unsafe = u"failed %1 0"_s.arg(int(LedgerStatus::Failure::UnsafeLink));
    QTest::newRow("recovery point's name: replaced, not followed") << 01777 << ledger + u".bak"_s << u"empty"_s << u"ok"_s;
    QTest::newRow("ledger's name: not read") << 01777 << ledger << u"load"_s << unsafe;
    QTest::newRow("ledger's name, no sticky bit: not read") << 0777 << ledger << u"load"_s << unsafe;
    QTest::newRow("journal's name, a file: never written back nor removed") << 0777 << ledger + u"-journal"_s << u"load"_s << u"entries 1 unread 0"_s;
}

void tst_Faults::linksPlantedByAnotherUser()
{
    QFETCH(int, dirMode);
    QFETCH(QString, planted);
    QFETCH(QString, operation);
    QFETCH(QString, answer);
    if (::geteuid() != 0)
        QSKIP("another user's links need root to run as nobody; CI runs as root");
    // A folder anyone may write to, like /tmp; the kernel's own link protection is not relied on.
    LedgerFixture shared;
    QVERIFY(chmodPath(shared.dir(), mode_t(dirMode)));
    QTemporaryDir mine;
    const QString victim = mine.filePath(u"mine.txt"_s);
    QVERIFY(writeFile(victim, "mine\n"));
    const QString link = shared.dir() + u'/' + planted;
    const bool journal = planted.endsWith(u"-journal");
    if (planted != QString::fromUtf16(LedgerFileName)) // the user's own ledger beside a journal, another user's beside a recovery point
        QCOMPARE(run(u"append"_s, shared.path(), !journal).output, u"ok"_s);
    const auto plant = [&] { return journal ? !writeFile(link, "mine\n") : ::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(link).constData()); };
    QCOMPARE(inChild([&] { return QString::number(plant()); }, true).output, u"0"_s);
    const QByteArray before = bytesOf(shared.path());
    const Child result = run(operation, shared.path());
    QCOMPARE(result.output.section(u' ', 0, answer.count(u' ')), answer);
    QCOMPARE(bytesOf(victim), QByteArray("mine\n"));
    // The recovery point a file of its own, holding the ledger as it was; a journal left alone.
    QVERIFY(operation != u"empty" || (!QFileInfo(link).isSymLink() && bytesOf(link) == before));
    QVERIFY(!journal || (bytesOf(shared.path()) == before && bytesOf(link) == "mine\n"));
}

void tst_Faults::aWriteCutShortLeavesTheFileAsItWas()
{
    // The file size limit cuts a deposit's line off part way, as a full disk does: the ledger
    // stays as it was and the failure says why. (Rewrites: the table below.)
    LedgerFixture f;
    f.write(Two);
    QCOMPARE(inChild([&] { return operate(u"append"_s, f.path()); }, false, Two.size() + 10).output, u"failed %1 %2"_s.arg(int(LedgerStatus::Failure::Write)).arg(EFBIG));
    QCOMPARE(f.bytes(), Two);
    QCOMPARE(f.files().size(), 1);
}

namespace {

// The step a child process fails at, from its first to its last occurrence counted from 1; when
// killed, the last one kills the process instead.
WriteStep failingStep;
int firstTime = 0, lastTime = 0, seen = 0;
bool killThere = false;

bool failAtStep(WriteStep step)
{
    if (step != failingStep || ++seen < firstTime || seen > lastTime)
        return false;
    if (killThere && seen == lastTime)
        ::raise(SIGKILL);
    return true;
}

} // namespace

void tst_Faults::aFailureAtEveryStepLeavesTheOldPairOrTheNew_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<bool>("killed");
    QTest::addColumn<bool>("takesEffect"); // the ledger and its recovery point are both new
    QTest::addColumn<int>("fileLimit");    // a file size limit, cutting writes short as a full disk does
    const char *const steps[] = { "opening the ledger", "locking it", "reading it", "opening the journal", "making it unnamed", "writing the journal",
                                  "syncing the journal", "naming the journal", "syncing the folder", "shortening the ledger",
                                  "writing the ledger", "syncing the ledger", "the journal becoming the recovery point" };
    for (int step = 0; step <= int(WriteStep::Commit); ++step) {
        // A folder that cannot be synced is no failure: the file itself is safe. Without unnamed
        // files, the journal is written under a hidden name.
        QTest::addRow("%s fails", steps[step]) << step << 1 << 1 << false << (step == int(WriteStep::SyncFolder) || step == int(WriteStep::UnnamedFile)) << 0;
        QTest::addRow("killed at %s", steps[step]) << step << 1 << 1 << true << false << 0;
    }
    QTest::newRow("the write fails, and so does writing back") << int(WriteStep::WriteLedger) << 1 << 2 << false << false << 0;
    QTest::newRow("killed while writing back") << int(WriteStep::WriteLedger) << 1 << 2 << true << false << 0;
    QTest::newRow("killed once the journal is the recovery point") << int(WriteStep::SyncFolder) << 2 << 2 << true << true << 0;
    QTest::newRow("a file size limit no journal fits under") << -1 << 0 << 0 << false << false << 10;
    QTest::newRow("one the undo's journal fits under, its rewrite not") << -1 << 0 << 0 << false << false << 50;
}

void tst_Faults::aFailureAtEveryStepLeavesTheOldPairOrTheNew()
{
    QFETCH(int, step);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(bool, killed);
    QFETCH(bool, takesEffect);
    QFETCH(int, fileLimit);
    const QByteArray older = line("2026年11月30日", "12:00:00", "50"), second = Two.mid(Two.indexOf('\n') + 1);
    // Each operation from its ledger and recovery point: the pair before, and the pair after.
    const struct { QString operation; QByteArray ledger, recovery, after; } cases[] = { { u"drop-first"_s, Two, older, second }, { u"empty"_s, Two, older, {} },
                                                                                        { u"undo"_s, second, Two, Two } };
    for (const auto &c : cases) {
        LedgerFixture f;
        f.write(c.ledger);
        QVERIFY(writeFile(ledgerBackupPath(f.path()), c.recovery));
        const Child child = inChild([&] {
            std::tie(failingStep, firstTime, lastTime, killThere) = std::tuple(WriteStep(step), first, last, killed);
            setWriteStepHook(failAtStep);
            return operate(c.operation, f.path());
        }, false, rlim_t(fileLimit));
        QVERIFY2(killed ? child.output.isEmpty() : child.output.startsWith(takesEffect ? u"ok" : u"failed"), qPrintable(c.operation + u": "_s + child.output));
        // The next load writes back whatever a killed or failed rewrite left in its journal.
        QVERIFY(LoadLedger(f.path()).status.ok());
        QCOMPARE(f.bytes(), takesEffect ? c.after : c.ledger);
        QCOMPARE(bytesOf(ledgerBackupPath(f.path())), takesEffect ? c.ledger : c.recovery);
        QCOMPARE(f.files().size(), 2);
    }
}

void tst_Faults::aRewriteKeepsWhatTheFileIs()
{
    // Behind a link of the user's own, given to another user with a mode of its own, with a
    // second name, an extended attribute and a program holding it open to append: a deletion,
    // clearing and undo rewrite the link's target in place, and it and its recovery point keep
    // that owner and mode.
    LedgerFixture f;
    QVERIFY(QDir(f.dir()).mkdir(u"data"_s));
    const QString target = f.dir() + u"/data/ledger.txt"_s, other = f.dir() + u"/other-name.txt"_s;
    const QByteArray name = QFile::encodeName(target), second = line("2026年12月02日", "12:00:00", "200");
    const uid_t owner = ::geteuid() == 0 ? Nobody : ::geteuid(); // giving a file away needs root, as CI runs
    QVERIFY(writeFile(target, Two) && chmodPath(target, 0640) && QFile::link(u"data/ledger.txt"_s, f.path()));
    QCOMPARE(::chown(name.constData(), owner, owner == Nobody ? Nobody : gid_t(-1)) + ::link(name.constData(), QFile::encodeName(other).constData()), 0);
    const bool attributes = ::setxattr(name.constData(), "user.porunka", "kept", 4, 0) == 0;
    const FileHandle appender(::open(name.constData(), O_WRONLY | O_APPEND));
    struct stat was {};
    QCOMPARE(::stat(name.constData(), &was), 0);
    QCOMPARE(run(u"drop-first"_s, f.path()).output, u"ok"_s);
    QVERIFY(QFileInfo(f.path()).isSymLink() && bytesOf(target) == second);
    for (const QString &path : { target, ledgerBackupPath(f.path()) }) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QVERIFY(st.st_uid == owner && (st.st_mode & 07777) == 0640 && (owner != Nobody || st.st_gid == Nobody));
        QVERIFY(path != target || (st.st_ino == was.st_ino && st.st_nlink == 2));
    }
    char value[8] = {};
    QVERIFY(!attributes || ::getxattr(name.constData(), "user.porunka", value, sizeof value) == 4);
    QCOMPARE(run(u"empty"_s, f.path()).output, u"ok"_s);
    QCOMPARE(run(u"undo"_s, f.path()).output, u"ok"_s);
    const QByteArray appended = line("2026年12月03日", "12:00:00", "5");
    QCOMPARE(::write(appender.fd(), appended.constData(), std::size_t(appended.size())), appended.size());
    QVERIFY(bytesOf(other) == second + appended && bytesOf(target) == bytesOf(other));
}

void tst_Faults::anotherWindowsRewriteIsWaitedFor()
{
    // Another window holds the ledger's lock while it rewrites it, slowly: a load and a deposit
    // here wait for it, and see or follow only what it leaves.
    const QByteArray second = Two.mid(Two.indexOf('\n') + 1);
    for (const QString &operation : { u"load"_s, u"append"_s }) {
        LedgerFixture f;
        f.write(Two);
        auto held = std::make_unique<FileHandle>(::open(QFile::encodeName(f.path()).constData(), O_RDWR));
        struct flock lock { F_WRLCK, SEEK_SET, 0, 0, 0 };
        QCOMPARE(::fcntl(held->fd(), F_OFD_SETLK, &lock), 0);
        std::thread other([&] { QTest::qSleep(300); f.write(second); held.reset(); });
        const int fd = held->fd(); // the child's copy would keep the lock
        const Child child = inChild([&] { return ::close(fd) == 0 ? operate(operation, f.path()) : QString(); });
        other.join();
        QCOMPARE(child.output.section(u' ', 0, 3), operation == u"load" ? u"entries 1 unread 0"_s : u"ok"_s);
        QCOMPARE(f.bytes(), operation == u"load" ? second : second + line("2026年12月06日", "12:00:00", "300"));
    }
}

void tst_Faults::killedAtAnyInstantLeavesAWholeLedger()
{
    // Large enough that rewriting it takes a while, so that kills land inside rewrites too.
    LedgerFixture f;
    QByteArray start;
    for (int i = 1; i <= 6000; ++i)
        start += line("2026年12月01日", "12:00:00", QByteArray::number(i).constData());
    f.write(start);
    // The user's own copies beside it, named as a temporary file of any program might be, and
    // the program's hidden temporary name of a process still running, and of another user's.
    const QString ledger = QString::fromUtf16(LedgerFileName), hidden = temporaryFilePrefix(f.path() + u"-journal"_s);
    const QStringList copies { ledger + u".backup"_s, ledger + u".201512"_s, ledger + u".OLD123"_s, ledger + u".bak.202401"_s,
                               ledger + u"-journal.txt"_s, hidden + u"1-abcdef"_s, hidden + u"4194303-abcdef"_s };
    for (const QString &copy : copies)
        QVERIFY(QFile::copy(f.path(), f.dir() + u'/' + copy));
    QVERIFY(::chown(QFile::encodeName(f.dir() + u'/' + copies.last()).constData(), Nobody, Nobody) == 0 || ::geteuid() != 0);
    QRandomGenerator random(20261206);
    for (int kill = 1; kill <= 200; ++kill) {
        // The ledger always holds consecutive amounts, oldest first, and never none: each step
        // appends the next or, one in five, drops the first. Killed at a random instant.
        const pid_t child = ::fork();
        if (child == 0) {
            if (kill % 2) // as on a file system without unnamed files: what a kill leaves has a name
                setWriteStepHook([](WriteStep step) { return step == WriteStep::UnnamedFile; });
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
        // Whatever instant it died at, the next load finds one of the states the loop writes, and
        // a recovery point that is the ledger before its last deletion, deposits made since aside.
        const LedgerLoad load = LoadLedger(f.path());
        QVERIFY2(load.complete() && load.entries.size() > 1, qPrintable(u"after kill %1"_s.arg(kill)));
        for (qsizetype i = 1; i < load.entries.size(); ++i)
            QCOMPARE(load.entries.amount(i).raw() - load.entries.amount(i - 1).raw(), Money::Scale);
        QStringList present = f.files();
        if (present.removeOne(ledger + u".bak"_s)) {
            const LedgerLoad recovery = ReadLedgerBytes(bytesOf(ledgerBackupPath(f.path())));
            QVERIFY(recovery.entries.amount(0).raw() + Money::Scale == load.entries.amount(0).raw() && recovery.entries.size() <= load.entries.size() + 1);
        }
        QCOMPARE(QSet(present.begin(), present.end()), QSet(copies.begin(), copies.end()) << ledger); // nothing left behind, nothing of the user's removed
    }
    for (const QString &copy : std::as_const(copies))
        QCOMPARE(bytesOf(f.dir() + u'/' + copy), start);
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
    // A window that does not answer (here stopped) does not keep the next start from its own.
    ::kill(pid_t(first.processId()), SIGSTOP);
    QVERIFY(startIn(second, f.dir()) && !second.waitForFinished(3000));
    second.kill();
    QVERIFY(second.waitForFinished());
    first.kill();
    QVERIFY(first.waitForFinished());

    // Another user holding the name first, in the kernel's abstract namespace, cannot keep this
    // user's program from starting, even by answering as its window would.
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
        for (;;) // and answering as the window would
            (void)!::write(::accept(fd, nullptr, nullptr), "ok\n", 3);
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
