// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Loads a ledger at its limit of entries and computes the totals, as start-up does.
// Prints bytes per second; the file is generated in a temporary directory. Also what Ctrl+Z
// costs before its question at the limit.
#include "ledgergen.h"
#include "ledgertotals.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct GeneratedLedger
{
    QTemporaryDir dir;
    QString path;
    qint64 size = 0;

    explicit GeneratedLedger(int entries)
    {
        path = dir.filePath(QString::fromUtf16(LedgerFileName));
        const QByteArray bytes = generatedLedger(entries);
        if (!writeFile(path, bytes))
            qFatal("cannot write the benchmark ledger");
        size = bytes.size();
    }
};

void loadWithTotals(benchmark::State &state)
{
    const GeneratedLedger ledger(int(state.range(0)));
    for (auto _ : state) {
        const LedgerLoad load = LoadLedger(ledger.path);
        LedgerTotals totals;
        totals.StartLoad();
        const qsizetype count = load.entries.size();
        for (qsizetype i = 0; i < count; ++i)
            benchmark::DoNotOptimize(totals.AddLoadedAmount(load.entries.amount(i)));
        benchmark::DoNotOptimize(totals.FinishLoad(
                int(count), count == 0 ? QString() : load.entries.dateText(count - 1)));
    }
    state.SetBytesProcessed(state.iterations() * ledger.size);
    state.counters["entries"] = double(state.range(0));
}

// The floor: reading the same file into memory and nothing else.
void readFileOnly(benchmark::State &state)
{
    const GeneratedLedger ledger(int(state.range(0)));
    for (auto _ : state) {
        QFile file(ledger.path);
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open");
        benchmark::DoNotOptimize(file.readAll());
    }
    state.SetBytesProcessed(state.iterations() * ledger.size);
}

// Ctrl+Z after a clearing at the limit: every entry of the backup is put back.
void planUndoOfClearing(benchmark::State &state)
{
    const GeneratedLedger ledger(int(state.range(0)));
    if (!EmptyLedger(ledger.path).ok())
        qFatal("cannot clear the benchmark ledger");
    for (auto _ : state)
        benchmark::DoNotOptimize(PlanLedgerUndo(ledger.path));
}

// And after deleting the first entry: the two files are matched entry by entry.
void planUndoOfDeletion(benchmark::State &state)
{
    const GeneratedLedger ledger(int(state.range(0)));
    LedgerLoad load = LoadLedger(ledger.path);
    load.entries.removeAt(0);
    if (!RewriteLedger(ledger.path, load.entries).ok())
        qFatal("cannot delete from the benchmark ledger");
    for (auto _ : state)
        benchmark::DoNotOptimize(PlanLedgerUndo(ledger.path));
}

} // namespace

BENCHMARK(planUndoOfDeletion)->Arg(LedgerTotals::MaxEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(planUndoOfClearing)->Arg(LedgerTotals::MaxEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(loadWithTotals)->Arg(1000)->Arg(10000)->Arg(LedgerTotals::MaxEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(readFileOnly)->Arg(LedgerTotals::MaxEntries)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
