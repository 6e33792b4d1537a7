#include "ledgerfixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
constexpr bool Sanitized = __has_feature(address_sanitizer);
#else
constexpr bool Sanitized = false;
#endif

using namespace Qt::Literals::StringLiterals;

// Faults injected for real: permissions and another user (as nobody, when the tests run as root),
// hostile things in the ledger's place, a full file system, a write cut short, links, a process
// killed at random instants, and the real program started twice.
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
    void ownerAndModeStay();
    void fullFileSystem();
    void aWriteCutShortLeavesTheFileAsItWas();
    void linksOfTheUsersOwn();
    void killedAtAnyInstantLeavesAWholeLedger();
    void theProgramStartedTwiceOpensOneWindow();
};

namespace {

const QByteArray Two = line("2026年12月01日", "12:00:00", "100") + line("2026年12月02日", "12:00:00", "200");
constexpr uid_t Nobody = 65534;

struct ToolResult
{
    int exitCode = -1;
    QString output;
    qint64 milliseconds = 0;
};

// The ledger tool where nobody can run it: the build tree may lie in a directory only its owner
// can enter.
QString toolForNobody()
{
    static QTemporaryDir dir;
    static const QString copy = [] {
        const QString path = dir.filePath(u"ledgertool"_s);
        if (!QFile::copy(QStringLiteral(PORUNKA_LEDGERTOOL), path) || ::chmod(QFile::encodeName(dir.path()).constData(), 0755) != 0
            || ::chmod(QFile::encodeName(path).constData(), 0755) != 0)
            qFatal("cannot copy the ledger tool");
        return path;
    }();
    return copy;
}

QStringList asNobody(const QStringList &command)
{
    return QStringList { u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s } + command;
}

// Runs the ledger tool, as nobody when `unprivileged` and the tests run as root.
ToolResult runTool(const QStringList &args, bool unprivileged = false)
{
    QProcess tool;
    if (unprivileged && ::geteuid() == 0)
        tool.start(u"setpriv"_s, asNobody(QStringList { toolForNobody() } + args));
    else
        tool.start(QStringLiteral(PORUNKA_LEDGERTOOL), args);
    QElapsedTimer clock;
    clock.start();
    if (!tool.waitForFinished(Sanitized ? 60000 : 10000)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return { tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()).trimmed(), clock.elapsed() };
}

bool chmodPath(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

} // namespace

void tst_Faults::permissions_data()
{
    QTest::addColumn<int>("dirMode");
    QTest::addColumn<int>("fileMode"); // 0: no ledger yet
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("answer"); // the tool's: "ok", or "failed FAILURE ERRNO"

    // The user owns neither the directory nor the file, so only the "other" bits count.
    const QString denied = u"failed 1 %1"_s.arg(EACCES);
    QTest::newRow("read-only directory: a deposit appends") << 0755 << 0666 << u"append"_s << u"ok"_s;
    QTest::newRow("read-only directory: no deletion") << 0755 << 0666 << u"drop-first"_s << denied;
    QTest::newRow("read-only directory: no clearing") << 0755 << 0666 << u"empty"_s << denied;
    QTest::newRow("read-only directory: no backup") << 0755 << 0666 << u"backup"_s << denied;
    QTest::newRow("read-only directory, no ledger: the folder's reason") << 0755 << 0 << u"load"_s << denied;
    QTest::newRow("read-only file: no deposit") << 0777 << 0644 << u"append"_s << denied;
    QTest::newRow("read-only file: no deletion either") << 0777 << 0644 << u"drop-first"_s << denied;
    QTest::newRow("unreadable file: not created anew") << 0777 << 0200 << u"load"_s << denied;
    QTest::newRow("writable: a deletion replaces it") << 0777 << 0666 << u"drop-first"_s << u"ok"_s;
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
    const ToolResult result = runTool({ operation, f.path(), u"300"_s }, true);
    QVERIFY(chmodPath(f.dir(), 0700) && (!fileMode || chmodPath(f.path(), 0600)));
    QCOMPARE(result.output.section(u' ', 0, 2), answer);
    const QByteArray done = operation == u"append" ? Two + line("2026年12月06日", "12:00:00", "300")
                                                   : line("2026年12月02日", "12:00:00", "200");
    if (fileMode)
        QCOMPARE(f.bytes(), answer == u"ok" && operation != u"backup" ? done : Two);
    QCOMPARE(entriesOf(f.dir()).size(), int(fileMode != 0) + int(operation == u"backup" && answer == u"ok"));
}

void tst_Faults::hostileThingsInTheLedgersPlace_data()
{
    QTest::addColumn<QString>("thing");
    QTest::addColumn<qint64>("size"); // of a regular file
    QTest::addColumn<QString>("answer");
    const QString notRegular = u"failed %1 0"_s.arg(int(LedgerStatus::Failure::NotRegular));
    QTest::newRow("named pipe") << u"fifo"_s << 0LL << notRegular;
    QTest::newRow("link to /dev/zero") << u"/dev/zero"_s << 0LL << notRegular;
    QTest::newRow("link to /dev/urandom") << u"/dev/urandom"_s << 0LL << notRegular;
    QTest::newRow("link to nowhere") << u"gone/ledger.txt"_s << 0LL << u"failed 1 %1"_s.arg(ENOENT);
    QTest::newRow("socket") << u"socket"_s << 0LL << notRegular;
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
    } else if (thing == u"socket") {
        sockaddr_un address { AF_UNIX, {} };
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QCOMPARE(::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(s);
    } else if (thing == u"directory") {
        QVERIFY(QDir(f.dir()).mkdir(QString::fromUtf16(LedgerFileName)));
    } else if (thing == u"file") {
        QFile file(f.path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size)); // no line end in it
    } else {
        QVERIFY(QFile::link(thing, f.path()));
    }
    const QStringList before = entriesOf(f.dir());
    const ToolResult load = runTool({ u"load"_s, f.path() });
    QVERIFY2(load.exitCode >= 0, "the load never ended");
    QCOMPARE(load.output.section(u' ', 0, answer.count(u' ')), answer);
    // Within twice the file and 60 MB, however long its one line; a refusal costs next to nothing,
    // and comes at once.
    const qint64 rss = load.output.section(u' ', -1).toLongLong() * 1024;
    QVERIFY2(Sanitized || rss <= (load.exitCode == 0 ? 2 * size : 0) + 60 * 1024 * 1024, qPrintable(load.output));
    QVERIFY2(Sanitized || load.exitCode == 0 || load.milliseconds < 1000, qPrintable(QString::number(load.milliseconds)));
    QCOMPARE(runTool({ u"append"_s, f.path(), u"300"_s }).exitCode, load.exitCode);
    QCOMPARE(entriesOf(f.dir()), before); // nothing created beside it either
}

void tst_Faults::linksPlantedByAnotherUser_data()
{
    QTest::addColumn<QString>("planted"); // the name that another user makes a link
    QTest::addColumn<QString>("operation");
    const QString ledger = QString::fromUtf16(LedgerFileName);
    QTest::newRow("backup's name, to my file: replaced, not followed") << ledger + u".bak"_s << u"backup"_s;
    QTest::newRow("backup's name, to nowhere: nothing created there") << ledger + u".bak"_s << u"backup-dangling"_s;
    QTest::newRow("ledger's name, to my file: not read") << ledger << u"load"_s;
    QTest::newRow("ledger's name, to my file: not appended to") << ledger << u"append"_s;
    QTest::newRow("ledger's name, to my file: not emptied") << ledger << u"empty"_s;
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
        QCOMPARE(QProcess::execute(u"setpriv"_s, asNobody({ toolForNobody(), u"append"_s, shared.path(), u"100"_s })), 0);
    const QString target = operation == u"backup-dangling" ? mine.filePath(u"new.txt"_s) : victim;
    QCOMPARE(QProcess::execute(u"setpriv"_s, asNobody({ u"ln"_s, u"-s"_s, target, link })), 0);
    const ToolResult result = runTool({ operation.section(u'-', 0, 0), shared.path(), u"1"_s });
    QCOMPARE(result.output.section(u' ', 0, 2), backup ? u"ok"_s : u"failed %1 0"_s.arg(int(LedgerStatus::Failure::UnsafeLink)));
    QCOMPARE(bytesOf(victim), QByteArray("mine\n"));
    QVERIFY(!QFile::exists(mine.filePath(u"new.txt"_s)));
    if (backup)
        QVERIFY(!QFileInfo(link).isSymLink() && bytesOf(link) == bytesOf(shared.path()));
}

void tst_Faults::ownerAndModeStay()
{
    if (::geteuid() != 0)
        QSKIP("giving a file to another user needs root; CI runs as root");
    for (const QString &operation : { u"drop-first"_s, u"empty"_s, u"backup"_s }) {
        LedgerFixture f;
        f.write(Two);
        QCOMPARE(::chown(QFile::encodeName(f.path()).constData(), Nobody, Nobody), 0);
        QVERIFY(chmodPath(f.path(), 0640));
        QCOMPARE(runTool({ operation, f.path() }).output, u"ok"_s);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(operation == u"backup" ? ledgerBackupPath(f.path()) : f.path()).constData(), &st), 0);
        QVERIFY(st.st_uid == Nobody && st.st_gid == Nobody && (st.st_mode & 07777) == 0640);
    }
}

void tst_Faults::fullFileSystem()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root; CI runs as root");
    LedgerFixture f;
    const QByteArray dir = QFile::encodeName(f.dir());
    QVERIFY2(::mount("tmpfs", dir.constData(), "tmpfs", 0, "size=64k") == 0, strerror(errno));
    const auto unmount = qScopeGuard([&] { ::umount2(dir.constData(), MNT_DETACH); });

    // Ledgers from half the file system to all of it: every operation either does its work or
    // leaves the file exactly as it was, says the disk is full, and leaves no temporary file.
    int failures = 0, successes = 0;
    for (int lines = 700; lines <= 1900; lines += 37) {
        for (const QString &name : entriesOf(f.dir()))
            QFile::remove(f.dir() + u'/' + name);
        QByteArray bytes;
        for (int i = 1; i <= lines; ++i)
            bytes += line("2026年12月01日", "12:00:00", QByteArray::number(i).constData());
        QFile file(f.path());
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
            break; // the file system is full before the ledger is
        file.close();
        const auto check = [&](const LedgerStatus &status, const QByteArray &done) {
            status.ok() ? ++successes : ++failures;
            QCOMPARE(f.bytes(), status.ok() ? done : bytes);
            QCOMPARE(status.error, status.ok() ? 0 : ENOSPC);
            QVERIFY(entriesOf(f.dir()).size() <= 2); // the ledger and its backup
        };
        check(AppendLedgerEntry(f.path(), Money::fromYen(7), QDateTime(QDate(2026, 12, 6), QTime(12, 0))),
              bytes + line("2026年12月06日", "12:00:00", "7"));
        bytes = f.bytes();
        LedgerLoad load = LoadLedger(f.path());
        load.entries.removeAt(0);
        check(RewriteLedger(f.path(), load.entries), bytes.mid(bytes.indexOf('\n') + 1));
        bytes = f.bytes();
        if (BackUpLedger(f.path()).ok())
            QCOMPARE(bytesOf(ledgerBackupPath(f.path())), bytes);
        QCOMPARE(f.bytes(), bytes);
        QFile::remove(ledgerBackupPath(f.path()));
    }
    QVERIFY(successes > 0 && failures > 0); // the sweep crossed the edge
}

void tst_Faults::aWriteCutShortLeavesTheFileAsItWas()
{
    // The file size limit cuts a write off part way, where a full disk would at a page's end.
    for (const QString &operation : { u"append"_s, u"drop-first"_s }) {
        LedgerFixture f;
        f.write(Two);
        QProcess tool;
        tool.start(u"prlimit"_s, { u"--fsize=%1"_s.arg(operation == u"append" ? Two.size() + 10 : 10),
                                   QStringLiteral(PORUNKA_LEDGERTOOL), operation, f.path(), u"300"_s });
        QVERIFY(tool.waitForFinished());
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()).trimmed(), u"failed %1 %2"_s.arg(int(LedgerStatus::Failure::Write)).arg(EFBIG));
        QCOMPARE(f.bytes(), Two);
        QCOMPARE(entriesOf(f.dir()).size(), 1);
    }
}

void tst_Faults::linksOfTheUsersOwn()
{
    // A symbolic link of the user's own is followed: the rewrite lands at its target, mode kept.
    LedgerFixture f;
    QVERIFY(QDir(f.dir()).mkdir(u"data"_s));
    const QString target = f.dir() + u"/data/ledger.txt"_s;
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(Two) == Two.size() && chmodPath(target, 0640));
    file.close();
    QVERIFY(QFile::link(u"data/ledger.txt"_s, f.path()));
    QCOMPARE(runTool({ u"drop-first"_s, f.path() }).output, u"ok"_s);
    QVERIFY(QFileInfo(f.path()).isSymLink());
    QCOMPARE(bytesOf(target), line("2026年12月02日", "12:00:00", "200"));
    // A hard-linked ledger is not split from its other name by a rewrite; an append reaches both.
    const QString other = f.dir() + u"/other-name.txt"_s;
    QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(other).constData()), 0);
    QCOMPARE(runTool({ u"empty"_s, f.path() }).output, u"failed %1 0"_s.arg(int(LedgerStatus::Failure::HardLinked)));
    QCOMPARE(runTool({ u"append"_s, f.path(), u"5"_s }).output, u"ok"_s);
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
    int kills = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    while (kills < 250 && elapsed.elapsed() < 60000) {
        QProcess tool;
        tool.start(QStringLiteral(PORUNKA_LEDGERTOOL), { u"cycle"_s, f.path() });
        QVERIFY(tool.waitForStarted());
        QTest::qSleep(random.bounded(5, 60)); // past start-up, into the loop
        tool.kill(); // SIGKILL: no chance to tidy up
        QVERIFY(tool.waitForFinished());
        ++kills;
        // Whatever instant it died at, the file is one of the states the loop writes: whole
        // lines of consecutive amounts; and the next load leaves no temporary file behind.
        const LedgerLoad load = LoadLedger(f.path());
        QVERIFY2(load.complete() && load.entries.size() > 1, qPrintable(u"after kill %1"_s.arg(kills)));
        for (qsizetype i = 1; i < load.entries.size(); ++i)
            QCOMPARE(load.entries.amount(i).raw() - load.entries.amount(i - 1).raw(), Money::Scale);
        QCOMPARE(entriesOf(f.dir()), QStringList { QString::fromUtf16(LedgerFileName) });
    }
    QVERIFY2(kills >= 200, qPrintable(QString::number(kills)));
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
    QProcess first, second, third, fourth;
    QVERIFY(startIn(first, f.dir()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(f.path()), 20000);
    QVERIFY(startIn(second, f.dir()) && second.waitForFinished(20000));
    QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
    QCOMPARE(first.state(), QProcess::Running);
    // A program that crashed holds nothing: the next start opens the window.
    first.kill();
    QVERIFY(first.waitForFinished() && QFile::remove(f.path()));
    QVERIFY(startIn(third, f.dir()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(f.path()), 20000);
    third.kill();
    QVERIFY(third.waitForFinished());

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
    QVERIFY(startIn(fourth, s.dir()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(s.path()), 20000);
    fourth.kill();
    QVERIFY(fourth.waitForFinished());
}

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_faults.moc"
