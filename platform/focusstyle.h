// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

// The desktop's own style, with the keyboard focus always shown at the 3:1 contrast WCAG asks
// of what is not text: a scheme's highlight can lie as dark as the window it sits on (qt6ct's
// darker), and Fusion draws the focus of buttons and items half transparent. Where the style's
// own ring already stands out, it draws as the style draws it.
class FocusVisibleStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
};
