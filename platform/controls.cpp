#include "controls.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

FlatLabel::FlatLabel(const QString &text, QWidget *parent, bool bordered)
    : QLabel(text, parent), m_bordered(bordered)
{
    if (bordered)
        setContentsMargins(1, 1, 1, 1);
}

void FlatLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!m_bordered)
        return;
    QPainter painter(this);
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &geometry,
                  const LabelLook &look)
{
    auto *label = new FlatLabel(text, parent, look.bordered);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setFont(look.font);
    label->setAlignment(look.alignment);
    label->setWordWrap(false);
    label->setTextFormat(Qt::PlainText);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText,
                 look.text.isValid() ? look.text : QApplication::palette().color(QPalette::ButtonText));
    if (look.background.isValid()) {
        pal.setColor(QPalette::Window, look.background);
        label->setBackgroundRole(QPalette::Window); // not the role inherited from the window
        label->setAutoFillBackground(true);
    }
    label->setPalette(pal);
    label->setForegroundRole(QPalette::WindowText); // likewise
    return label;
}

void centreOnScreen(QWidget &window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        window.move(available.topLeft() + QPoint((available.width() - window.width()) / 2,
                                                 (available.height() - window.height()) / 2));
    }
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
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
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
