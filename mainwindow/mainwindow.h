// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "historywindow.h"
#include "ledgersession.h"

#include <QPointer>
#include <QString>
#include <QWidget>

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
// How data flows: the ledger file is the one authority, and the window's LedgerSession the one
// owner of what was read from it. A reload reads the entries, their running totals and the
// figures in one pass; the deposit list (a model of rows in the grid msgKozeni) follows the
// session, and ShowTotals writes its five figure texts into the labels. A deposit is a new row
// and figures, then one line appended to the file. Deleting, clearing and undoing change the
// file and reload it, so the list and the figures always show what the file holds. The window
// asks the questions and tells the outcome.
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

    // Opens 貯金のあゆみ, as the list's context menu does.
    static constexpr QKeyCombination HistoryKey { Qt::ControlModifier, Qt::Key_G };

    // The program's help windows; tests look into them.
    HelpViewer *helpViewer() const { return m_help; }
    HistoryWindow *historyWindow() const { return m_history; }

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
    QShortcut *m_historyKey = nullptr; // Ctrl+G, the same

    void createControls();
    void describeForAssistiveTools();
    QList<QWidget *> focusableControls() const;
    void fraMain_Load();
    void cmdKozeniHozon_Click();
    void txtKozeni_Inp_KeyPress(int key);
    void cmdKozeniClr_Click();
    void msgKozeni_DblClick();
    void msgKozeni_KeyDown();
    void msgKozeni_ContextMenu(const QPoint &globalPos);
    void msgKozeni_Copy();
    void cmdHelp_Click();
    void cmdsyoukai_Click();
    void cmdEnd_Click();
    void fraMain_Undo();
    void fraMain_History();

    void DeleteCurrentEntry();
    void ClearLedger();
    void UndoLastRemoval();
    QString describeRestored(const LedgerUndo &plan) const;
    static QString unreadableNote(const LedgerUndo &plan);
    void ShowHelp();
    void ShowSavingsHistory();
    void ExportLedgerCsv();
    void CopySelectedRows();
    void IntroduceProEdition();
    void ExitProgram();

    void InitDepositList();
    void ReloadFromLedger();
    // The list's last row and the figures, after each change of the session.
    void ShowLedger();
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
    LedgerSession m_session;
    DepositModel *m_model = nullptr;
    HelpViewer *m_help = nullptr;
    QPointer<HistoryWindow> m_history; // while open
    // The help file the window last asked the viewer about. Kept, though nothing reads it back:
    // each help handler sets it and hands it to the viewer, so every call reads the same way.
    QString m_helpFileName;
};
