// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into a start-up (LD_PRELOAD): writes every text painted through QPainter's two
// rectangle drawText calls, which labels, buttons, the list and our own fitting all use, to the
// file PORUNKA_DRAWN_TEXTS names, one line each: face, points, hinting, scale, width, height, text.
// startup_bare_texts then paints the same texts in a bare window.
#include <QFile>
#include <QPainter>

#include <dlfcn.h>

namespace {

void record(const QPainter *painter, const QRectF &area, const QString &text)
{
    static QFile list(QString::fromLocal8Bit(qgetenv("PORUNKA_DRAWN_TEXTS")));
    if (!list.isOpen() && !list.open(QIODevice::Append))
        return;
    const QFont font = painter->font();
    list.write(QStringList { font.family(), QString::number(font.pointSizeF()),
                             QString::number(int(font.hintingPreference())),
                             QString::number(painter->transform().m11()),
                             QString::number(area.width()), QString::number(area.height()),
                             QString(text).replace(u'\n', QChar::LineSeparator) }
                       .join(u'\t')
                       .toUtf8()
               + '\n');
    list.flush();
}

template<typename F>
F next(const char *symbol)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}

} // namespace

void QPainter::drawText(const QRect &area, int flags, const QString &text, QRect *bounds)
{
    record(this, area, text);
    static const auto real = next<void (*)(QPainter *, const QRect &, int, const QString &, QRect *)>(
            "_ZN8QPainter8drawTextERK5QRectiRK7QStringPS0_");
    real(this, area, flags, text, bounds);
}

void QPainter::drawText(const QRectF &area, int flags, const QString &text, QRectF *bounds)
{
    record(this, area, text);
    static const auto real = next<void (*)(QPainter *, const QRectF &, int, const QString &, QRectF *)>(
            "_ZN8QPainter8drawTextERK6QRectFiRK7QStringPS0_");
    real(this, area, flags, text, bounds);
}
