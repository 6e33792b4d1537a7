// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "welcomewindow.h"

#include "controls.h"
#include "fonts.h"
#include "pictures.h"
#include "units.h"

#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

WelcomeWindow::WelcomeWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowCloseButtonHint)
{
    setObjectName(u"frmSub"_s);
    setWindowTitle(u"ポルンカ始めてみよう！"_s);
    setWindowIcon(Pictures::icon(u"welcome"_s));
    setModal(true);
    setFixedSize(twipsToPixels(6855), twipsToPixels(3735));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_DeleteOnClose, false);

    const QColor ivory(0xFF, 0xFF, 0xF0);
    Shape1 = new RoundedRectangle(this, ivory);
    Shape1->setObjectName(u"Shape1"_s);
    Shape1->setGeometry(twipRect(150, 75, 6585, 3540));

    // In their order on the screen, which is not the order of their indexes.
    struct Line
    {
        int index, left, top, width, height;
        const char16_t *text;
    };
    const Line lines[] = {
        { 0, 450, 225, 4590, 390, u"一週間に１回、あるいは半月に一回…などなど" },
        { 1, 450, 525, 5865, 390, u"とにかく任意の期間で、財布に残っている『小銭』を惜しみなく" },
        { 2, 450, 825, 4290, 315, u"貯金にまわしてしまおう！　という貯金法です。" },
        { 4, 450, 1200, 5565, 315, u"『小銭』の定義も使う人、その時の気分でＯＫ！" },
        { 5, 525, 1500, 4215, 315, u"硬貨は全て小銭…としてもよいし、" },
        { 6, 450, 1800, 6315, 315, u"１００円以下を小銭とみなす…でもかまわないでしょう。" },
        { 3, 450, 2250, 5565, 315, u"小銭の一括清算でジャラジャラだった財布は軽くなるし" },
        { 7, 450, 2550, 3465, 315, u"貯金はいつのまにか重くなる！？" },
    };
    const LabelLook look { .font = Fonts::proportional(11.25),
                           .alignment = Qt::AlignLeft | Qt::AlignTop, .behind = ivory };
    for (const Line &line : lines) {
        Label1[line.index] = makeLabel(this, u"Label1(%1)"_s.arg(line.index),
                                       QString::fromUtf16(line.text),
                                       twipRect(line.left, line.top, line.width, line.height), look);
    }

    cmdModori = new QPushButton(u"財布を用意して さぁ 始めよう！"_s, this);
    cmdModori->setObjectName(u"cmdModori"_s);
    cmdModori->setGeometry(twipRect(2925, 2925, 3390, 540));
    cmdModori->setFont(Fonts::proportional(11.25));
    cmdModori->setAutoDefault(true);
    cmdModori->setDefault(true);
    cmdModori->setFocus();
    connect(cmdModori, &QPushButton::clicked, this, &WelcomeWindow::cmdModori_Click);
}

void WelcomeWindow::showEvent(QShowEvent *event)
{
    // Centred on the screen, not on the main window.
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

void WelcomeWindow::cmdModori_Click()
{
    accept();
}
