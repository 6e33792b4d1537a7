#pragma once

// Reading the main window as a user sees it, for the window tests.

#include "guitest.h"
#include "ledgerfixture.h"
#include "mainwindow.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QTableView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
template<typename T = QWidget>
inline T *control(QWidget &window, const QString &name)
{
    T *widget = window.findChild<T *>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

inline QString figures(QWidget &w)
{
    QStringList texts;
    for (const char16_t *name : { u"lblKozeni_cnt", u"lblKozeni_zen", u"lblKozeni_Max",
                                  u"lblKozeni_Min", u"lblKozeni_Avg" })
        texts.append(control<QLabel>(w, QString::fromUtf16(name))->text());
    return texts.join(u' ');
}

// The visible labels of the elapsed-days line, in reading order.
inline QString elapsedLineText(QWidget &w)
{
    QStringList texts;
    for (const char16_t *name : { u"lblCmnt2(0)", u"lblKozeni_Keika", u"lblCmnt2(1)" }) {
        const QLabel *label = control<QLabel>(w, QString::fromUtf16(name));
        if (!label->isHidden())
            texts.append(label->text());
    }
    return texts.join(u'|');
}

inline QStringList rowTexts(QWidget &w, int row)
{
    const QAbstractItemModel *model = control<QTableView>(w, u"msgKozeni"_s)->model();
    QStringList cells;
    for (int column = 0; column < model->columnCount(); ++column)
        cells.append(model->index(row, column).data().toString());
    return cells;
}

inline int dataRows(QWidget &w)
{
    return control<QTableView>(w, u"msgKozeni"_s)->model()->rowCount();
}

// Types as a user would: plain keys, or a committed input-method string for what a keyboard
// alone cannot type (full-width forms, the yen sign).
inline void typeText(QWidget *widget, const QString &text)
{
    bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (latin1) {
        QTest::keyClicks(widget, text);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(widget, &commit);
}

inline QByteArray ledgerOf(std::initializer_list<std::pair<const char *, const char *>> dateAndAmount)
{
    QByteArray bytes;
    for (const auto &[date, amount] : dateAndAmount)
        bytes += line(date, "12:00:00", amount);
    return bytes;
}


// Starts a main window on the ledger at `path`; a welcome window is closed at once, and
// `welcomed` tells whether one came.
inline std::unique_ptr<MainWindow> startMainWindow(const Clock &clock, const QString &path,
                                                   bool *welcomed = nullptr)
{
    auto window = std::make_unique<MainWindow>(clock, path);
    const ModalWatcher watcher([](QWidget *modal) { modal->close(); });
    window->start();
    if (welcomed)
        *welcomed = watcher.handled();
    return window;
}

// Double-clicks a cell of the deposit list, as a user does.
inline void doubleClickRow(QWidget &w, int row, int column = 1)
{
    auto *list = control<QTableView>(w, u"msgKozeni"_s);
    const QRect cell = list->visualRect(list->model()->index(row, column));
    // A double-click starts with a click, which makes the row current.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}
