// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledgerfile.h"
#include "ledgertotals.h"

#include <QDateTime>
#include <QObject>

#include <future>

// One ledger file as one window works on it: its entries with their running totals and figures
// as last read, the file as this session last saw it, and the user's changes, each made only
// against that file. The window shows what it holds, following its signals, and asks the user;
// it keeps no ledger state of its own.
class LedgerSession : public QObject
{
    Q_OBJECT

public:
    // Starts reading the file on another core at once; the first ReloadFromLedger takes it.
    explicit LedgerSession(QString path, QObject *parent = nullptr);
    ~LedgerSession() override;

    const QString &path() const { return m_path; }
    const LedgerEntries &entries() const { return m_entries; }
    Money runningTotal(qsizetype row) const { return m_runningTotals.at(row); }
    const LedgerTotals &totals() const { return m_totals; }
    // The figures as shown after the last load or deposit.
    const TotalsTexts &texts() const { return m_texts; }
    // Parts of the file the last load could not read; a rewrite puts them back where they were.
    const QList<UnreadLines> &unread() const { return m_unread; }
    const LedgerStatus &loadStatus() const { return m_loadStatus; }
    // The last load undid a rewrite that had not finished.
    bool rolledBack() const { return m_rolledBack; }

    // Reads the file anew: every entry, figure and running total follows what it holds.
    void ReloadFromLedger();

    enum class Refusal { None, Unreadable, TooManyEntries, TotalOutOfRange, NotSaved };
    struct Deposited
    {
        Refusal refusal = Refusal::None;
        LedgerStatus status; // why the file could not be read or written to
    };
    // Appends a deposit made at `now` as a row and as a line of the file. Refused, with nothing
    // written, where the file could not be read or the row would pass the limits; a line the
    // file could not take leaves no row.
    Deposited Deposit(Money amount, const QDateTime &now);

    // Each writes the file only while it is as this session last saw it (Failure::Changed
    // otherwise), and reads it anew after, on failure too.
    LedgerStatus RemoveEntry(qsizetype row);
    LedgerStatus ClearLedger();
    // What the last deletion or clearing took out, found from the recovery point on disk.
    LedgerUndo planUndo() const { return PlanLedgerUndo(m_path); }
    LedgerStatus undo(const LedgerUndo &plan);

signals:
    // Around every change of the entries, for a list that shows them.
    void aboutToReload();
    void reloaded();
    void aboutToAppend();
    void appended();

private:
    struct Reading
    {
        LedgerLoad load;
        LedgerTotals totals;
        QList<Money> runningTotals;
    };
    static Reading read(const QString &path, LedgerTotals totals);
    LedgerStatus finishChange(const LedgerStatus &status);

    const QString m_path;
    // The first reading, made on another core while the window is built.
    std::future<Reading> m_firstReading;
    LedgerEntries m_entries;
    QList<Money> m_runningTotals;
    LedgerTotals m_totals;
    TotalsTexts m_texts;
    QList<UnreadLines> m_unread;
    LedgerStatus m_loadStatus;
    bool m_rolledBack = false;
    // The file as last read or appended to: a deletion or clearing replaces only that file, so
    // that nothing another window, program or user wrote since is lost.
    FileStamp m_seen;
    // Written back in the character set it was read in.
    LedgerEncoding m_encoding = LedgerEncoding::Cp932;
};
