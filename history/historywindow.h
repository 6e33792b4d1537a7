// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledgerhistory.h"

#include <QWidget>

class LedgerSession;
class PeriodModel;
class QLabel;
class QPushButton;
class QTableView;
class SavingsChart;

// 貯金のあゆみ: the savings over time, as a picture and as sums by year and by month. It follows
// the main window's session: every deposit, deletion, clearing or undo shows at once.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    HistoryWindow(const LedgerSession &session, QWidget *owner);
    ~HistoryWindow() override;

    // The year whose months are shown, 0 for none.
    int chosenYear() const { return m_chosenYear; }

private:
    SavingsChart *picAyumi = nullptr;
    QLabel *lblYears = nullptr;
    QTableView *grdYears = nullptr;
    QLabel *lblMonths = nullptr;
    QTableView *grdMonths = nullptr;
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdClose = nullptr;

    void createControls();
    void ShowHistory();
    void grdYears_CurrentChanged();
    void cmdPrint_Click();
    void cmdSave_Click();
    void ShowMonths(int year);
    // The picture as a PDF page or a PNG image.
    QByteArray pictureBytes(bool pdf) const;

    const LedgerSession &m_session;
    LedgerHistory m_history;
    PeriodModel *m_years = nullptr;
    PeriodModel *m_months = nullptr;
    int m_chosenYear = 0;
};
