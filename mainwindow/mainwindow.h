// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledgerfile.h"
#include "ledgertotals.h"

#include <QString>
#include <QWidget>

#include <future>

class Clock;
class DepositModel;
class HelpViewer;
class DepositView;
class QLabel;
class QLineEdit;
class QShortcut;
class QToolButton;

// The main window, fraMain: the program's start-up window, alive until the program ends.
//
// How data flows: the ledger file is the one authority. ReloadFromLedger reads it into the
// deposit list (a model of rows in the grid msgKozeni) and the ledger totals in one pass; the
// totals give the five display texts that ShowTotals writes into the five figure labels. A
// deposit goes the same way in small steps: a new list row, the totals, the figures, then one
// line appended to the file. Deleting and clearing change the file and reload it, so the list,
// its numbering and running totals, and the figures are always rebuilt from what the file holds.
// Ctrl+Z puts back what the last deletion or clearing removed, found from the ledger's backup.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    // `ledgerPath` is the ledger file, by default the bare name in the current directory.
    explicit MainWindow(const Clock &clock, QString ledgerPath = QString::fromUtf16(LedgerFileName),
                        QWidget *parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence: fill the list and the figures from the ledger, decide the
    // elapsed-days line, show the window, and welcome a user whose ledger is empty.
    void start();

    // Takes the amount box's text as a deposit, when it is a number.
    void Deposit();

    // Restores the window when minimised and asks for it to be the active one.
    void bringToFront();

    // The program's help windows; tests look into them.
    HelpViewer *helpViewer() const { return m_help; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The controls, named as the layout names them; tests find them by these object names.
    QLabel *Image2 = nullptr;
    QToolButton *cmdKozeniHozon = nullptr;
    QToolButton *cmdKozeniClr = nullptr;
    QToolButton *cmdHelp = nullptr;
    QToolButton *cmdsyoukai = nullptr;
    QToolButton *cmdEnd = nullptr;
    QWidget *Line1[2] = {};
    DepositView *msgKozeni = nullptr;
    QLabel *Label1[6] = {};
    QLineEdit *txtKozeni_Inp = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblKozeni_cnt = nullptr;
    QLabel *lblKozeni_zen = nullptr;
    QLabel *lblKozeni_Max = nullptr;
    QLabel *lblKozeni_Min = nullptr;
    QLabel *lblKozeni_Avg = nullptr;
    QWidget *Shape1 = nullptr;
    QLabel *lblCmnt2[2] = {};
    QLabel *lblKozeni_Keika = nullptr;
    QLabel *Image1 = nullptr;
    QShortcut *m_undoKey = nullptr; // Ctrl+Z, wherever the focus is in the window

    void createControls();
    void describeForAssistiveTools();
    QList<QWidget *> focusableControls() const;
    void fraMain_Load();
    void cmdKozeniHozon_Click();
    void txtKozeni_Inp_KeyPress(int key);
    void cmdKozeniClr_Click();
    void msgKozeni_DblClick();
    void msgKozeni_KeyDown();
    void cmdHelp_Click();
    void cmdsyoukai_Click();
    void cmdEnd_Click();
    void fraMain_Undo();

    void DeleteCurrentEntry();
    void ClearLedger();
    void UndoLastRemoval();
    QString describeRestored(const LedgerUndo &plan) const;
    static QString unreadableNote(const LedgerUndo &plan);
    void ShowHelp();
    void IntroduceProEdition();
    void ExitProgram();

    void InitDepositList();
    // The ledger with the figures and running totals of its entries, the totals going on from
    // `totals`.
    struct Reading
    {
        LedgerLoad load;
        LedgerTotals totals;
        QList<Money> runningTotals;
    };
    static Reading read(const QString &path, LedgerTotals totals);
    Reading readLedger();
    void ReloadFromLedger();
    void AppendDepositRow(const QString &amountText);
    void RemoveCurrentRow();
    LedgerEntries ListedEntries() const;
    int DataRowCount() const;

    void ShowTotals(const TotalsTexts &texts);
    void showElapsedLineParts(bool since, bool days, bool elapsed);
    void HideElapsedDays();
    void ShowDepositedToday();
    void ShowElapsedDays();

    // Tells what the start's load could not read, or undid.
    void reportUnreadLedger();
    void warn(const QString &title, const QString &text);
    void refuseDeposit(const QString &title, const QString &text);
    // Shows what the file holds, then why `action` did not change it, and whether the file and
    // its recovery point are as they were.
    void reportFailedChange(const QString &action, const LedgerStatus &status);

    const Clock &m_clock;
    const QString m_ledgerPath;
    DepositModel *m_model = nullptr;
    LedgerTotals m_totals;
    // The first reading, made on another core while the controls are built.
    std::future<Reading> m_firstReading;
    // Parts of the file the last load could not read; kept so a rewrite never drops them.
    QList<UnreadLines> m_unread;
    LedgerStatus m_loadStatus;
    // The last load undid a rewrite that had not finished; the user is told at start.
    bool m_rolledBack = false;
    // The file as this window last read or appended to it: a deletion or clearing replaces only
    // that file, so that nothing another window, program or user wrote since is lost.
    FileStamp m_seen;
    // Written back in the character set it was read in.
    LedgerEncoding m_encoding = LedgerEncoding::Cp932;
    HelpViewer *m_help = nullptr;
    // The help file the window last asked the viewer about. Kept, though nothing reads it back:
    // each help handler sets it and hands it to the viewer, so every call reads the same way.
    QString m_helpFileName;
};
