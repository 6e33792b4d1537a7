// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "depositview.h"

#include "fonts.h"
#include "units.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

const QColor BeyondLastCell(0x80, 0x80, 0x80);
const QColor OrdinaryLine(0xC0, 0xC0, 0xC0);
const QColor FixedLine(0x00, 0x00, 0x00);

// Where an ordinary cell's text goes, within its lines.
QRect textArea(const QRect &cell)
{
    return cell.adjusted(3, 0, -4, -1);
}

// Draws a fixed cell: button face, button text, black lines on its right and bottom edges.
void paintFixedCell(QPainter *painter, const QRect &rect, const QPalette &palette,
                    const QFont &font, const QString &text, Qt::Alignment alignment)
{
    painter->save();
    painter->fillRect(rect, palette.color(QPalette::Button));
    painter->setPen(FixedLine);
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    const QRect area = rect.adjusted(2, 0, -3, -1);
    painter->setFont(font);
    painter->setPen(palette.color(QPalette::ButtonText));
    Fonts::drawFitted(*painter, area, int(alignment), text);
    painter->restore();
}

class FixedHeader : public QHeaderView
{
public:
    explicit FixedHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
    {
        setSectionsClickable(false);
        setHighlightSections(false);
        setSectionResizeMode(QHeaderView::Fixed);
        setDefaultAlignment(Qt::AlignCenter);
    }

    // The row is fixed in height and its sections in width; measuring every caption in bold,
    // as QHeaderView does, would load a bold face only for that.
    QSize sizeHint() const override { return { length(), minimumHeight() }; }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (!rect.isValid())
            return;
        const QString text = model() ? model()->headerData(logicalIndex, orientation()).toString()
                                     : QString();
        paintFixedCell(painter, rect, palette(), font(), text, Qt::AlignCenter);
    }
};

class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QString text = index.data().toString();
        const auto alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
        if (!(index.flags() & Qt::ItemIsSelectable)) {
            paintFixedCell(painter, option.rect, option.palette, option.font, text, alignment);
            return;
        }
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &pal = option.palette;
        painter->save();
        painter->fillRect(option.rect, pal.color(selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(OrdinaryLine);
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        const QRect area = textArea(option.rect);
        painter->setFont(option.font);
        painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        Fonts::drawFitted(*painter, area, int(alignment), text);
        // Where the keyboard is: a dotted frame in the current cell while the list has the focus.
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(painter->pen().color(), 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(1, 1, -3, -3));
        }
        painter->restore();
    }

    // A number drawn smaller to fit is shown whole at its own size too, above what the list's
    // own tooltip says.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        const QString text = index.data().toString();
        if (event->type() != QEvent::ToolTip || Fonts::fittedScale(option.font, text, textArea(option.rect).width()) == 1.0)
            return false;
        QToolTip::showText(event->globalPos(), text + u'\n' + view->toolTip(), view);
        return true;
    }
};

} // namespace

DepositView::DepositView(QWidget *parent) : QTableView(parent)
{
    setHorizontalHeader(new FixedHeader(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(twipsToPixels(RowTwips));
    horizontalHeader()->setFixedHeight(twipsToPixels(RowTwips));
    setItemDelegate(new CellDelegate(this));
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false); // Tab leaves the list, as it does every other control

    // The viewport's own background shows beyond the last row and column; cells paint the
    // ordinary window background themselves.
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, BeyondLastCell);
    viewport()->setPalette(pal);
    viewport()->setBackgroundRole(QPalette::Window);
}

void DepositView::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    for (int column = 0; column < int(std::size(ColumnTwips)); ++column)
        setColumnWidth(column, twipsToPixels(ColumnTwips[column]));
}

void DepositView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier
        && currentIndex().isValid()) {
        emit deleteKeyPressed();
        return;
    }
    // The keyboard's context menu keys, at the current row; Qt turns neither into a menu here.
    if (event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, viewport()->rect().center(),
                               viewport()->mapToGlobal(viewport()->rect().center()));
        contextMenuEvent(&menu);
        return;
    }
    // Whole rows, not the one cell Qt copies.
    if (event->matches(QKeySequence::Copy)) {
        emit copyKeyPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DepositView::contextMenuEvent(QContextMenuEvent *event)
{
    // From the keyboard, the menu opens at the current row rather than wherever the pointer is.
    const QRect current = visualRect(currentIndex());
    if (event->reason() == QContextMenuEvent::Keyboard && current.intersects(viewport()->rect()))
        emit contextMenuAsked(viewport()->mapToGlobal(current.center()));
    else
        emit contextMenuAsked(event->globalPos());
}

void DepositView::showRowAtTop(int row)
{
    const QModelIndex index = model()->index(row, 1);
    setCurrentIndex(index);
    scrollTo(index, QAbstractItemView::PositionAtTop);
}
