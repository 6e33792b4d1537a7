// Runs one operation of the ledger core on a file, in a process of its own, so that tests can
// run it as another user or kill it at any instant.
//
//   ledgertool load PATH           prints "entries N unread M rss KB" (peak resident memory),
//                                  or "failed FAILURE ERRNO rss KB"
//   ledgertool append PATH AMOUNT
//   ledgertool drop-first PATH     rewrites the ledger without its first entry
//   ledgertool empty PATH
//   ledgertool backup PATH
//   ledgertool cycle PATH          appends and drops in a loop until killed
//
// Prints "ok" or "failed FAILURE ERRNO"; exits 0 on success.
#include "ledgerfile.h"

#include <QCoreApplication>
#include <QDateTime>

#include <csignal>
#include <cstdio>

#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

int report(const LedgerStatus &status)
{
    if (status.ok()) {
        std::puts("ok");
        return 0;
    }
    std::printf("failed %d %d\n", int(status.failure), status.error);
    return 1;
}

LedgerStatus dropFirst(const QString &path)
{
    LedgerLoad load = LoadLedger(path);
    if (!load.status.ok())
        return load.status;
    if (!load.entries.isEmpty())
        load.entries.removeAt(0);
    for (UnreadLines &u : load.unread)
        u.entriesBefore = std::max<qsizetype>(0, u.entriesBefore - 1);
    return RewriteLedger(path, load.entries, load.unread, load.encoding);
}

// The ledger always holds consecutive amounts, oldest first, and never none: appending adds the
// next one, dropping takes the first (one in five steps, so it grows). Any state a kill leaves
// must be one of these; an empty or cut file means a rewrite was caught halfway.
[[noreturn]] void cycle(const QString &path)
{
    const QDateTime at(QDate(2026, 12, 6), QTime(12, 0));
    for (quint64 step = 0;; ++step) {
        const LedgerLoad load = LoadLedger(path);
        const qsizetype n = load.entries.size();
        const qint64 next = n > 0 ? load.entries.amount(n - 1).raw() / Money::Scale + 1 : 1;
        if (step % 5 == 4 && n > 1)
            dropFirst(path);
        else
            AppendLedgerEntry(path, Money::fromRaw(next * Money::Scale), at);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program does: a file size limit shows as a failed write, not as a killed process.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString &command = args[1];
    const QString &path = args[2];
    if (command == u"load") {
        const LedgerLoad load = LoadLedger(path);
        rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        if (!load.status.ok()) {
            std::printf("failed %d %d rss %ld\n", int(load.status.failure), load.status.error,
                        usage.ru_maxrss);
            return 1;
        }
        std::printf("entries %lld unread %lld rss %ld\n", qlonglong(load.entries.size()),
                    qlonglong(load.unread.size()), usage.ru_maxrss);
        return 0;
    }
    if (command == u"append" && args.size() == 4) {
        bool ok = false;
        const qint64 yen = args[3].toLongLong(&ok);
        if (!ok)
            return 2;
        return report(AppendLedgerEntry(path, Money::fromRaw(yen * Money::Scale),
                                        QDateTime(QDate(2026, 12, 6), QTime(12, 0))));
    }
    if (command == u"drop-first")
        return report(dropFirst(path));
    if (command == u"empty")
        return report(EmptyLedger(path));
    if (command == u"backup")
        return report(BackUpLedger(path));
    if (command == u"cycle")
        cycle(path);
    return 2;
}
