// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "historywindow.h"

#include "amount.h"
#include "exportfile.h"
#include "fonts.h"
#include "helpparts.h"
#include "ledgersession.h"
#include "printmodule.h"
#include "savingschart.h"

#include <QAbstractTableModel>
#include <QBuffer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include <numeric>

using namespace Qt::Literals::StringLiterals;

// Rows of figures, one per year or month: its name, 回数, 合計, 平均, 最高.
class PeriodModel : public QAbstractTableModel
{
public:
    struct Row
    {
        QString name;
        PeriodFigures figures;
    };

    PeriodModel(QString firstHeader, QObject *parent)
        : QAbstractTableModel(parent), m_firstHeader(std::move(firstHeader))
    {
    }

    void setRows(QList<Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const Row &row(int row) const { return m_rows.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 5; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid))
            return {};
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(index.column() == 0 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        const Row &row = m_rows.at(index.row());
        const PeriodFigures &figures = row.figures;
        // A sum past what money holds is shown as not known rather than wrong.
        const auto amount = [&](std::optional<Money> value) {
            return value && !figures.outOfRange ? currencyText(*value) : u"―"_s;
        };
        switch (index.column()) {
        case 0:
            return row.name;
        case 1:
            return QString::number(figures.count) + u'回';
        case 2:
            return amount(figures.total);
        case 3:
            return amount(figures.average());
        case 4:
            return figures.count ? currencyText(figures.largest) : u"―"_s;
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        const QString headers[] = { m_firstHeader, u"回数"_s, u"合計"_s, u"平均"_s, u"最高"_s };
        return section >= 0 && section < 5 ? headers[section] : QVariant();
    }

private:
    QString m_firstHeader;
    QList<Row> m_rows;
};

// A table of figures whose columns are as wide as their widest text, never an amount elided, and
// share what room is left: a table holds a row a year or a month, so measuring them is cheap.
class FiguresTable : public QTableView
{
public:
    FiguresTable(QWidget *parent, const QString &name, const QString &accessibleName, QAbstractItemModel *model)
        : QTableView(parent)
    {
        setObjectName(name);
        setAccessibleName(accessibleName);
        setModel(model);
        verticalHeader()->hide();
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setTabKeyNavigation(false);
        setWordWrap(false);
        setTextElideMode(Qt::ElideNone);
        horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        connect(model, &QAbstractItemModel::modelReset, this, &FiguresTable::measureColumns);
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QTableView::resizeEvent(event);
        shareRoom();
    }

private:
    // Measured once for the rows: a century of years takes some milliseconds.
    void measureColumns()
    {
        QHeaderView *header = horizontalHeader();
        header->resizeSections(QHeaderView::ResizeToContents);
        m_widths.clear();
        for (int column = 0; column < header->count(); ++column)
            m_widths.append(header->sectionSize(column));
        shareRoom();
    }
    void shareRoom()
    {
        const int widest = std::accumulate(m_widths.cbegin(), m_widths.cend(), 0);
        const int spare = std::max(0, viewport()->width() - widest) / std::max(1, int(m_widths.size()));
        for (int column = 0; column < m_widths.size(); ++column)
            horizontalHeader()->resizeSection(column, m_widths[column] + spare);
    }

    QList<int> m_widths;
};

HistoryWindow::HistoryWindow(const LedgerSession &session, QWidget *owner)
    : QWidget(owner, Qt::Window), m_session(session)
{
    setObjectName(u"fraAyumi"_s);
    setWindowTitle(u"貯金のあゆみ"_s);
    setFont(Fonts::proportional(10));
    createControls();
    connect(&session, &LedgerSession::reloaded, this, &HistoryWindow::ShowHistory);
    connect(&session, &LedgerSession::appended, this, &HistoryWindow::ShowHistory);
    ShowHistory();
    // Room for the picture's years and both tables side by side, on a 1280 x 800 screen too.
    setMinimumSize(560, 440);
    resize(760, 640);
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::createControls()
{
    picAyumi = new SavingsChart(this);
    m_years = new PeriodModel(u"年"_s, this);
    m_months = new PeriodModel(u"月"_s, this);
    lblYears = new QLabel(u"年ごと(&Y)"_s, this);
    grdYears = new FiguresTable(this, u"grdYears"_s, u"年ごとの入金"_s, m_years);
    lblYears->setBuddy(grdYears);
    lblMonths = new QLabel(this);
    grdMonths = new FiguresTable(this, u"grdMonths"_s, u"月ごとの入金"_s, m_months);
    lblMonths->setBuddy(grdMonths);
    connect(grdYears->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &HistoryWindow::grdYears_CurrentChanged);

    cmdPrint = new QPushButton(u"印刷(&P)…"_s, this);
    cmdPrint->setObjectName(u"cmdPrint"_s);
    cmdSave = new QPushButton(u"画像で保存(&S)…"_s, this);
    cmdSave->setObjectName(u"cmdSave"_s);
    cmdClose = new QPushButton(u"閉じる"_s, this);
    cmdClose->setObjectName(u"cmdClose"_s);
    connect(cmdPrint, &QPushButton::clicked, this, &HistoryWindow::cmdPrint_Click);
    connect(cmdSave, &QPushButton::clicked, this, &HistoryWindow::cmdSave_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence::Print, this), &QShortcut::activated, this, &HistoryWindow::cmdPrint_Click);
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);

    auto *tables = new QHBoxLayout;
    for (const auto &[label, table] : { std::pair(lblYears, grdYears), std::pair(lblMonths, grdMonths) }) {
        auto *column = new QVBoxLayout;
        column->addWidget(label);
        column->addWidget(table);
        tables->addLayout(column, 1);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(picAyumi, 3);
    layout->addLayout(tables, 2);
    layout->addLayout(buttons);
}

void HistoryWindow::ShowHistory()
{
    m_history = LedgerHistory(m_session.entries());
    QList<PeriodModel::Row> years;
    for (const auto &year : m_history.years())
        years.append({ QString::number(year.year) + u'年', year.figures });
    if (m_history.undated().count)
        years.append({ u"日付なし"_s, m_history.undated() });
    m_years->setRows(years);
    picAyumi->setHistory(&m_history);

    // The year chosen before stays chosen while it has deposits; else the latest.
    int row = int(m_history.years().size()) - 1;
    for (int i = 0; i < m_history.years().size(); ++i) {
        if (m_history.years().at(i).year == m_chosenYear)
            row = i;
    }
    // Making the row current shows its months: the reset left no current row.
    if (row >= 0)
        grdYears->setCurrentIndex(m_years->index(row, 0));
    else
        ShowMonths(0);
}

void HistoryWindow::grdYears_CurrentChanged()
{
    const int row = grdYears->currentIndex().row();
    ShowMonths(row >= 0 && row < m_history.years().size() ? m_history.years().at(row).year : 0);
}

void HistoryWindow::ShowMonths(int year)
{
    m_chosenYear = year;
    QList<PeriodModel::Row> months;
    for (const auto &figures : m_history.years()) {
        if (figures.year != year)
            continue;
        for (int month = 0; month < 12; ++month)
            months.append({ QString::number(month + 1) + u'月', figures.months[month] });
    }
    m_months->setRows(months);
    lblMonths->setText(year ? u"%1年の月ごと(&M)"_s.arg(year) : u"月ごと(&M)"_s);
}

void HistoryWindow::cmdPrint_Click()
{
    if (const auto print = decltype(&porunkaPrintPicture)(printModuleFunction(PrintPictureFunctionName))) {
        const QString title = u"貯金のあゆみの印刷"_s;
        print(picAyumi, this, &title);
    }
    else
        warnNoPrintModule(this);
}

void HistoryWindow::cmdSave_Click()
{
    exportFile(this, m_session, u"画像で保存"_s, u"貯金のあゆみ.png"_s,
               { u"PNG 画像 (*.png)"_s, u"PDF (*.pdf)"_s }, { u"png"_s, u"pdf"_s },
               [this](const QString &path) { return pictureBytes(path.endsWith(u".pdf"_s, Qt::CaseInsensitive)); });
}

QByteArray HistoryWindow::pictureBytes(bool pdf) const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QRect area(QPoint(), picAyumi->size());
    if (pdf) {
        QPdfWriter writer(&buffer);
        writer.setTitle(windowTitle());
        writer.setPageOrientation(QPageLayout::Landscape);
        QPainter painter(&writer);
        const QRect page = painter.viewport();
        const qreal scale = std::min(qreal(page.width()) / area.width(), qreal(page.height()) / area.height());
        painter.scale(scale, scale);
        picAyumi->paintPicture(painter, area);
    }
    else {
        // Twice the screen's pixels: as sharp on a dense screen or in a document as in the window.
        QImage image(area.size() * 2, QImage::Format_RGB32);
        image.setDevicePixelRatio(2);
        QPainter painter(&image);
        picAyumi->paintPicture(painter, area);
        painter.end();
        image.save(&buffer, "PNG");
    }
    return bytes;
}
