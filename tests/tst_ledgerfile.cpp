#include "amount.h"
#include "decimal.h"
#include "ledgerfixture.h"
#include "ledgertotals.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(LedgerReadError)

namespace {

// 年, 月, 日 as CP932 writes them.
const QByteArray DateBytes2010 = QByteArray("2010\x94\x4E" "03\x8C\x8E" "07\x93\xFA");

QString amountsOf(const LedgerLoad &load)
{
    QStringList list;
    for (qsizetype i = 0; i < load.entries.size(); ++i)
        list.append(QString::fromLatin1(plainDecimalText(load.entries.amount(i))));
    return list.join(u' ');
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class tst_LedgerFile : public QObject
{
    Q_OBJECT

private slots:
    void missingFileIsCreatedEmpty();
    void appendWritesTheExactLine();
    void appendAmountField_data();
    void appendAmountField();
    void appendNeverMergesIntoAnUnterminatedLastLine();

    void load_data();
    void load();
    void loadDecodesCp932Texts();

    void rewriteWritesEntriesInOrder();
    void entriesKeepTheirTextsExactly_data();
    void entriesKeepTheirTextsExactly();
    void rewriteKeepsUnreadLinesWhereTheyWere();
    void rewriteKeepsPermissionsAndLeavesNoTemporaryFile();
    void rewriteRefusesTextsCp932CannotHold();
    void aDirectoryInTheLedgersPlaceFailsEveryOperation();
    void emptyLeavesZeroBytes();
    void backupKeepsOneGeneration();
    void aFileChangedElsewhereIsNeverReplaced_data();
    void aFileChangedElsewhereIsNeverReplaced();

    void entriesBeyondTheLimitAreKeptNotLost();
    void utf8LedgersReadAndWriteAsUtf8_data();
    void utf8LedgersReadAndWriteAsUtf8();
    void byteOrderMarkInsideAFieldIsKept();
    void readingInSmallPiecesReadsTheSame();
    void ownLinesReadAsAnyOtherLine_data();
    void ownLinesReadAsAnyOtherLine();
    void textsInTheOtherCharacterSetAreKeptNotGarbled_data();
    void textsInTheOtherCharacterSetAreKeptNotGarbled();
};

void tst_LedgerFile::missingFileIsCreatedEmpty()
{
    LedgerFixture f;
    QVERIFY(!f.exists());
    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.status.ok());
    QVERIFY(load.created);
    QVERIFY(load.complete());
    QVERIFY(load.entries.isEmpty());
    QVERIFY(f.exists());
    QCOMPARE(f.bytes(), QByteArray());

    // The second load finds it.
    QVERIFY(!LoadLedger(f.path()).created);
}

void tst_LedgerFile::appendWritesTheExactLine()
{
    LedgerFixture f;
    const QDateTime at(QDate(2010, 3, 7), QTime(19, 4, 5));
    QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(120), at).ok()); // creates the file
    const QByteArray expected = "\"" + DateBytes2010 + "\",\"19:04:05\",120\r\n";
    QCOMPARE(f.bytes(), expected);

    QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(-30), at.addSecs(1)).ok());
    QCOMPARE(f.bytes(), expected + "\"" + DateBytes2010 + "\",\"19:04:06\",-30\r\n");

    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.complete());
    QCOMPARE(load.entries.toList(),
             (QList<LedgerEntry> { { u"2010年03月07日"_s, u"19:04:05"_s, Money::fromYen(120) },
                                   { u"2010年03月07日"_s, u"19:04:06"_s, Money::fromYen(-30) } }));
}

void tst_LedgerFile::appendAmountField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("whole") << u"300"_s << QByteArray("300");
    QTest::newRow("typed with grouping and yen sign") << u"¥1,200"_s << QByteArray("1200");
    QTest::newRow("12.5 is written as 12.5") << u"12.5"_s << QByteArray("12.5");
    QTest::newRow("no trailing zeros") << u"7.50"_s << QByteArray("7.5");
    QTest::newRow("fraction below one") << u".5"_s << QByteArray("0.5");
    QTest::newRow("negative") << u"-50"_s << QByteArray("-50");
    QTest::newRow("zero") << u"0"_s << QByteArray("0");
    QTest::newRow("exponent") << u"1.5e3"_s << QByteArray("1500");
    QTest::newRow("full-width") << u"３００"_s << QByteArray("300");
    QTest::newRow("maximum") << u"922337203685477.5807"_s << QByteArray("922337203685477.5807");
}

void tst_LedgerFile::appendAmountField()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, field);
    LedgerFixture f;
    const auto amount = parseAmount(typed);
    QVERIFY(amount);
    QVERIFY(AppendLedgerEntry(f.path(), *amount, QDateTime(QDate(2026, 12, 6), QTime(8, 0))).ok());
    QVERIFY(f.bytes().endsWith("\"08:00:00\"," + field + "\r\n"));
    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.complete());
    QCOMPARE(load.entries.amount(0), *amount);
}

void tst_LedgerFile::appendNeverMergesIntoAnUnterminatedLastLine()
{
    LedgerFixture f;
    const QByteArray handEdited = line("2010年03月07日", "19:04:05", "50").chopped(2);
    f.write(handEdited);
    QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(20), QDateTime(QDate(2010, 3, 8), QTime(9, 0))).ok());
    QCOMPARE(f.bytes(), handEdited + "\r\n" + line("2010年03月08日", "09:00:00", "20"));
    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.complete());
    QCOMPARE(amountsOf(load), u"50 20"_s);
}

void tst_LedgerFile::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("amounts");
    // Unread parts as "reason@line/entriesBefore", one each.
    QTest::addColumn<QStringList>("unread");

    const QByteArray a = line("2010年03月07日", "19:04:05", "120");
    const QByteArray b = line("2010年03月08日", "08:00:00", "12.5");
    const QByteArray c = line("2010年03月09日", "21:30:00", "-30");
    const auto at = [](LedgerReadError r, int line, int before) {
        return u"%1@%2/%3"_s.arg(int(r)).arg(line).arg(before);
    };

    QTest::newRow("empty file") << QByteArray() << QString() << QStringList();
    QTest::newRow("three lines") << a + b + c << u"120 12.5 -30"_s << QStringList();
    QTest::newRow("last line without CR LF reads the same") << a + b + c.chopped(2)
                                                            << u"120 12.5 -30"_s << QStringList();
    QTest::newRow("LF line ends") << QByteArray(a + b).replace("\r\n", "\n") << u"120 12.5"_s
                                  << QStringList();
    QTest::newRow("fields run on across a line end")
            << QByteArray("\"" + DateBytes2010 + "\",\"19:04:05\"\r\n120\r\n") + b
            << u"120 12.5"_s << QStringList();
    QTest::newRow("two entries on one line")
            << QByteArray(a.chopped(2) + "," + b) << u"120 12.5"_s << QStringList();
    QTest::newRow("spaces around fields")
            << QByteArray(" \"" + DateBytes2010 + "\" ,\t\"19:04:05\" ,  120  \r\n")
            << u"120"_s << QStringList();
    QTest::newRow("blank lines are passed over") << "\r\n" + a + "\r\n  \r\n" + b + "\r\n\r\n"
                                                 << u"120 12.5"_s << QStringList();
    QTest::newRow("quoted amount, leading-period fraction")
            << QByteArray("\"" + DateBytes2010 + "\",\"19:04:05\",\"120\"\r\n"
                          "\"" + DateBytes2010 + "\",\"19:04:05\",.5\r\n")
            << u"120 0.5"_s << QStringList();

    QTest::newRow("too few fields at the end") << a + "\"" + DateBytes2010 + "\",\"19:04:05\"\r\n"
                                               << u"120"_s
                                               << QStringList { at(LedgerReadError::TooFewFields, 2, 1) };
    QTest::newRow("amount not a number, the entries after it still read")
            << a + line("2010年03月08日", "08:00:00", "abc") + c << u"120 -30"_s
            << QStringList { at(LedgerReadError::BadAmount, 2, 1) };
    QTest::newRow("amount with grouping is not a plain number")
            << a + line("2010年03月08日", "08:00:00", "\"1,200\"") << u"120"_s
            << QStringList { at(LedgerReadError::BadAmount, 2, 1) };
    QTest::newRow("amount beyond the money range")
            << line("2010年03月08日", "08:00:00", "922337203685477.5808") + a << u"120"_s
            << QStringList { at(LedgerReadError::AmountOutOfRange, 1, 0) };
    QTest::newRow("running total beyond the money range")
            << line("2010年03月08日", "08:00:00", "900000000000000")
                       + line("2010年03月08日", "08:00:01", "900000000000000") + c
            << u"900000000000000 -30"_s
            << QStringList { at(LedgerReadError::TotalOutOfRange, 2, 1) };
    QTest::newRow("unterminated quote") << a + "\"2010\x94\x4E,\"19:04:05\",5\r\n" + c
                                        << u"120 -30"_s
                                        << QStringList { at(LedgerReadError::Malformed, 2, 1) };
    QTest::newRow("text after a closing quote")
            << a + "\"" + DateBytes2010 + "\"x,\"19:04:05\",5\r\n" + c << u"120 -30"_s
            << QStringList { at(LedgerReadError::Malformed, 2, 1) };
    QTest::newRow("bytes that are not CP932")
            << a + "\"2010\x85\x40" "03\x8C\x8E" "08\x93\xFA\",\"08:00:00\",5\r\n" + c
            << u"120 -30"_s << QStringList { at(LedgerReadError::BadEncoding, 2, 1) };
    QTest::newRow("a lone lead byte") << a + "\"\x94\",\"08:00:00\",5\r\n" << u"120"_s
                                      << QStringList { at(LedgerReadError::BadEncoding, 2, 1) };
    QTest::newRow("a control byte in a text") << a + "\"2010\x01\",\"08:00:00\",5\r\n"
                                              << u"120"_s
                                              << QStringList { at(LedgerReadError::BadEncoding, 2, 1) };
    QTest::newRow("torn append: NUL bytes where the file grew")
            << a + QByteArray(34, '\0') << u"120"_s
            << QStringList { at(LedgerReadError::TooFewFields, 2, 1) };
    QTest::newRow("torn append: partial line")
            << a + b + "\"2010\x94\x4E" "03" << u"120 12.5"_s
            << QStringList { at(LedgerReadError::TooFewFields, 3, 2) };
    QTest::newRow("a bad entry costs only its first line")
            << QByteArray("\"" + DateBytes2010 + "\",\"19:04:05\"\r\nabc\r\n") + c
            << u"-30"_s
            << QStringList { at(LedgerReadError::BadAmount, 1, 0), at(LedgerReadError::BadAmount, 2, 0) };
    QTest::newRow("two bad places") << "x\r\n" + a + "y,z\r\n" + b << u"120 12.5"_s
                                    << QStringList { at(LedgerReadError::BadAmount, 1, 0),
                                                     at(LedgerReadError::BadAmount, 3, 1) };
}

void tst_LedgerFile::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, amounts);
    QFETCH(QStringList, unread);

    LedgerFixture f;
    f.write(bytes);
    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.status.ok());
    QVERIFY(!load.created);
    QCOMPARE(amountsOf(load), amounts);
    QStringList got;
    for (const UnreadLines &u : load.unread)
        got.append(u"%1@%2/%3"_s.arg(int(u.reason)).arg(u.line).arg(u.entriesBefore));
    QCOMPARE(got, unread);
    QCOMPARE(load.complete(), unread.isEmpty());
    // The unread bytes are exactly what the file holds at their offsets.
    for (const UnreadLines &u : load.unread)
        QCOMPARE(bytes.mid(u.offset, u.bytes.size()), u.bytes);
    // Loading never changes the file.
    QCOMPARE(f.bytes(), bytes);
}

void tst_LedgerFile::loadDecodesCp932Texts()
{
    LedgerFixture f;
    // A hand-edited date with a wave dash (81 60, which plain Shift_JIS tables reject), a yen
    // sign typed as backslash, and a user-defined character.
    f.write("\"2010\x94\x4E\x81\x60\",\"\x5C\xF0\x40\",1\r\n");
    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.complete());
    QCOMPARE(load.entries.dateText(0), u"2010年～");
    QCOMPARE(load.entries.timeText(0), u"\\\uE000");
    // and they go back byte for byte
    QVERIFY(RewriteLedger(f.path(), load.entries).ok());
    QCOMPARE(f.bytes(), QByteArray("\"2010\x94\x4E\x81\x60\",\"\x5C\xF0\x40\",1\r\n"));
}

void tst_LedgerFile::entriesKeepTheirTextsExactly_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<bool>("standard");

    QTest::newRow("the program's own") << u"2010年03月07日"_s << u"19:04:05"_s << true;
    QTest::newRow("all zeros") << u"0000年00月00日"_s << u"00:00:00"_s << true;
    QTest::newRow("all nines") << u"9999年99月99日"_s << u"99:99:99"_s << true;
    QTest::newRow("unpadded month") << u"2010年3月07日"_s << u"19:04:05"_s << false;
    QTest::newRow("full-width digits") << u"２０１０年03月07日"_s << u"19:04:05"_s << false;
    QTest::newRow("a space after the date") << u"2010年03月07日 "_s << u"19:04:05"_s << false;
    QTest::newRow("time without seconds") << u"2010年03月07日"_s << u"19:04"_s << false;
    QTest::newRow("time with dashes") << u"2010年03月07日"_s << u"19-04-05"_s << false;
    QTest::newRow("slashes") << u"2010/03/07"_s << u"19:04:05"_s << false;
    QTest::newRow("empty") << QString() << QString() << false;
}

// Texts in the program's own form are kept as digits and written from them; every text must
// come back as it was, and be written as the general encoder writes it.
void tst_LedgerFile::entriesKeepTheirTextsExactly()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(bool, standard);
    const Money amount = Money::fromYen(120);
    LedgerEntries entries;
    entries.append(u"2010年01月01日"_s, u"00:00:01"_s, Money::fromYen(1));
    entries.append(date, time, amount);
    QCOMPARE(entries.dateText(1), date);
    QCOMPARE(entries.timeText(1), time);
    QCOMPARE(entries.standardDateTime(1).has_value(), standard);
    QCOMPARE(entries.at(1), (LedgerEntry { date, time, amount }));

    LedgerFixture f;
    QVERIFY(RewriteLedger(f.path(), entries, {}, LedgerEncoding::Cp932).ok());
    QCOMPARE(f.bytes(), ledgerLine(u"2010年01月01日", u"00:00:01", Money::fromYen(1))
                                + ledgerLine(date, time, amount));
}

void tst_LedgerFile::rewriteWritesEntriesInOrder()
{
    LedgerFixture f;
    f.write(line("2010年01月01日", "00:00:00", "999"));
    const LedgerEntries entries {
        { u"2010年03月07日"_s, u"19:04:05"_s, Money::fromYen(120) },
        { u"2010年03月08日"_s, u"08:00:00"_s, money("12.5") },
        { u"2010年03月09日"_s, u"21:30:00"_s, Money::fromYen(-30) },
    };
    QVERIFY(RewriteLedger(f.path(), entries).ok());
    QCOMPARE(f.bytes(), line("2010年03月07日", "19:04:05", "120") + line("2010年03月08日", "08:00:00", "12.5")
                     + line("2010年03月09日", "21:30:00", "-30"));
    QCOMPARE(LoadLedger(f.path()).entries, entries);
}

void tst_LedgerFile::rewriteKeepsUnreadLinesWhereTheyWere()
{
    LedgerFixture f;
    const QByteArray a = line("2010年03月07日", "19:04:05", "120");
    const QByteArray bad = "\"2010\x85\x40\",\"08:00:00\",5\r\n";
    const QByteArray c = line("2010年03月09日", "21:30:00", "-30");
    const QByteArray tail = "\"2010\x94\x4E"; // torn, without a line end
    f.write(a + bad + c + tail);

    LedgerLoad load = LoadLedger(f.path());
    QCOMPARE(load.entries.size(), 2);
    QCOMPARE(load.unread.size(), 2);

    // Unchanged entries give the same file back, but for the line end the torn tail gains.
    QVERIFY(RewriteLedger(f.path(), load.entries, load.unread).ok());
    QCOMPARE(f.bytes(), a + bad + c + tail + "\r\n");

    // Deleting the first entry: the unread lines stay after the entries they followed.
    load.entries.removeAt(0);
    for (UnreadLines &u : load.unread)
        --u.entriesBefore;
    QVERIFY(RewriteLedger(f.path(), load.entries, load.unread).ok());
    QCOMPARE(f.bytes(), bad + c + tail + "\r\n");
}

void tst_LedgerFile::rewriteKeepsPermissionsAndLeavesNoTemporaryFile()
{
    LedgerFixture f;
    f.write(line("2010年03月07日", "19:04:05", "120"));
    QCOMPARE(::chmod(QFile::encodeName(f.path()).constData(), 0640), 0);
    QVERIFY(RewriteLedger(f.path(), {}).ok());
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(f.path()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QCOMPARE(filesIn(f.dir()), QStringList { QString::fromUtf16(LedgerFileName) });
}

void tst_LedgerFile::rewriteRefusesTextsCp932CannotHold()
{
    LedgerFixture f;
    const QByteArray before = line("2010年03月07日", "19:04:05", "120");
    f.write(before);
    for (const QString &text : { u"2010年03月07日€"_s, u"a\"b"_s, u"a\nb"_s }) {
        const LedgerStatus status = RewriteLedger(
                f.path(), { { u"2010年03月07日"_s, u"19:04:05"_s, Money() }, { text, u"00:00:00"_s, Money() } });
        QCOMPARE(status.failure, LedgerStatus::Failure::Encode);
        QCOMPARE(f.bytes(), before);
    }
    QCOMPARE(filesIn(f.dir()).size(), 1);
}

void tst_LedgerFile::aDirectoryInTheLedgersPlaceFailsEveryOperation()
{
    LedgerFixture f;
    QVERIFY(QDir(f.dir()).mkdir(QString::fromUtf16(LedgerFileName)));
    const LedgerLoad load = LoadLedger(f.path());
    QCOMPARE(load.status.failure, LedgerStatus::Failure::NotRegular);
    QVERIFY(!load.created);
    const LedgerStatus append = AppendLedgerEntry(f.path(), Money::fromYen(1), QDateTime::currentDateTime());
    QCOMPARE(append.failure, LedgerStatus::Failure::NotRegular);
    QCOMPARE(append.error, EISDIR);
    // Named by its bare name, as the program names it, the failure still gives the full path.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(f.dir()));
    const LedgerStatus bare = AppendLedgerEntry(QString::fromUtf16(LedgerFileName), Money::fromYen(1), QDateTime::currentDateTime());
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(bare.path, f.path());
    QVERIFY(!RewriteLedger(f.path(), { { u"2010年03月07日"_s, u"19:04:05"_s, Money() } }).ok());
    QVERIFY(!EmptyLedger(f.path()).ok());
    QVERIFY(QFileInfo(f.path()).isDir());
    QCOMPARE(filesIn(f.dir()), QStringList { QString::fromUtf16(LedgerFileName) });
}

void tst_LedgerFile::emptyLeavesZeroBytes()
{
    LedgerFixture f;
    f.write(line("2010年03月07日", "19:04:05", "120") + line("2010年03月08日", "08:00:00", "80"));
    QVERIFY(EmptyLedger(f.path()).ok());
    QCOMPARE(f.bytes(), QByteArray());
    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.complete());
    QVERIFY(!load.created);
    QVERIFY(load.entries.isEmpty());
}

void tst_LedgerFile::backupKeepsOneGeneration()
{
    LedgerFixture f;
    const QString backup = ledgerBackupPath(f.path());
    QCOMPARE(backup, f.path() + u".bak"_s);
    const QByteArray first = line("2010年03月07日", "19:04:05", "120");
    const QByteArray second = first + line("2010年03月08日", "08:00:00", "80");
    const auto backupBytes = [&] {
        QFile file(backup);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };

    f.write(first);
    QVERIFY(BackUpLedger(f.path()).ok());
    QCOMPARE(backupBytes(), first);
    f.write(second);
    QVERIFY(BackUpLedger(f.path()).ok());
    QCOMPARE(backupBytes(), second); // one generation: replaced
    // An empty ledger never replaces a backup that holds something.
    f.write({});
    QVERIFY(BackUpLedger(f.path()).ok());
    QCOMPARE(backupBytes(), second);
    QCOMPARE(f.bytes(), QByteArray()); // the ledger itself is never touched
    QCOMPARE(filesIn(f.dir()).size(), 2);
}

void tst_LedgerFile::aFileChangedElsewhereIsNeverReplaced_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("changed");
    QTest::newRow("nothing") << u"none"_s << false;
    QTest::newRow("another program appends a line") << u"append"_s << true;
    QTest::newRow("an amount edited in place, its time put back") << u"edit"_s << true;
    QTest::newRow("replaced by a copy of the same bytes") << u"copy"_s << true;
}

void tst_LedgerFile::aFileChangedElsewhereIsNeverReplaced()
{
    QFETCH(QString, change);
    QFETCH(bool, changed);
    // Longer than a block of the digest, and the edit made in the first block.
    const QByteArray two = line("2010年03月07日", "19:04:05", "100")
            + line("2010年03月08日", "08:00:00", "80").repeated(200);
    const QDateTime at(QDate(2026, 12, 6), QTime(12, 0));
    for (const QString &operation : { u"rewrite"_s, u"empty"_s, u"backup"_s, u"append"_s }) {
        LedgerFixture f;
        f.write(two);
        LedgerLoad load = LoadLedger(f.path());
        const QByteArray path = QFile::encodeName(f.path());
        if (change == u"append") {
            QFile file(f.path());
            QVERIFY(file.open(QIODevice::Append) && file.write(line("2010年03月09日", "09:00:00", "5")) > 0);
        } else if (change == u"edit") {
            struct stat old {};
            QCOMPARE(::stat(path.constData(), &old), 0);
            QFile file(f.path());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(two.indexOf(",100") + 1));
            QCOMPARE(file.write("900"), 3);
            file.close();
            const timespec times[2] = { old.st_atim, old.st_mtim };
            QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        } else if (change == u"copy") {
            QVERIFY(QFile::copy(f.path(), f.path() + u".copy"_s));
            QCOMPARE(::rename(QFile::encodeName(f.path() + u".copy"_s).constData(), path.constData()), 0);
        }
        const QByteArray now = f.bytes();
        const auto failure = [&](const LedgerStatus &status) {
            return status.failure == LedgerStatus::Failure::Changed;
        };
        if (operation == u"append") {
            // Appending is safe either way; the stamp says whether the window must reload.
            QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(7), at, LedgerEncoding::Cp932, &load.stamp).ok());
            QCOMPARE(f.bytes(), now + line("2026年12月06日", "12:00:00", "7"));
            QCOMPARE(load.stamp.valid, !changed);
            if (!changed) // and it follows the line just written
                QVERIFY(EmptyLedger(f.path(), &load.stamp).ok());
            continue;
        }
        load.entries.removeAt(0);
        const LedgerStatus status = operation == u"rewrite"
                ? RewriteLedger(f.path(), load.entries, {}, load.encoding, &load.stamp)
                : operation == u"empty" ? EmptyLedger(f.path(), &load.stamp)
                                       : BackUpLedger(f.path(), &load.stamp);
        QVERIFY2(failure(status) == changed, qPrintable(operation));
        QCOMPARE(status.ok(), !changed);
        if (changed || operation == u"backup")
            QCOMPARE(f.bytes(), now);
        QCOMPARE(filesIn(f.dir()).size(), operation == u"backup" && !changed ? 2 : 1);
    }
}

void tst_LedgerFile::entriesBeyondTheLimitAreKeptNotLost()
{
    LedgerFixture f;
    QByteArray bytes;
    const int lines = LedgerTotals::MaxEntries + 2;
    for (int i = 1; i <= lines; ++i)
        bytes += line("2010年03月07日", "19:04:05", QByteArray::number(i).constData());
    f.write(bytes);

    const LedgerLoad load = LoadLedger(f.path());
    QCOMPARE(load.entries.size(), LedgerTotals::MaxEntries);
    QCOMPARE(load.entries.amount(load.entries.size() - 1), Money::fromYen(LedgerTotals::MaxEntries));
    QCOMPARE(load.unread.size(), 1);
    QCOMPARE(load.unread[0].reason, LedgerReadError::TooManyEntries);
    QCOMPARE(load.unread[0].line, LedgerTotals::MaxEntries + 1);
    QCOMPARE(load.unread[0].bytes,
             line("2010年03月07日", "19:04:05", "32767") + line("2010年03月07日", "19:04:05", "32768"));

    QVERIFY(RewriteLedger(f.path(), load.entries, load.unread).ok());
    QCOMPARE(f.bytes(), bytes);
}

void tst_LedgerFile::utf8LedgersReadAndWriteAsUtf8_data()
{
    QTest::addColumn<QByteArray>("bom");
    QTest::addColumn<int>("encoding");
    QTest::newRow("UTF-8") << QByteArray() << int(LedgerEncoding::Utf8);
    QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xEF\xBB\xBF")
                                                  << int(LedgerEncoding::Utf8WithBom);
}

void tst_LedgerFile::utf8LedgersReadAndWriteAsUtf8()
{
    QFETCH(QByteArray, bom);
    QFETCH(int, encoding);
    const auto utf8Line = [](const char *date, const char *time, const char *amount) {
        return QByteArray("\"") + date + "\",\"" + time + "\"," + amount + "\r\n";
    };
    LedgerFixture f;
    const QByteArray saved = bom + utf8Line("2010年03月07日", "19:04:05", "120")
            + utf8Line("2010年03月08日", "08:00:00", "80");
    f.write(saved);
    LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.complete());
    QCOMPARE(int(load.encoding), encoding);
    QCOMPARE(load.entries.dateText(1), u"2010年03月08日");

    // A deposit and a rewrite keep the file in UTF-8, its mark included.
    QVERIFY(AppendLedgerEntry(f.path(), Money::fromYen(5), QDateTime(QDate(2010, 3, 9), QTime(7, 0)),
                              load.encoding).ok());
    QCOMPARE(f.bytes(), saved + utf8Line("2010年03月09日", "07:00:00", "5"));
    load = LoadLedger(f.path());
    load.entries.removeAt(0);
    QVERIFY(RewriteLedger(f.path(), load.entries, {}, load.encoding).ok());
    QCOMPARE(f.bytes(), bom + utf8Line("2010年03月08日", "08:00:00", "80")
                     + utf8Line("2010年03月09日", "07:00:00", "5"));
}

void tst_LedgerFile::byteOrderMarkInsideAFieldIsKept()
{
    // Found by fuzzing: a mark that does not open the file is text, and a rewrite keeps it.
    LedgerFixture f;
    const QByteArray bytes = "\"\xEF\xBB\xBF" "2010年\",\"19:04:05\",1\r\n";
    f.write(bytes);
    const LedgerLoad load = LoadLedger(f.path());
    QVERIFY(load.complete());
    QCOMPARE(load.entries.dateText(0), u"\uFEFF2010年");
    QVERIFY(RewriteLedger(f.path(), load.entries, {}, load.encoding).ok());
    QCOMPARE(f.bytes(), bytes);
}

void tst_LedgerFile::readingInSmallPiecesReadsTheSame()
{
    QFile sample(QStringLiteral(PORUNKA_TEST_DATA "/damaged-line.txt"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    // Entries that run over a line end, bad lines, a bad line longer than a piece, and a torn
    // end, wherever the pieces break.
    const QByteArray twenty = sample.readAll().repeated(20);
    const QByteArray bytes = twenty + "\"" + QByteArray(10000, 'x') + "\r\n" + twenty
            + "\"2010\x94\x4E\",\"x\"\r\n5\r\n" + "\"2010\x94\x4E\",\"x\"";
    const LedgerLoad whole = ReadLedgerBytes(bytes);
    QCOMPARE(whole.entries.size(), 81);
    QCOMPARE(whole.unread.size(), 42);
    QCOMPARE(whole.unread[20].bytes.size(), 10003);
    for (qsizetype piece : { 1, 2, 7, 33, 100, 4096 }) {
        const LedgerLoad pieces = ReadLedgerBytes(bytes, piece);
        QCOMPARE(pieces.entries, whole.entries);
        QCOMPARE(pieces.unread, whole.unread);
    }
}

void tst_LedgerFile::ownLinesReadAsAnyOtherLine_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("own");

    const QByteArray date = "\"" + DateBytes2010 + "\",\"19:04:05\",";
    QTest::newRow("whole yen") << QByteArray() << date + "120\r\n";
    QTest::newRow("zero") << QByteArray() << date + "0\r\n";
    QTest::newRow("leading zeros") << QByteArray() << date + "000120\r\n";
    QTest::newRow("twelve digits") << QByteArray() << date + "999999999999\r\n";
    QTest::newRow("thirteen digits") << QByteArray() << date + "1000000000000\r\n";
    QTest::newRow("fifteen digits, beyond the money range")
            << QByteArray() << date + "999999999999999\r\n";
    QTest::newRow("LF") << QByteArray() << date + "120\n";
    QTest::newRow("lone CR") << QByteArray() << date + "120\r" + date + "5\r\n";
    QTest::newRow("no line end at the end") << QByteArray() << date + "120";
    QTest::newRow("next entry on the same line") << QByteArray() << date + "120," + date + "5\r\n";
    QTest::newRow("fraction") << QByteArray() << date + "12.5\r\n";
    QTest::newRow("sign") << QByteArray() << date + "-30\r\n";
    QTest::newRow("space before the line end") << QByteArray() << date + "120 \r\n";
    QTest::newRow("no digits") << QByteArray() << date + "\r\n5\r\n";
    QTest::newRow("letters where the time's digits go")
            << QByteArray() << "\"" + DateBytes2010 + "\",\"19:0a:05\",120\r\n";
    QTest::newRow("zero date") << QByteArray()
                               << QByteArray("\"0000\x94\x4E" "00\x8C\x8E" "00\x93\xFA\",\"00:00:00\",1\r\n");
    QTest::newRow("after a UTF-8 line")
            << QByteArray("\"2010年03月07日\",\"19:04:05\",1\r\n") << date + "120\r\n";
    QTest::newRow("before a UTF-8 line")
            << QByteArray() << date + "120\r\n\"2010年03月07日\",\"19:04:05\",1\r\n";
    QTest::newRow("after a UTF-8 byte-order mark")
            << QByteArray("\xEF\xBB\xBF") << date + "120\r\n";
    QTest::newRow("running total beyond the money range")
            << date + "922337203685477\r\n" << date + "1\r\n" + date + "-1\r\n";
}

// The program's own lines take a short way through the reader; a space the short way does not
// take sends the same line the general way, and both must read it alike.
void tst_LedgerFile::ownLinesReadAsAnyOtherLine()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, own);
    QByteArray general = own;
    general.replace("\",\"", "\" ,\"");
    QVERIFY(general != own);
    const LedgerLoad a = ReadLedgerBytes(before + own);
    const LedgerLoad b = ReadLedgerBytes(before + general);
    QCOMPARE(a.entries, b.entries);
    QCOMPARE(a.encoding, b.encoding);
    QCOMPARE(a.unread.size(), b.unread.size());
    for (qsizetype i = 0; i < a.unread.size(); ++i) {
        QCOMPARE(a.unread[i].reason, b.unread[i].reason);
        QCOMPARE(a.unread[i].line, b.unread[i].line);
        QCOMPARE(a.unread[i].entriesBefore, b.unread[i].entriesBefore);
    }
}

void tst_LedgerFile::textsInTheOtherCharacterSetAreKeptNotGarbled_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("amounts");
    QTest::addColumn<int>("unreadLine");

    const QByteArray cp = line("2010年03月07日", "19:04:05", "120");
    const QByteArray utf = "\"2010年03月08日\",\"08:00:00\",80\r\n";
    QTest::newRow("a UTF-8 line added to a CP932 ledger")
            << cp + utf + cp << int(LedgerEncoding::Cp932) << u"120 120"_s << 2;
    QTest::newRow("a CP932 line added to a UTF-8 ledger")
            << utf + cp + utf << int(LedgerEncoding::Utf8) << u"80 80"_s << 2;
}

void tst_LedgerFile::textsInTheOtherCharacterSetAreKeptNotGarbled()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, amounts);
    QFETCH(int, unreadLine);
    LedgerFixture f;
    f.write(bytes);
    const LedgerLoad load = LoadLedger(f.path());
    QCOMPARE(int(load.encoding), encoding);
    QCOMPARE(amountsOf(load), amounts);
    QCOMPARE(load.unread.size(), 1);
    QCOMPARE(load.unread[0].reason, LedgerReadError::BadEncoding);
    QCOMPARE(load.unread[0].line, unreadLine);
    // and a rewrite gives every byte back
    QVERIFY(RewriteLedger(f.path(), load.entries, load.unread, load.encoding).ok());
    QCOMPARE(f.bytes(), bytes);
}

QTEST_GUILESS_MAIN(tst_LedgerFile)
#include "tst_ledgerfile.moc"
