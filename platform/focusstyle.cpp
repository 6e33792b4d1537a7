// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "focusstyle.h"

#include "controls.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>

namespace {

// WCAG's 3:1 for what is not text, against a flat colour; a ring drawn on a button's face or a
// row is aimed at 4.5:1 against the face's flat colour, so that it stays above 3:1 on the
// shading a style gives it.
constexpr double FocusContrast = 3.0;
constexpr double RingOnFaceContrast = 4.5;

// The colour behind a control's outer edge: what its parent paints there.
QColor behindOf(const QWidget *widget, const QPalette &fallback)
{
    const QWidget *parent = widget ? widget->parentWidget() : nullptr;
    return parent ? parent->palette().color(parent->backgroundRole()) : fallback.color(QPalette::Window);
}

void drawRing(QPainter *painter, const QRect &rect, const QColor &colour)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(colour);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

} // namespace

void FocusVisibleStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                      QPainter *painter, const QWidget *widget) const
{
    const QPalette &palette = option->palette;
    const QColor highlight = palette.color(QPalette::Highlight);
    if (element == PE_FrameFocusRect) {
        // As the style does: shown once the keyboard has moved the focus, not at a click.
        if (!(option->state & State_KeyboardFocusChange))
            return;
        const auto *focus = qstyleoption_cast<const QStyleOptionFocusRect *>(option);
        const QColor behind = focus && focus->backgroundColor.isValid() ? focus->backgroundColor
                                                                        : palette.color(QPalette::Button);
        drawRing(painter, option->rect, visibleOn(highlight, { behind }, RingOnFaceContrast));
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    // A text box's ring is drawn from the highlight: drawn again over it only where the
    // highlight is lost on the box's surroundings or its own field.
    if (element == PE_FrameLineEdit && (option->state & State_HasFocus)) {
        const QColor ring = visibleOn(highlight, { behindOf(widget, palette), palette.color(QPalette::Base) }, FocusContrast);
        if (ring != highlight)
            drawRing(painter, option->rect, ring);
    }
}

void FocusVisibleStyle::drawControl(ControlElement element, const QStyleOption *option,
                                    QPainter *painter, const QWidget *widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if (!(option->state & State_HasFocus))
        return;
    // Fusion marks a focused button only by the outline it also gives the default button, and
    // a focused page or list not at all.
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(*option);
    if (element == CE_PushButton) {
        focus.rect = subElementRect(SE_PushButtonFocusRect, option, widget);
    } else if (element == CE_ShapedFrame && qobject_cast<const QAbstractScrollArea *>(widget)) {
        focus.backgroundColor = behindOf(widget, option->palette);
    } else {
        return;
    }
    drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
}
