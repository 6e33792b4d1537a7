// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class LedgerHistory;

// The savings over time in one picture: the running total as a line above, each month's deposits
// as bars below, the years marked across both. Drawn with QPainter in the window's palette, so
// that it is as sharp on paper and at any density as on the screen.
class SavingsChart : public QWidget
{
public:
    explicit SavingsChart(QWidget *parent = nullptr);

    // Shown until the next call; the history must outlive it.
    void setHistory(const LedgerHistory *history);

    // The picture in `area` of any paint device: the window, a printed page, a PDF or an image.
    void paintPicture(QPainter &painter, const QRect &area) const;

    QSize sizeHint() const override { return { 640, 300 }; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const LedgerHistory *m_history = nullptr;
};
