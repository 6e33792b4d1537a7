// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The welcome window, frmSub: shown once, modally, when the ledger is empty, to explain the
// saving method. It holds no data and changes nothing outside itself.
class WelcomeWindow : public QDialog
{
    Q_OBJECT

public:
    explicit WelcomeWindow(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void cmdModori_Click();

    QWidget *Shape1 = nullptr;
    QLabel *Label1[8] = {};
    QPushButton *cmdModori = nullptr;
};
