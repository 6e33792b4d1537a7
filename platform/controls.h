// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

// Small controls both windows are built from, placed in absolute positions.

// `wanted`, a colour of the desktop's scheme, where it stands out from the fixed colour `behind`
// by the 4.5:1 contrast WCAG asks of text; else the fixed scheme's own black. Any colour stands
// on an invalid `behind`, the scheme's own.
QColor readableOn(const QColor &wanted, const QColor &behind);

// The WCAG contrast ratio of two colours, from 1 (the same) to 21 (black and white).
double contrastRatio(const QColor &a, const QColor &b);

// `wanted` where it stands out from every colour of `behind` by `least`; else `wanted` made
// lighter or darker, its hue kept, until it does; else the scheme's white or black.
QColor visibleOn(const QColor &wanted, std::initializer_list<QColor> behind, double least);

// How a label looks: an invalid background leaves it transparent, showing `behind` (a fixed
// colour it lies on) or else the window; an invalid text colour takes the system button-text
// colour.
struct LabelLook
{
    QFont font {};
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor background {};
    QColor text {};
    bool bordered = false;
    QColor behind {};
    bool shrinkToFit = false; // for numbers, which must never be cut
};

// A label that draws a one-pixel border in the window-text colour when asked to, whatever the
// colour of its own text, and if asked its whole text in a smaller size where it does not fit,
// then shown at its own size in a tooltip.
class FlatLabel : public QLabel
{
public:
    FlatLabel(const QString &text, QWidget *parent, const LabelLook &look);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_bordered;
    bool m_shrinkToFit;
    QColor m_behind;
};

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &geometry,
                  const LabelLook &look);

// Places a secondary window beside its owner on the side with more room, as wide as that room
// allows; where the room is narrower than the window can be, over the owner's edge at the
// screen's, so that the rest of the owner stays in reach; always within the screen.
void placeBeside(QWidget &window, const QWidget &owner);

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
