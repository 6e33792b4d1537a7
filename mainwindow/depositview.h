// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableView>

// The deposit list's grid: a header row and a sequence-number column drawn as fixed cells, one
// text line per row, and a grey area beyond the last row and column, as a flex grid shows them.
class DepositView : public QTableView
{
    Q_OBJECT

public:
    explicit DepositView(QWidget *parent = nullptr);

    // Column widths in twips, from the sequence-number column on.
    static constexpr int ColumnTwips[] = { 650, 2300, 1300, 950, 1260 };
    static constexpr int RowTwips = 240;

    void setModel(QAbstractItemModel *model) override;

    // Makes `row` the current row and scrolls it to the top, as far as the list scrolls.
    void showRowAtTop(int row);

signals:
    // The Delete key on a data row: the keyboard's way to what a double-click does.
    void deleteKeyPressed();
    // The context menu, asked for by the mouse, the Menu key or Shift+F10, to show at `globalPos`.
    void contextMenuAsked(const QPoint &globalPos);
    void copyKeyPressed();

protected slots:
    // Qt asks the window system where the pointer is on every scroll, to update a hover look
    // this list does not have: a round trip to the X server on every deposit.
    void verticalScrollbarValueChanged(int) override {}

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};
