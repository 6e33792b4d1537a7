// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// ayumi_charts: 貯金のあゆみ's picture drawn two ways on the same ledgers, offscreen: with QPainter,
// as the program draws it, and with Qt Charts (a line series of the running total above a bar
// series of the months, each in its chart view). Prints, per size, the first drawing in the
// process (what opening the window costs the first time) and the median of 11 later ones, from
// building the picture to its pixels; then what linking Qt Charts adds to a process's start.
#include "ledgergen.h"
#include "ledgerhistory.h"
#include "ledgerreader.h"
#include "savingschart.h"
#include "translations.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QElapsedTimer>
#include <QLibrary>
#include <QLineSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QSize PictureSize(720, 330);

QWidget *drawnWithQPainter(const LedgerHistory &history)
{
    auto *chart = new SavingsChart;
    chart->setHistory(&history);
    chart->resize(PictureSize);
    return chart;
}

QWidget *drawnWithQtCharts(const LedgerHistory &history)
{
    auto *line = new QLineSeries;
    for (const auto &point : history.runningTotals())
        line->append(double(point.date.startOfDay().toMSecsSinceEpoch()), point.total);
    auto *totals = new QChart;
    totals->addSeries(line);
    auto *time = new QDateTimeAxis;
    time->setFormat(u"yyyy年"_s);
    totals->addAxis(time, Qt::AlignBottom);
    line->attachAxis(time);
    auto *amounts = new QValueAxis;
    totals->addAxis(amounts, Qt::AlignLeft);
    line->attachAxis(amounts);
    totals->legend()->hide();

    auto *set = new QBarSet(u"月ごとの入金"_s);
    QStringList months;
    for (const auto &year : history.years()) {
        for (int month = 0; month < 12; ++month) {
            set->append(year.months[month].total.toDouble());
            months.append(u"%1/%2"_s.arg(year.year).arg(month + 1));
        }
    }
    auto *bars = new QBarSeries;
    bars->append(set);
    auto *perMonth = new QChart;
    perMonth->addSeries(bars);
    auto *categories = new QBarCategoryAxis;
    categories->append(months);
    categories->setLabelsVisible(false);
    perMonth->addAxis(categories, Qt::AlignBottom);
    bars->attachAxis(categories);
    perMonth->legend()->hide();

    auto *picture = new QWidget;
    auto *layout = new QVBoxLayout(picture);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QChartView(totals), 3);
    layout->addWidget(new QChartView(perMonth), 2);
    picture->resize(PictureSize);
    return picture;
}

double drawOnce(const LedgerHistory &history, const std::function<QWidget *(const LedgerHistory &)> &draw)
{
    QElapsedTimer timer;
    timer.start();
    QWidget *picture = draw(history);
    picture->grab();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    delete picture;
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    const std::pair<const char *, std::function<QWidget *(const LedgerHistory &)>> ways[] = {
        { "QPainter", drawnWithQPainter }, { "Qt Charts", drawnWithQtCharts } };
    for (const int entries : { 1000, 32766 }) {
        const QByteArray bytes = generatedLedger(entries);
        const LedgerLoad load = ReadLedgerBytes(bytes);
        const LedgerHistory history(load.entries);
        for (const auto &[name, draw] : ways) {
            const double first = drawOnce(history, draw);
            std::vector<double> runs;
            for (int run = 0; run < 11; ++run)
                runs.push_back(drawOnce(history, draw));
            std::sort(runs.begin(), runs.end());
            std::printf("%-10s %6d entries   first %8.2f ms   then %8.2f ms\n", name, entries, first, runs[runs.size() / 2]);
        }
    }
    return 0;
}
