#include "ledgerfixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// Faults injected for real: permissions (as an unprivileged user even when the tests run as
// root), a full file system, links, and a process killed at random instants.
class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void permissions_data();
    void permissions();
    void unreadableLedgerIsLeftAlone();
    void fullFileSystem();
    void symbolicLinkIsRewrittenAtItsTarget();
    void hardLinkedLedgerIsNotSplit();
    void killedAtAnyInstantLeavesAWholeLedger();
};

namespace {

const QByteArray Two = line("2026年12月01日", "12:00:00", "100") + line("2026年12月02日", "12:00:00", "200");

struct ToolResult
{
    int exitCode = -1;
    QString output;
};

// The ledger tool where nobody can run it: the build tree may lie in a directory only its owner
// can enter.
QString toolForNobody()
{
    static QTemporaryDir dir;
    static const QString copy = [] {
        const QString path = dir.filePath(u"ledgertool"_s);
        if (!QFile::copy(QStringLiteral(PORUNKA_LEDGERTOOL), path)
            || ::chmod(QFile::encodeName(dir.path()).constData(), 0755) != 0
            || ::chmod(QFile::encodeName(path).constData(), 0755) != 0)
            qFatal("cannot copy the ledger tool");
        return path;
    }();
    return copy;
}

// Runs the ledger tool; `unprivileged` drops to nobody first when the tests run as root.
ToolResult runTool(const QStringList &args, bool unprivileged)
{
    QProcess tool;
    if (unprivileged && ::geteuid() == 0) {
        tool.setProgram(u"setpriv"_s);
        tool.setArguments(QStringList { u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                                        toolForNobody() }
                          + args);
    } else {
        tool.setProgram(QStringLiteral(PORUNKA_LEDGERTOOL));
        tool.setArguments(args);
    }
    tool.start();
    if (!tool.waitForFinished(30000))
        return {};
    return { tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()).trimmed() };
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
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
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("succeeds");

    // The user is not the owner of the directory or the file, so only "other" bits count.
    QTest::newRow("read-only directory: a deposit appends to a writable file")
            << 0755 << 0666 << u"append"_s << true;
    QTest::newRow("read-only directory: a deletion cannot replace the file")
            << 0755 << 0666 << u"drop-first"_s << false;
    QTest::newRow("read-only directory: clearing cannot replace the file")
            << 0755 << 0666 << u"empty"_s << false;
    QTest::newRow("read-only directory: no backup beside it") << 0755 << 0666 << u"backup"_s << false;
    QTest::newRow("read-only file: no deposit") << 0777 << 0644 << u"append"_s << false;
    QTest::newRow("read-only file: no deletion either, though its directory is writable")
            << 0777 << 0644 << u"drop-first"_s << false;
    QTest::newRow("writable file and directory: a deletion replaces it")
            << 0777 << 0666 << u"drop-first"_s << true;
}

void tst_Faults::permissions()
{
    QFETCH(int, dirMode);
    QFETCH(int, fileMode);
    QFETCH(QString, operation);
    QFETCH(bool, succeeds);

    LedgerFixture f;
    f.write(Two);
    QVERIFY(chmodPath(f.path(), mode_t(fileMode)));
    QVERIFY(chmodPath(f.dir(), mode_t(dirMode)));
    QStringList args { operation, f.path() };
    if (operation == u"append")
        args.append(u"300"_s);
    const ToolResult result = runTool(args, true);
    QVERIFY(chmodPath(f.dir(), 0700));
    QCOMPARE(result.exitCode, succeeds ? 0 : 1);
    if (!succeeds) {
        QVERIFY2(result.output.startsWith(u"failed"), qPrintable(result.output));
        QCOMPARE(f.bytes(), Two); // nothing changed
    } else if (operation == u"append") {
        QCOMPARE(f.bytes(), Two + line("2026年12月06日", "12:00:00", "300"));
    } else {
        QCOMPARE(f.bytes(), line("2026年12月02日", "12:00:00", "200"));
    }
    QVERIFY(entriesOf(f.dir()).size() <= 2); // the ledger, and at most its backup
    QVERIFY(!entriesOf(f.dir()).join(u' ').contains(u".txt."_s) || operation == u"backup");
}

void tst_Faults::unreadableLedgerIsLeftAlone()
{
    LedgerFixture f;
    f.write(Two);
    QVERIFY(chmodPath(f.path(), 0200));
    QVERIFY(chmodPath(f.dir(), 0777));
    const ToolResult load = runTool({ u"load"_s, f.path() }, true);
    QCOMPARE(load.exitCode, 1);
    QVERIFY2(load.output.startsWith(u"failed %1"_s.arg(int(LedgerStatus::Failure::Open))),
             qPrintable(load.output));
    QVERIFY(chmodPath(f.path(), 0600));
    QCOMPARE(f.bytes(), Two); // not created anew, not emptied

    // A link to nowhere: reported, and nothing created at its target.
    LedgerFixture l;
    QVERIFY(QFile::link(l.dir() + u"/gone/ledger.txt"_s, l.path()));
    const LedgerLoad dangling = LoadLedger(l.path());
    QCOMPARE(dangling.status.failure, LedgerStatus::Failure::Open);
    QVERIFY(!dangling.created);
    QCOMPARE(entriesOf(l.dir()), QStringList { QString::fromUtf16(LedgerFileName) });

    // Where the ledger should be, a directory: the same, and nothing is created.
    LedgerFixture d;
    QVERIFY(QDir(d.dir()).mkdir(QString::fromUtf16(LedgerFileName)));
    QCOMPARE(runTool({ u"load"_s, d.path() }, false).exitCode, 1);
    QVERIFY(QFileInfo(d.path()).isDir());
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
    // leaves the file exactly as it was, with no temporary file left behind.
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
            if (status.ok()) {
                ++successes;
                QCOMPARE(f.bytes(), done);
            } else {
                ++failures;
                QCOMPARE(f.bytes(), bytes);
            }
            QStringList names = entriesOf(f.dir());
            names.removeAll(QString::fromUtf16(LedgerFileName));
            names.removeAll(QString::fromUtf16(LedgerFileName) + u".bak"_s);
            QCOMPARE(names, QStringList());
        };
        const QDateTime at(QDate(2026, 12, 6), QTime(12, 0));
        check(AppendLedgerEntry(f.path(), Money::fromYen(7), at),
              bytes + line("2026年12月06日", "12:00:00", "7"));
        bytes = f.bytes();
        LedgerLoad load = LoadLedger(f.path());
        QVERIFY(load.complete());
        load.entries.removeAt(0);
        check(RewriteLedger(f.path(), load.entries), bytes.mid(bytes.indexOf('\n') + 1));
        bytes = f.bytes();
        const LedgerStatus backup = BackUpLedger(f.path());
        QCOMPARE(f.bytes(), bytes);
        if (backup.ok())
            QCOMPARE(bytesOf(ledgerBackupPath(f.path())), bytes);
        QFile::remove(ledgerBackupPath(f.path()));
    }
    // The sweep crossed the edge: some of it fitted and some did not.
    QVERIFY(successes > 0);
    QVERIFY(failures > 0);
}

void tst_Faults::symbolicLinkIsRewrittenAtItsTarget()
{
    LedgerFixture f;
    QVERIFY(QDir(f.dir()).mkdir(u"data"_s));
    const QString target = f.dir() + u"/data/ledger.txt"_s;
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Two);
    file.close();
    QVERIFY(chmodPath(target, 0640));
    QVERIFY(QFile::link(u"data/ledger.txt"_s, f.path()));

    LedgerLoad load = LoadLedger(f.path());
    QCOMPARE(load.entries.size(), 2);
    load.entries.removeAt(0);
    QVERIFY(RewriteLedger(f.path(), load.entries).ok());
    QVERIFY(QFileInfo(f.path()).isSymLink());
    QCOMPARE(bytesOf(target), line("2026年12月02日", "12:00:00", "200"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(5), QDateTime(QDate(2026, 12, 6), QTime(1, 0))).ok());
    QCOMPARE(LoadLedger(target).entries.size(), 2);
}

void tst_Faults::hardLinkedLedgerIsNotSplit()
{
    LedgerFixture f;
    f.write(Two);
    const QString other = f.dir() + u"/other-name.txt"_s;
    QCOMPARE(::link(QFile::encodeName(f.path()).constData(), QFile::encodeName(other).constData()), 0);
    LedgerLoad load = LoadLedger(f.path());
    load.entries.removeAt(0);
    QCOMPARE(RewriteLedger(f.path(), load.entries).failure, LedgerStatus::Failure::HardLinked);
    QCOMPARE(EmptyLedger(f.path()).failure, LedgerStatus::Failure::HardLinked);
    QCOMPARE(f.bytes(), Two);
    QCOMPARE(bytesOf(other), Two);
    // Appending writes in place and reaches every name.
    QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(5), QDateTime(QDate(2026, 12, 6), QTime(1, 0))).ok());
    QCOMPARE(bytesOf(other), f.bytes());
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
        QCOMPARE(tool.exitStatus(), QProcess::CrashExit);
        ++kills;

        // Whatever instant it died at, the file is one of the states the loop writes: whole
        // lines of consecutive amounts; and the next load leaves no temporary file behind.
        const LedgerLoad load = LoadLedger(f.path());
        QVERIFY2(load.complete(), qPrintable(u"after kill %1"_s.arg(kills)));
        QVERIFY2(load.entries.size() > 1, qPrintable(u"after kill %1"_s.arg(kills)));
        for (qsizetype i = 1; i < load.entries.size(); ++i)
            QCOMPARE(load.entries.amount(i).raw() - load.entries.amount(i - 1).raw(), Money::Scale);
        QCOMPARE(entriesOf(f.dir()), QStringList { QString::fromUtf16(LedgerFileName) });
    }
    QVERIFY2(kills >= 200, qPrintable(QString::number(kills)));
    qInfo("%d kills", kills);
}

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_faults.moc"
