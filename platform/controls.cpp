// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls.h"

#include "fonts.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

using namespace Qt::Literals::StringLiterals;

double contrastRatio(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto linear = [](float v) {
            return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
        };
        return 0.2126f * linear(c.redF()) + 0.7152f * linear(c.greenF()) + 0.0722f * linear(c.blueF());
    };
    const float la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05f) / (std::min(la, lb) + 0.05f);
}

QColor readableOn(const QColor &wanted, const QColor &behind)
{
    if (!behind.isValid())
        return wanted;
    return contrastRatio(wanted, behind) >= 4.5 ? wanted : QColor(Qt::black);
}

QColor visibleOn(const QColor &wanted, std::initializer_list<QColor> behind, double least)
{
    const auto standsOut = [&](const QColor &c) {
        return std::all_of(behind.begin(), behind.end(), [&](const QColor &b) { return contrastRatio(c, b) >= least; });
    };
    if (standsOut(wanted))
        return wanted;
    // Towards whichever end is farther from what lies behind: lighter on a dark scheme.
    const bool lighter = std::all_of(behind.begin(), behind.end(), [](const QColor &b) { return b.lightnessF() < 0.5; });
    QColor c = wanted.toHsl();
    for (int lightness = c.lightness(); lightness >= 0 && lightness <= 255; lightness += lighter ? 8 : -8) {
        c.setHsl(c.hslHue(), c.hslSaturation(), lightness);
        if (standsOut(c))
            return c;
    }
    return lighter ? QColor(Qt::white) : QColor(Qt::black);
}

FlatLabel::FlatLabel(const QString &text, QWidget *parent, const LabelLook &look)
    : QLabel(text, parent),
      m_bordered(look.bordered),
      m_shrinkToFit(look.shrinkToFit),
      m_behind(look.background.isValid() ? look.background : look.behind)
{
    if (m_bordered)
        setContentsMargins(1, 1, 1, 1);
}

bool FlatLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && m_shrinkToFit
        && Fonts::fittedScale(font(), text(), contentsRect().width()) < 1.0) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

void FlatLabel::paintEvent(QPaintEvent *event)
{
    const QRect area = contentsRect();
    const qreal scale = m_shrinkToFit ? Fonts::fittedScale(font(), text(), area.width()) : 1.0;
    if (scale == 1.0) {
        QLabel::paintEvent(event);
    } else {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        Fonts::drawFitted(painter, area, int(alignment()), text(), scale);
    }
    if (!m_bordered)
        return;
    QPainter painter(this);
    painter.setPen(readableOn(QApplication::palette().color(QPalette::WindowText), m_behind));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &geometry,
                  const LabelLook &look)
{
    const QColor behind = look.background.isValid() ? look.background : look.behind;
    auto *label = new FlatLabel(text, parent, look);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setFont(look.font);
    label->setAlignment(look.alignment);
    label->setWordWrap(false);
    label->setTextFormat(Qt::PlainText);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText,
                 look.text.isValid() ? look.text
                                      : readableOn(QApplication::palette().color(QPalette::ButtonText), behind));
    if (look.background.isValid()) {
        pal.setColor(QPalette::Window, look.background);
        label->setBackgroundRole(QPalette::Window); // not the role inherited from the window
        label->setAutoFillBackground(true);
    }
    label->setPalette(pal);
    label->setForegroundRole(QPalette::WindowText); // likewise
    return label;
}

namespace {

void moveFrameToCentre(QWidget &window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        const QSize frame = window.frameGeometry().size();
        window.move(available.topLeft() + QPoint((available.width() - frame.width()) / 2,
                                                 (available.height() - frame.height()) / 2));
    }
}

// Keeps a fixed-size window as designed. The window manager's frame has no size until it is put
// around the window, so the first event that shows it centres the window once more; full screen
// or maximised, which window managers offer whatever the size hints say, is undone at once.
class FixedPlacement : public QObject
{
public:
    explicit FixedPlacement(QWidget &window) : QObject(&window), m_window(window)
    {
        setObjectName(u"fixedPlacement"_s);
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::WindowStateChange:
            if (m_window.windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized))
                m_window.setWindowState(m_window.windowState()
                                        & ~(Qt::WindowFullScreen | Qt::WindowMaximized));
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            if (!m_framed && m_window.frameGeometry().size() != m_window.size()) {
                m_framed = true;
                moveFrameToCentre(m_window);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget &m_window;
    bool m_framed = false;
};

} // namespace

void centreOnScreen(QWidget &window)
{
    moveFrameToCentre(window);
    if (!window.findChild<QObject *>(u"fixedPlacement"_s, Qt::FindDirectChildrenOnly))
        new FixedPlacement(window);
}

RoundedRectangle::RoundedRectangle(QWidget *parent, const QColor &fill)
    : QWidget(parent), m_fill(fill)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void RoundedRectangle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(readableOn(palette().color(QPalette::WindowText), m_fill), 1));
    painter.setBrush(m_fill);
    const qreal radius = std::min(width(), height()) / 12.0;
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

LineWidget::LineWidget(QWidget *parent, const QColor &colour) : QWidget(parent)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
}

void placeBeside(QWidget &window, const QWidget &owner)
{
    const QRect available = owner.screen()->availableGeometry();
    const QRect ownerFrame = owner.frameGeometry();
    const QRect ownerClient = owner.geometry();
    // Its own frame is not there yet; the owner's, from the same window manager, stands in.
    const QMargins frame(ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
                         ownerFrame.right() - ownerClient.right(),
                         ownerFrame.bottom() - ownerClient.bottom());
    const int roomRight = available.right() - ownerFrame.right();
    const int roomLeft = ownerFrame.left() - available.left();
    const bool right = roomRight >= roomLeft;
    const int room = std::max(roomLeft, roomRight) - frame.left() - frame.right();
    const int width = std::min(window.width(), std::max(room, window.minimumWidth()));
    const int height = std::min(window.height(), available.height() - frame.top() - frame.bottom());
    const int x = right ? std::min(ownerFrame.right() + 1, available.right() + 1 - width - frame.right()) + frame.left()
                        : std::max(ownerFrame.left(), available.left() + frame.left() + width) - frame.right() - width;
    const int y = ownerFrame.top() + frame.top();
    window.setGeometry(
            std::clamp(x, available.left() + frame.left(), available.right() - frame.right() - width + 1),
            std::clamp(y, available.top() + frame.top(), available.bottom() - frame.bottom() - height + 1),
            width, height);
}
