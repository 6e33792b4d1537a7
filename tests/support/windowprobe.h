#pragma once

// Driving the windows and reading them as a user sees them, for the window tests.

#include "clock.h"
#include "ledgerfixture.h"
#include "mainwindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::Literals::StringLiterals;

// A clock the test sets.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(QDateTime now) : m_now(std::move(now)) { }
    QDateTime now() const override { return m_now; }
    void set(QDateTime now) { m_now = std::move(now); }

private:
    QDateTime m_now;
};

// Runs `handle` on the next modal window once it is up, from inside the event loop that shows it.
class ModalWatcher
{
public:
    explicit ModalWatcher(std::function<void(QWidget *)> handle) : m_handle(std::move(handle))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            m_timer.stop();
            m_handled = true;
            m_handle(modal);
        });
        m_timer.start();
    }
    bool handled() const { return m_handled; }

private:
    std::function<void(QWidget *)> m_handle;
    QTimer m_timer;
    bool m_handled = false;
};

template<typename T = QWidget>
inline T *control(QWidget &window, const QString &name)
{
    T *widget = window.findChild<T *>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

// The five figures, and the visible parts of the elapsed-days line, as one text each.
inline QString figures(QWidget &w)
{
    QStringList texts;
    for (const char *name : { "lblKozeni_cnt", "lblKozeni_zen", "lblKozeni_Max", "lblKozeni_Min", "lblKozeni_Avg" })
        texts.append(control<QLabel>(w, QString::fromLatin1(name))->text());
    return texts.join(u' ');
}
inline QString elapsedLineText(QWidget &w)
{
    QStringList texts;
    for (const char *name : { "lblCmnt2(0)", "lblKozeni_Keika", "lblCmnt2(1)" }) {
        const QLabel *label = control<QLabel>(w, QString::fromLatin1(name));
        if (!label->isHidden())
            texts.append(label->text());
    }
    return texts.join(u'|');
}

// Every row of the deposit list, its cells joined by spaces.
inline QStringList rows(QWidget &w)
{
    const QAbstractItemModel *model = control<QTableView>(w, u"msgKozeni"_s)->model();
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.append(model->index(row, column).data().toString());
        texts.append(cells.join(u' '));
    }
    return texts;
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

// Types the amount and deposits it, as a user does.
inline void deposit(MainWindow &w, const QString &amount)
{
    control<QLineEdit>(w, u"txtKozeni_Inp"_s)->setText(amount);
    w.Deposit();
}

// Double-clicks a cell of the deposit list; the click before it makes the row current.
inline void doubleClickRow(QWidget &w, int row, int column = 1)
{
    auto *list = control<QTableView>(w, u"msgKozeni"_s);
    const QRect cell = list->visualRect(list->model()->index(row, column));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

// The window drawn as it is, against the committed picture tests/data/NAME.png; with
// PORUNKA_WRITE_REFERENCE=1 in the environment the picture is written instead.
inline bool looksLikeReference(QWidget &w, const QString &name)
{
    const QImage drawn = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString reference = QStringLiteral(PORUNKA_TEST_DATA "/") + name + u".png"_s;
    if (qEnvironmentVariableIntValue("PORUNKA_WRITE_REFERENCE"))
        return drawn.save(reference);
    if (drawn == QImage(reference).convertToFormat(QImage::Format_RGB32))
        return true;
    const QString actual = QDir::temp().filePath(name + u"-drawn.png"_s);
    drawn.save(actual);
    qWarning("%s differs from %s", qPrintable(actual), qPrintable(reference));
    return false;
}
