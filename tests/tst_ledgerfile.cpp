// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decimal.h"
#include "ledgerexport.h"
#include "ledgerfixture.h"
#include "ledgersession.h"
#include "ledgertotals.h"
#include "ledgerundo.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

// The ledger file on disk: real CP932 bytes written, read, kept and replaced.
class tst_LedgerFile : public QObject
{
    Q_OBJECT

private slots:
    void aLedgersLifeInBytes();
    void load_data();
    void load();
    void entriesKeepTheirTextsExactly_data();
    void entriesKeepTheirTextsExactly();
    void rewriteKeepsWhatTheLoadCouldNotRead_data();
    void rewriteKeepsWhatTheLoadCouldNotRead();
    void aFileChangedElsewhereIsNeverReplaced_data();
    void aFileChangedElsewhereIsNeverReplaced();
    void undoPutsBackOnlyWhatIsMissing_data();
    void undoPutsBackOnlyWhatIsMissing();
    void aSessionHoldsTheFileAfterEveryStep_data();
    void aSessionHoldsTheFileAfterEveryStep();
    void takenOutAsASpreadsheetReadsIt();
    void exportsNeverReplaceTheLedger_data();
    void exportsNeverReplaceTheLedger();
};

namespace {

const QByteArray A = line("2010年03月07日", "19:04:05", "120");
const QByteArray B = line("2010年03月08日", "08:00:00", "12.5");
const QByteArray C = line("2010年03月09日", "21:30:00", "-30");
const QByteArray Utf8 = "\"2010年03月08日\",\"08:00:00\",80\r\n";
const QByteArray Bom = "\xEF\xBB\xBF";
const QByteArray Appended = line("2010年03月09日", "23:00:00", "7"); // by another program

QString amountsOf(const LedgerLoad &load)
{
    QStringList list;
    for (qsizetype i = 0; i < load.entries.size(); ++i)
        list.append(QString::fromLatin1(plainDecimalText(load.entries.amount(i))));
    return list.join(u' ');
}


} // namespace

void tst_LedgerFile::aLedgersLifeInBytes()
{
    LedgerFixture f;
    // Named by its bare name in the current directory, as the program names it.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(f.dir()));
    const QString bare = QString::fromUtf16(LedgerFileName);
    LedgerLoad load = LoadLedger(bare);
    QVERIFY(load.created && load.complete() && load.entries.isEmpty());
    QCOMPARE(f.bytes(), QByteArray());
    QVERIFY(!LoadLedger(bare).created);
    // One line per deposit, exactly as written; a hand-edited last line without its end is ended first.
    QVERIFY(AppendLedgerEntry(bare, Money::fromYen(120), QDateTime(QDate(2010, 3, 7), QTime(19, 4, 5))).ok());
    QCOMPARE(f.bytes(), QByteArray("\"2010\x94\x4E" "03\x8C\x8E" "07\x93\xFA\",\"19:04:05\",120\r\n"));
    f.write(A + B.chopped(2));
    QVERIFY(AppendLedgerEntry(bare, Money::fromYen(-30), QDateTime(QDate(2010, 3, 9), QTime(21, 30))).ok());
    QCOMPARE(f.bytes(), A + B + C);
    // Rewritten in order, the ledger as it was beside it under the bare name too.
    load = LoadLedger(bare);
    load.entries.removeAt(1);
    QVERIFY(RewriteLedger(bare, load.entries).ok());
    QVERIFY(f.bytes() == A + C && bytesOf(f.path() + u".bak"_s) == A + B + C && f.files().size() == 2);
    // A failure names the file with its folder.
    QVERIFY(QFile::remove(f.path()) && QDir().mkdir(bare));
    QCOMPARE(AppendLedgerEntry(bare, Money(), QDateTime::currentDateTime()).path, f.path());
    QVERIFY(QDir::setCurrent(previous));
}

void tst_LedgerFile::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("amounts");
    QTest::addColumn<QStringList>("unread"); // "reason@line/entriesBefore", in file order

    const auto at = [](LedgerReadError r, int line, int before) { return u"%1@%2/%3"_s.arg(int(r)).arg(line).arg(before); };
    const QByteArray date = "\"2010\x94\x4E" "03\x8C\x8E" "07\x93\xFA\"";
    QTest::newRow("last line without CR LF") << A + B + C.chopped(2) << u"120 12.5 -30"_s << QStringList();
    QTest::newRow("LF line ends, blank lines passed over") << "\n" + QByteArray(A + B).replace("\r\n", "\n\n") << u"120 12.5"_s << QStringList();
    QTest::newRow("fields run on across a line end") << date + ",\"19:04:05\"\r\n120\r\n" + B << u"120 12.5"_s << QStringList();
    QTest::newRow("two entries on one line") << A.chopped(2) + "," + B << u"120 12.5"_s << QStringList();
    QTest::newRow("a lone CR, thirteen digits, leading zeros") << A.chopped(1) + line("2010年03月08日", "08:00:00", "1000000000000") + line("2010年03月08日", "08:00:00", "007") << u"120 1000000000000 7"_s << QStringList();
    QTest::newRow("spaces around fields, quoted amount, .5") << " " + date + " ,\t\"19:04:05\" , \"120\" \r\n" + date + ",\"x\",.5" << u"120 0.5"_s << QStringList();
    QTest::newRow("a wave dash, a yen key and a user character") << QByteArray("\"\x81\x60\",\"\x5C\xF0\x40\",1\r\n") << u"1"_s << QStringList();
    QTest::newRow("too few fields at the end") << A + date + ",\"19:04:05\"\r\n" << u"120"_s << QStringList { at(LedgerReadError::TooFewFields, 2, 1) };
    QTest::newRow("beyond the money range") << line("2010年03月08日", "08:00:00", "922337203685477.5808") + A << u"120"_s << QStringList { at(LedgerReadError::AmountOutOfRange, 1, 0) };
    QTest::newRow("sixteen whole digits, past the range") << line("2010年03月08日", "08:00:00", "9223372036854776") + A << u"120"_s << QStringList { at(LedgerReadError::AmountOutOfRange, 1, 0) };
    QTest::newRow("running total beyond the range") << line("2010年03月08日", "08:00:00", "900000000000000").repeated(2) + C << u"900000000000000 -30"_s << QStringList { at(LedgerReadError::TotalOutOfRange, 2, 1) };
    QTest::newRow("unterminated quote") << A + "\"2010\x94\x4E,\"19:04:05\",5\r\n" + C << u"120 -30"_s << QStringList { at(LedgerReadError::Malformed, 2, 1) };
    QTest::newRow("text after a closing quote") << A + date + "x,\"19:04:05\",5\r\n" + C << u"120 -30"_s << QStringList { at(LedgerReadError::Malformed, 2, 1) };
    QTest::newRow("a control byte in a text") << A + "\"2010\x01\",\"08:00:00\",5\r\n" << u"120"_s << QStringList { at(LedgerReadError::BadEncoding, 2, 1) };
    // 日本 in UTF-8 is valid CP932 too, where it would read as other characters.
    QTest::newRow("a UTF-8 line in a CP932 ledger") << A + "\"日本\",\"08:00:00\",80\r\n" + A << u"120 120"_s << QStringList { at(LedgerReadError::BadEncoding, 2, 1) };
    QTest::newRow("a CP932 line in a UTF-8 ledger") << Utf8 + A + Utf8 << u"80 80"_s << QStringList { at(LedgerReadError::BadEncoding, 2, 1) };
    // Read in pieces of 64 KB: every byte of a tail longer than a piece is kept.
    QTest::newRow("past the most entries, a tail longer than a piece") << A.repeated(LedgerTotals::MaxEntries) + C.repeated(3000) << u"120 "_s.repeated(LedgerTotals::MaxEntries).chopped(1) << QStringList { at(LedgerReadError::TooManyEntries, LedgerTotals::MaxEntries + 1, LedgerTotals::MaxEntries) };
    QTest::newRow("torn append: NUL bytes") << A + QByteArray(34, '\0') << u"120"_s << QStringList { at(LedgerReadError::TooFewFields, 2, 1) };
    QTest::newRow("no amount; a control byte for the opening quote") << line("2010年03月08日", "08:00:00", "") + "\x01" + A.mid(1) + C << u"-30"_s << QStringList { at(LedgerReadError::BadAmount, 1, 0), at(LedgerReadError::BadEncoding, 2, 0) };
    QTest::newRow("a bad entry costs only its first line") << date + ",\"19:04:05\"\r\nabc\r\n" + C << u"-30"_s << QStringList { at(LedgerReadError::BadAmount, 1, 0), at(LedgerReadError::BadAmount, 2, 0) };
}

void tst_LedgerFile::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, unread);
    LedgerFixture f;
    f.write(bytes);
    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.status.ok() && !load.created);
    QTEST(amountsOf(load), "amounts");
    QStringList got;
    for (const UnreadLines &u : load.unread) {
        got.append(u"%1@%2/%3"_s.arg(int(u.reason)).arg(u.line).arg(u.entriesBefore));
        QCOMPARE(bytes.mid(u.offset, u.bytes.size()), u.bytes); // kept verbatim, past the limit to the end
        QVERIFY(u.reason != LedgerReadError::TooManyEntries || u.offset + u.bytes.size() == bytes.size());
    }
    QCOMPARE(got, unread);
}

void tst_LedgerFile::entriesKeepTheirTextsExactly_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<bool>("standard");
    QTest::newRow("the program's own") << u"2010年03月07日"_s << u"19:04:05"_s << true;
    QTest::newRow("all nines") << u"9999年99月99日"_s << u"99:99:99"_s << true;
    QTest::newRow("full-width digits") << u"２０１０年03月07日"_s << u"19:04:05"_s << false;
    QTest::newRow("a dash for the second colon") << u"2010年03月07日"_s << u"19:04-05"_s << false;
    QTest::newRow("a colon among the digits") << u"2010年03月0:日"_s << u"19:04:05"_s << false;
    QTest::newRow("another kanji for 日") << u"2010年03月07月"_s << u"19:04:05"_s << false;
    QTest::newRow("empty") << QString() << QString() << false;
}

void tst_LedgerFile::entriesKeepTheirTextsExactly()
{
    // Texts in the program's own form are kept as digits; every text comes back as it was and is
    // written as the general encoder writes it.
    QFETCH(QString, date);
    QFETCH(QString, time);
    LedgerEntries entries { { u"2010年01月01日"_s, u"00:00:01"_s, Money::fromYen(1) }, { date, time, Money::fromYen(120) } };
    QCOMPARE(entries.at(1), (LedgerEntry { date, time, Money::fromYen(120) }));
    QTEST(entries.standardDateTime(1).has_value(), "standard");
    LedgerFixture f;
    QVERIFY(RewriteLedger(f.path(), entries).ok());
    QCOMPARE(f.bytes(), ledgerLine(u"2010年01月01日", u"00:00:01", Money::fromYen(1)) + ledgerLine(date, time, Money::fromYen(120)));
    // A text the file cannot hold is refused, and the file stays as it was.
    for (const QString &bad : { u"€"_s, u"a\"b"_s, u"a\nb"_s })
        QCOMPARE(RewriteLedger(f.path(), { { date + bad, time, Money() } }).failure, LedgerStatus::Failure::Encode);
    QCOMPARE(LoadLedger(f.path()).entries, entries);
    // Taking rows out leaves every other row its own texts.
    LedgerEntries three { { date, time, Money::fromYen(1) }, { u"2010年01月01日"_s, u"00:00:01"_s, Money::fromYen(2) }, { date, u"x"_s, Money::fromYen(3) } };
    three.removeAt(1);
    three.removeAt(0);
    QCOMPARE(three.toList(), (QList<LedgerEntry> { { date, u"x"_s, Money::fromYen(3) } }));
}

void tst_LedgerFile::rewriteKeepsWhatTheLoadCouldNotRead_data()
{
    QTest::addColumn<QByteArray>("bom");
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("c");
    const QByteArray utfA = "\"2010年03月07日\",\"19:04:05\",120\r\n", utfC = "\"2010年03月09日\",\"21:30:00\",-30\r\n";
    QTest::newRow("CP932") << QByteArray() << A << C;
    QTest::newRow("UTF-8") << QByteArray() << utfA << utfC;
    QTest::newRow("UTF-8 with its mark") << Bom << utfA << utfC;
}

void tst_LedgerFile::rewriteKeepsWhatTheLoadCouldNotRead()
{
    QFETCH(QByteArray, bom);
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, c);
    // A line in the other character set, and a torn tail without a line end.
    const QByteArray bad = a == A ? Utf8 : A, tail = "\"2010\x94\x4E";
    LedgerFixture f;
    f.write(bom + a + bad + c + tail);
    LedgerLoad load = LoadLedger(f.path());
    QCOMPARE(load.unread.size(), 2);
    // Deleting the first entry: the unread lines stay after the entries they followed.
    load.entries.removeAt(0);
    for (UnreadLines &u : load.unread)
        --u.entriesBefore;
    QVERIFY(RewriteLedger(f.path(), load.entries, load.unread, load.encoding).ok());
    QCOMPARE(f.bytes(), bom + bad + c + tail + "\r\n");
    // A deposit goes on in the file's own characters; a mark inside a field is text, kept.
    QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(5), QDateTime(QDate(2010, 3, 7), QTime(19, 4, 5)), load.encoding).ok());
    QVERIFY(f.bytes().endsWith(a.replace("120", "5")));
    f.write("\"" + Bom + "2010年\",\"19:04:05\",1\r\n");
    QVERIFY(RewriteLedger(f.path(), LoadLedger(f.path()).entries, {}, LedgerEncoding::Utf8).ok());
    QCOMPARE(f.bytes(), "\"" + Bom + "2010年\",\"19:04:05\",1\r\n");
}

void tst_LedgerFile::aFileChangedElsewhereIsNeverReplaced_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("another program appends a line") << u"append"_s;
    QTest::newRow("an amount edited in place, its time put back") << u"edit"_s;
    QTest::newRow("replaced by a copy of the same bytes") << u"copy"_s;
    QTest::newRow("another program appends while the journal is made") << u"during"_s;
}

void tst_LedgerFile::aFileChangedElsewhereIsNeverReplaced()
{
    QFETCH(QString, change);
    // Longer than a block of the digest, and the edit made in the first block.
    const QByteArray ledger = A + B.repeated(200);
    for (const QString &operation : { u"rewrite"_s, u"empty"_s, u"append"_s, u"undo"_s }) {
        LedgerFixture f;
        f.write(ledger);
        LedgerLoad load = LoadLedger(f.path());
        QVERIFY(operation != u"undo" || writeFile(ledgerBackupPath(f.path()), ledger + C)); // for the undo: C was deleted
        const LedgerUndo plan = PlanLedgerUndo(f.path());
        const QByteArray path = QFile::encodeName(f.path());
        if (change == u"append") {
            QVERIFY(writeFile(f.path(), C, QIODevice::Append));
        } else if (change == u"edit") {
            struct stat old {};
            QCOMPARE(::stat(path.constData(), &old), 0);
            QFile file(f.path());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(ledger.indexOf(",120") + 1) && file.write("900") == 3);
            file.close();
            const timespec times[2] = { old.st_atim, old.st_mtim };
            QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        } else if (change == u"copy") {
            QVERIFY(QFile::copy(f.path(), f.path() + u".copy"_s));
            QCOMPARE(::rename(QFile::encodeName(f.path() + u".copy"_s).constData(), path.constData()), 0);
        }
        // The other program's line comes in the middle of the rewrite, once its journal is made.
        static QString ledgerPath;
        ledgerPath = f.path();
        setWriteStepHook(change == u"during" ? WriteStepHook([](WriteStep step) { return step == WriteStep::LinkJournal && !writeFile(ledgerPath, C, QIODevice::Append); }) : nullptr);
        const QByteArray now = f.bytes() + (change == u"during" && operation != u"append" ? C : QByteArray());
        if (operation == u"append") {
            // Appending is safe all the same; the stamp says that the window must reload.
            QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(7), QDateTime(QDate(2010, 3, 9), QTime(21, 30)), LedgerEncoding::Cp932, &load.stamp).ok());
            QCOMPARE(f.bytes(), now + line("2010年03月09日", "21:30:00", "7"));
            QCOMPARE(load.stamp.valid, change == u"during"); // nothing changed before the deposit there
            continue;
        }
        load.entries.removeAt(0);
        const LedgerStatus status = operation == u"rewrite" ? RewriteLedger(f.path(), load.entries, {}, load.encoding, &load.stamp)
                : operation == u"empty"                     ? EmptyLedger(f.path(), &load.stamp)
                                                            : UndoLedger(f.path(), plan);
        setWriteStepHook(nullptr);
        QCOMPARE(status.failure, LedgerStatus::Failure::Changed);
        QCOMPARE(f.bytes(), now);
        QCOMPARE(f.files().size(), operation == u"undo" ? 2 : 1);
    }
}

void tst_LedgerFile::undoPutsBackOnlyWhatIsMissing_data()
{
    // The recovery point, the ledger now, the ledger after the undo, how many entries came back
    // (-1: the recovery point is refused as too large) and how many lines cannot.
    QTest::addColumn<QByteArray>("recovery");
    QTest::addColumn<QByteArray>("ledger");
    QTest::addColumn<QByteArray>("merged");
    QTest::addColumn<int>("restored");
    QTest::addColumn<int>("unreadable");
    const QByteArray cNoEnd = C.chopped(2), otherForm = "\"2016\x94\x4E" "02\x8C\x8E" "01\x93\xFA\",\"09:00:00\", 5000\r\n";
    const QByteArray ownForm = line("2016年02月01日", "09:00:00", "5000"), seven = line("2010年03月10日", "08:00:00", "7"), at10[] = { line("2010年03月10日", "08:00:00", "12.5"), line("2010年03月10日", "08:00:00", "13"), line("2010年03月10日", "08:00:00", "12.6") };
    QTest::newRow("moved elsewhere, one deleted: nothing doubled") << A + B + C << B + A << B + C + A << 1 << 0;
    QTest::newRow("an entry kept twice, one of three deleted") << A + A + A << A + A << A + A + A << 1 << 0;
    QTest::newRow("a last line without its end, then a deposit") << A + cNoEnd << A + B << A + C + B << 1 << 0;
    QTest::newRow("the mark of a UTF-8 ledger kept") << Bom + Utf8 << Bom + A << Bom + Utf8 + A << 1 << 0;
    QTest::newRow("a space before the amount, rewritten by the deletion") << A + otherForm + B << A + ownForm << A + ownForm + B << 1 << 0;
    QTest::newRow("007 and a lone CR, rewritten") << A.chopped(1) + line("2010年03月10日", "08:00:00", "007") + C << A + seven << A + seven + C << 1 << 0;
    QTest::newRow("two entries on one line") << A.chopped(2) + "," + B + C << A + B << A + B + C << 1 << 0;
    QTest::newRow("an unread line the ledger still holds, before a restored entry") << A + B + Utf8 + C << A + Utf8 + C << A + B + Utf8 + C << 1 << 0;
    QTest::newRow("a UTF-8 mark before CP932 lines: never written") << Bom + A + B + C << A + C << B + A + C << 1 << 1;
    QTest::newRow("a quote inside a text: read, but never written") << A + QByteArray("x\"y,\"08:00:00\",5\r\n") << A << A << 0 << 1;
    QTest::newRow("binary lines: offered never") << A + QByteArray("\x01\x02\xff\r\n\"\x81\",\"x\r\n") + B << A << A + B << 1 << 2;
    QTest::newRow("a cleared UTF-8 ledger: back in UTF-8") << Bom + Utf8 << QByteArray() << Bom + Utf8 << 1 << 0;
    const QByteArray x1 = "\"\x82\x50\x82\x4F\x81\x7C\",\"9 \x8E\x9E\",1\r\n", x2 = "\"\x82\x50\x82\x4F\x81\x7C\",\"10 \x8E\x9E\",1\r\n";
    QTest::newRow("texts not in the program's form, two times of one day: both kept") << x1 + A << x2 << x1 + A + x2 << 2 << 0;
    QTest::newRow("a UTF-8 mark alone in the ledger: kept") << Utf8 << Bom << Bom + Utf8 << 1 << 0;
    QTest::newRow("a day and an hour apart: two deposits") << line("2010年03月01日", "02:00:00", "5") << line("2010年03月02日", "01:00:00", "5") << line("2010年03月01日", "02:00:00", "5") + line("2010年03月02日", "01:00:00", "5") << 1 << 0;
    QTest::newRow("one deposit three times, in forms a rewrite makes one") << at10[0] + at10[1] + B + at10[2] << B + at10[1] << at10[0] + at10[1] + B + at10[2] << 2 << 0;
    QTest::newRow("nothing missing: nothing to do") << A + B << B + C + A << B + C + A << 0 << 0;
    QTest::newRow("more than a ledger holds: refused") << A.repeated(LedgerTotals::MaxEntries + 1) << A << QByteArray() << -1 << 0;
}

void tst_LedgerFile::undoPutsBackOnlyWhatIsMissing()
{
    QFETCH(QByteArray, recovery);
    QFETCH(QByteArray, ledger);
    QFETCH(int, restored);
    const RecoveryMerge merge = mergeRecoveryPoint(recovery, ledger);
    QCOMPARE(merge.tooLarge, restored < 0);
    QTEST(merge.merged, "merged");
    QCOMPARE(merge.restored.size(), std::max(restored, 0));
    QTEST(int(merge.unreadable), "unreadable");
    // Taken back a second time, nothing is left to take back.
    QVERIFY(restored < 0 || mergeRecoveryPoint(recovery, merge.merged).restored.isEmpty());
}

void tst_LedgerFile::aSessionHoldsTheFileAfterEveryStep_data()
{
    // Steps: "r" the first reading, "+X" a deposit at 2010-03-10 09:00, "-ROW" a deletion, "c" a
    // clearing, "u" an undo; "o+X" a deposit by a second session on the file; "a" another program
    // appends, "d" the file becomes a folder, "f" a file again holding A, "!" the next rewrite
    // of the ledger fails once. What each step of a session returned, and the file after.
    QTest::addColumn<QByteArray>("ledger");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcomes");
    QTest::addColumn<QByteArray>("after");
    const QByteArray D = line("2010年03月10日", "09:00:00", "300"), B13 = line("2010年03月08日", "08:00:00", "13");
    QTest::newRow("a deposit, then its own row deleted") << A + B << u"r +300 -2"_s << u"ok ok"_s << A + B13;
    QTest::newRow("a deposit, then the row before it") << A + B << u"r +300 -1"_s << u"ok ok"_s << A + D;
    QTest::newRow("the file changed before the first reading is taken") << A << u"a r -0"_s << u"ok"_s << Appended;
    QTest::newRow("delete, undo, undo again") << A + B + C << u"r -1 u u"_s << u"ok ok nothing"_s << A + B + C;
    QTest::newRow("clear, deposit, undo: the deposit after them") << A + B << u"r c +300 u"_s << u"ok ok ok"_s << A + B + D;
    QTest::newRow("a deposit there, then a deletion here: refused, then made") << A + B << u"r o+300 -0 -0"_s << u"ok changed ok"_s << B13 + D;
    QTest::newRow("another program appends, a deposit here follows the file") << A + B << u"r a +300 -0"_s << u"ok ok"_s << B13 + Appended + D;
    QTest::newRow("refused at start, fixed while open") << QByteArray() << u"d r +300 f +300"_s << u"unreadable ok"_s << A + D;
    QTest::newRow("a line the file cannot take leaves no row") << A << u"r d +300 f +300"_s << u"unsaved ok"_s << A + D;
    QTest::newRow("undo's rewrite fails, then works") << A + B + C << u"r -1 ! u u"_s << u"ok failed ok"_s << A + B + C;
    QTest::newRow("an unread line stays after the entry before it") << A + Utf8 + B << u"r -1"_s << u"ok"_s << A + Utf8;
    QTest::newRow("only a UTF-8 mark: deposits in UTF-8") << Bom << u"r +300"_s << u"ok"_s << Bom + "\"2010年03月10日\",\"09:00:00\",300\r\n";
    QTest::newRow("the limit") << A.repeated(LedgerTotals::MaxEntries) << u"r +5 -0 u c +5 u"_s << u"limit ok ok ok ok beyond"_s << line("2010年03月10日", "09:00:00", "5");
}

void tst_LedgerFile::aSessionHoldsTheFileAfterEveryStep()
{
    QFETCH(QByteArray, ledger);
    QFETCH(QString, steps);
    LedgerFixture f;
    f.write(ledger);
    LedgerSession here(f.path()), there(f.path());
    there.ReloadFromLedger();
    static bool failOnce;
    setWriteStepHook([](WriteStep step) { return step == WriteStep::WriteLedger && std::exchange(failOnce, false); });
    const auto said = [](const LedgerStatus &status) { return status.ok() ? u"ok"_s : status.failure == FileFailure::Changed ? u"changed"_s : u"failed"_s; };
    const QString refusals[] = { u"ok"_s, u"unreadable"_s, u"limit"_s, u"range"_s, u"unsaved"_s };
    const auto undo = [&](LedgerSession &session, const LedgerUndo &plan) { return plan.restored.isEmpty() ? u"nothing"_s : plan.beyondLimits ? u"beyond"_s : said(session.undo(plan)); };
    QStringList outcomes;
    for (QString step : steps.split(u' ')) {
        LedgerSession &session = step.startsWith(u'o') ? there : here;
        step.remove(u'o');
        const QString arg = step.mid(1);
        switch (step[0].unicode()) {
        case 'r': session.ReloadFromLedger(); break;
        case '+': outcomes << refusals[int(session.Deposit(money(qPrintable(arg)), QDateTime(QDate(2010, 3, 10), QTime(9, 0))).refusal)]; break;
        case '-': outcomes << said(session.RemoveEntry(arg.toInt())); break;
        case 'c': outcomes << said(session.ClearLedger()); break;
        case 'u': outcomes << undo(session, session.planUndo()); break;
        case 'a': QTest::qWait(50); QVERIFY(writeFile(f.path(), Appended, QIODevice::Append)); continue; // the first reading made by then
        case 'd': QVERIFY((!QFile::exists(f.path()) || QFile::remove(f.path())) && QDir().mkdir(f.path())); continue;
        case 'f': QVERIFY(QDir().rmdir(f.path()) && writeFile(f.path(), A)); continue;
        case '!': failOnce = true; continue;
        }
        if (&session == &there)
            continue;
        // Whatever its step did, the session holds what a fresh reading of the file holds.
        LedgerSession fresh(f.path());
        fresh.ReloadFromLedger();
        QVERIFY2(here.entries() == fresh.entries() && here.texts() == fresh.texts() && here.unread() == fresh.unread(), qPrintable(step));
        for (qsizetype row = 0; row < fresh.entries().size(); ++row)
            QCOMPARE(here.runningTotal(row), fresh.runningTotal(row));
    }
    setWriteStepHook(nullptr);
    QTEST(outcomes.join(u' '), "outcomes");
    QTEST(f.bytes(), "after");
}

void tst_LedgerFile::takenOutAsASpreadsheetReadsIt()
{
    // Every kind of entry the list shows: whole, fractional, negative, a date written by hand,
    // and texts a spreadsheet would run as a formula or split at a comma; an unread line is not
    // in the list and not in the file.
    LedgerFixture f;
    f.write(A + B + C + line("2010年3月9日", "=1+1", "7") + "\x82\xa0\r\n" + line("2010年03月10日", "a,b", "0"));
    LedgerSession session(f.path());
    session.ReloadFromLedger();
    const QByteArray csv = ledgerCsv(session);
    QCOMPARE(csv, QByteArray("\xEF\xBB\xBF回,日付,時間,入金,累計,日付 (ISO 8601)\r\n"
                             "1,2010年03月07日,19:04:05,120,120,2010-03-07\r\n2,2010年03月08日,08:00:00,12.5,132.5,2010-03-08\r\n"
                             "3,2010年03月09日,21:30:00,-30,102.5,2010-03-09\r\n4,2010年3月9日,'=1+1,7,109.5,2010-03-09\r\n"
                             "5,2010年03月10日,\"a,b\",0,109.5,2010-03-10\r\n"));
    QCOMPARE(ledgerRowsText(session, { 3, 1 }), u"2\t2010年03月08日\t08:00:00\t12.5\t132.5\t2010-03-08\n4\t2010年3月9日\t'=1+1\t7\t109.5\t2010-03-09\n"_s);
    const QString out = f.dir() + u"/out.csv"_s;
    QCOMPARE(saveExport(out, csv, session).outcome, ExportResult::Outcome::Saved);
    QCOMPARE(bytesOf(out), csv);

    // Calc reads the same numbers, times and dates. Converting without a window skips the import
    // dialog, which takes UTF-8 from the byte-order mark: its choices are given instead.
    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    if (soffice.isEmpty())
        QSKIP("LibreOffice Calc (soffice) is not installed");
    QProcess calc;
    calc.start(soffice, { u"-env:UserInstallation=file://"_s + f.dir() + u"/profile"_s, u"--headless"_s,
                          u"--infilter=CSV:44,34,76,1"_s, u"--convert-to"_s, u"fods"_s, u"--outdir"_s, f.dir(), out });
    QVERIFY(calc.waitForFinished(120000) && calc.exitCode() == 0);
    QFile fods(f.dir() + u"/out.fods"_s);
    QVERIFY(fods.open(QIODevice::ReadOnly));
    QStringList rows, cells;
    for (QXmlStreamReader xml(&fods); !xml.atEnd();) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"table-row" && !cells.isEmpty())
            rows.append(std::exchange(cells, {}).join(u' '));
        if (!xml.isStartElement() || xml.name() != u"table-cell")
            continue;
        const auto a = xml.attributes();
        const QString type = a.value(u"office:value-type"_s).toString();
        const QString value = type == u"float" ? a.value(u"office:value"_s).toString() : type == u"date" ? a.value(u"office:date-value"_s).toString() : type == u"time" ? a.value(u"office:time-value"_s).toString() : xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        for (int i = std::max(1, a.value(u"table:number-columns-repeated"_s).toInt()); i > 0; --i)
            cells.append(type.left(1) + u':' + value);
    }
    QCOMPARE(rows.mid(1).join(u" / "), u"f:1 s:2010年03月07日 t:PT19H04M05S f:120 f:120 d:2010-03-07 / f:2 s:2010年03月08日 t:PT08H00M00S f:12.5 f:132.5 d:2010-03-08 / "
                                       "f:3 s:2010年03月09日 t:PT21H30M00S f:-30 f:102.5 d:2010-03-09 / f:4 s:2010年3月9日 s:'=1+1 f:7 f:109.5 d:2010-03-09 / "
                                       "f:5 s:2010年03月10日 s:a,b f:0 f:109.5 d:2010-03-10"_s);
}

void tst_LedgerFile::exportsNeverReplaceTheLedger_data()
{
    // Where the user asks to save: "ledger", ".bak" and "-journal" (its recovery point and
    // journal), "link" (a symbolic link to the ledger), "hard" (a hard link to it), "other" (a
    // file of the user's, with a hard link of its own), "nofolder".
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("outcome");
    for (const char *target : { "ledger", ".bak", "-journal", "link", "hard", "link to a ledger not made yet" })
        QTest::newRow(target) << QString::fromLatin1(target) << int(ExportResult::Outcome::WouldReplaceLedger);
    QTest::newRow("another file: replaced whole, its other name keeps what it held") << u"other"_s << int(ExportResult::Outcome::Saved);
    QTest::newRow("a folder that is not there") << u"nofolder"_s << int(ExportResult::Outcome::Failed);
}

void tst_LedgerFile::exportsNeverReplaceTheLedger()
{
    QFETCH(QString, target);
    QFETCH(int, outcome);
    LedgerFixture f;
    const bool made = !target.startsWith(u"link to");
    f.write(A);
    LedgerSession session(f.path());
    session.ReloadFromLedger();
    QVERIFY(made || QFile::remove(f.path()));
    const QString other = f.dir() + u"/other"_s;
    for (const QString &kept : { ledgerBackupPath(f.path()), ledgerJournalPath(f.path()), other })
        QVERIFY(writeFile(kept, B));
    const auto link = [](const QString &from, const QString &to) { return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0; };
    QVERIFY(QFile::link(f.path(), f.dir() + u"/link"_s) && QFile::link(f.path(), f.dir() + u"/link to a ledger not made yet"_s));
    QVERIFY(link(made ? f.path() : other, f.dir() + u"/hard"_s) && link(other, other + u'2'));
    const QStringList files = f.files();
    const QString path = target == u"ledger" ? f.path() : target.startsWith(u'.') || target.startsWith(u'-') ? f.path() + target : f.dir() + u'/' + target + (target == u"nofolder" ? u"/x.csv"_s : QString());
    const ExportResult result = saveExport(path, "exported", session);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(result.error.isEmpty(), outcome != int(ExportResult::Outcome::Failed));
    // What the program keeps is as it was, the file saved over is whole, and nothing is left over.
    QCOMPARE(f.bytes(), made ? A : QByteArray("<missing>"));
    QCOMPARE(bytesOf(ledgerBackupPath(f.path())) + bytesOf(ledgerJournalPath(f.path())) + bytesOf(other + u'2'), B + B + B);
    QCOMPARE(bytesOf(other), target == u"other" ? QByteArray("exported") : B);
    QCOMPARE(f.files(), files);
}

QTEST_GUILESS_MAIN(tst_LedgerFile)
#include "tst_ledgerfile.moc"
