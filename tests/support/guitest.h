#pragma once

#include "clock.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

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

// Runs `handle` on the next modal window once it is up, from inside the event loop that shows
// it. Watches until handled or destroyed, so nothing outlives the test that set it up.
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
