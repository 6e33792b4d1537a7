// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgersession.h"

#include "amount.h"

using namespace Qt::Literals::StringLiterals;

LedgerSession::LedgerSession(QString path, QObject *parent)
    : QObject(parent),
      m_path(std::move(path)),
      m_firstReading(std::async(std::launch::async, [path = m_path] { return read(path, {}); }))
{
}

LedgerSession::~LedgerSession() = default;

LedgerSession::Reading LedgerSession::read(const QString &path, LedgerTotals totals)
{
    Reading reading { LoadLedger(path), totals, {} };
    reading.totals.StartLoad();
    // Room for every deposit to come, so that none moves the list: pages reserved but never
    // written cost nothing.
    reading.runningTotals.reserve(LedgerTotals::MaxEntries);
    const qsizetype count = reading.load.entries.size();
    reading.runningTotals.resize(count); // filled in place: an append per entry costs more than its sum
    Money *running = reading.runningTotals.data();
    for (qsizetype i = 0; i < count; ++i) {
        // The reader keeps every running total inside the money range.
        [[maybe_unused]] const bool added = reading.totals.AddLoadedAmount(reading.load.entries.amount(i));
        Q_ASSERT(added);
        running[i] = reading.totals.total();
    }
    return reading;
}

void LedgerSession::ReloadFromLedger()
{
    // The reading made while the window was built, unless the file has changed since.
    std::optional<Reading> first;
    if (m_firstReading.valid()) {
        first = m_firstReading.get();
        if (!StillAsLoaded(m_path, first->load.stamp))
            first.reset();
    }
    Reading reading = first ? std::move(*first) : read(m_path, m_totals);
    LedgerLoad &load = reading.load;
    const qsizetype count = load.entries.size();
    const QString lastDate = count > 0 ? load.entries.dateText(count - 1) : QString();
    emit aboutToReload();
    m_entries = std::move(load.entries);
    m_runningTotals = std::move(reading.runningTotals);
    m_totals = reading.totals;
    m_unread = std::move(load.unread);
    m_loadStatus = load.status;
    m_rolledBack = load.rolledBack;
    m_seen = std::move(load.stamp);
    // Deposits and rewrites go on in the file's character set: CP932 for an empty file, UTF-8
    // for one a text editor saved with nothing but its byte-order mark.
    m_encoding = load.encoding;
    m_texts = m_totals.FinishLoad(int(count), lastDate);
    // The totals keep the average of the deposits before an empty load; no deposits show a zero
    // amount, as the Japanese fonts of the original platform drew "\0".
    if (count == 0)
        m_texts.average = u"¥0"_s;
    emit reloaded();
}

LedgerSession::Deposited LedgerSession::Deposit(Money amount, const QDateTime &now)
{
    // A ledger that could not be read is not written to either: its content is unknown.
    if (!m_loadStatus.ok())
        ReloadFromLedger();
    if (!m_loadStatus.ok())
        return { Refusal::Unreadable, m_loadStatus };
    const int row = int(m_entries.size()) + 1;
    switch (m_totals.CheckDeposit(amount, row)) {
    case LedgerTotals::Refusal::None:
        break;
    case LedgerTotals::Refusal::TooManyEntries:
        return { Refusal::TooManyEntries, {} };
    case LedgerTotals::Refusal::TotalOutOfRange:
        return { Refusal::TotalOutOfRange, {} };
    }

    // The row first, then the line: both of the same instant.
    const StandardDateTime at = StandardDateTime::fromDateTime(now.date(), now.time());
    emit aboutToAppend();
    m_totals.AddDepositAmount(amount);
    m_entries.append(at, amount);
    m_runningTotals.append(m_totals.total());
    m_texts = m_totals.FinishDeposit(amount, row);
    emit appended();
    const LedgerStatus saved = AppendLedgerEntry(m_path, amount, now, m_encoding, &m_seen);
    if (!saved.ok()) {
        // No row may stay for a deposit the file does not hold.
        ReloadFromLedger();
        return { Refusal::NotSaved, saved };
    }
    // Someone else wrote to the file too: numbers and running totals follow the file.
    if (!m_seen.valid)
        ReloadFromLedger();
    return {};
}

LedgerStatus LedgerSession::RemoveEntry(qsizetype row)
{
    Q_ASSERT(row >= 0 && row < m_entries.size());
    // Each amount as the list shows it: a rewrite writes what the user sees.
    LedgerEntries kept = m_entries;
    kept.removeAt(row);
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (const Money written = rewrittenAmount(kept.amount(i)); written != kept.amount(i))
            kept.setAmount(i, written);
    }
    // Lines the load could not read stay where they were among the remaining entries.
    QList<UnreadLines> unread = m_unread;
    for (UnreadLines &u : unread) {
        if (row < u.entriesBefore)
            --u.entriesBefore;
    }
    return finishChange(RewriteLedger(m_path, kept, unread, m_encoding, &m_seen));
}

LedgerStatus LedgerSession::ClearLedger()
{
    const LedgerStatus emptied = finishChange(EmptyLedger(m_path, &m_seen));
    if (emptied.ok())
        m_totals.ResetSmallestBase();
    return emptied;
}

LedgerStatus LedgerSession::undo(const LedgerUndo &plan)
{
    return finishChange(UndoLedger(m_path, plan));
}

LedgerStatus LedgerSession::finishChange(const LedgerStatus &status)
{
    ReloadFromLedger();
    return status;
}
