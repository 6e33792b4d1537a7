#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

// Small controls both windows are built from, placed in absolute positions.

// How a label looks: an invalid background leaves it transparent, an invalid text colour takes
// the system button-text colour.
struct LabelLook
{
    QFont font {};
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor background {};
    QColor text {};
    bool bordered = false;
};

// A label that draws a one-pixel border in the window-text colour when asked to, whatever the
// colour of its own text.
class FlatLabel : public QLabel
{
public:
    FlatLabel(const QString &text, QWidget *parent, bool bordered);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_bordered;
};

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &geometry,
                  const LabelLook &look);

// Moves a top-level window's frame to the centre of the primary screen's available area, now
// and again once the window manager has framed it, and keeps the window out of full screen.
void centreOnScreen(QWidget &window);

// A filled rectangle with rounded corners and a one-pixel outline in the window-text colour,
// drawn behind the other controls.
class RoundedRectangle : public QWidget
{
public:
    RoundedRectangle(QWidget *parent, const QColor &fill);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
};

// A one-pixel line of one colour; two of them make an etched groove.
class LineWidget : public QWidget
{
public:
    LineWidget(QWidget *parent, const QColor &colour);
};
