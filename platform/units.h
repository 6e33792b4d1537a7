// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

// The windows are laid out in twips (1/1440 inch). 15 twips make one pixel at 96 dots per inch,
// which is one logical pixel in Qt; on a denser screen Qt scales logical pixels as a whole.
constexpr int twipsToPixels(int twips)
{
    return (twips + 7) / 15; // to the nearest pixel; all layout values are positive
}

constexpr QRect twipRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}
