// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls as designed: their places, sizes, colours, faces and pictures, the
// keyboard's order through them and their names for assistive tools. What they do is in
// mainwindow.cpp.
#include "mainwindow.h"

#include "controls.h"
#include "depositmodel.h"
#include "depositview.h"
#include "fonts.h"
#include "pictures.h"
#include "units.h"

#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

const QColor White(0xFF, 0xFF, 0xFF);
const QColor Black(0x00, 0x00, 0x00);
const QColor Ivory(0xFF, 0xFF, 0xF0);
const QColor Navy(0x00, 0x00, 0x80);
const QColor Maroon(0x80, 0x00, 0x00);
const QColor Lavender(0x80, 0x80, 0xFF);
const QColor Blue(0x00, 0x00, 0xFF);
const QColor Grey(0x80, 0x80, 0x80);

const QString HelpTip = u"ヘルプファイルを開きます"_s;

} // namespace

void MainWindow::createControls()
{
    // Drawn first, so that it lies behind everything else.
    Shape1 = new RoundedRectangle(this, Ivory);
    Shape1->setObjectName(u"Shape1"_s);
    Shape1->setGeometry(twipRect(7005, 4200, 2340, 2490));

    Image2 = new QLabel(this);
    Image2->setObjectName(u"Image2"_s);
    Image2->setGeometry(twipRect(150, 70, 4530, 1035));
    Image2->setPixmap(Pictures::render(u"title"_s));
    Image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    struct ButtonRow
    {
        QToolButton *&button;
        const char16_t *name;
        int left;
        const char16_t *caption;
        const char16_t *picture;
        QString tooltip;
    };
    const ButtonRow buttons[] = {
        { cmdKozeniHozon, u"cmdKozeniHozon", 5175, u"入金", u"porunka", u"あまった小銭を貯金します"_s },
        { cmdKozeniClr, u"cmdKozeniClr", 6000, u"クリア", u"clear", u"これまでのデータを削除します"_s },
        { cmdHelp, u"cmdHelp", 6825, u"ヘルプ", u"help", HelpTip },
        { cmdsyoukai, u"cmdsyoukai", 7650, u"プロ", u"pro", HelpTip },
        { cmdEnd, u"cmdEnd", 8475, u"終了", u"end", u"プログラムを終了します"_s },
    };
    for (const ButtonRow &row : buttons) {
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromUtf16(row.name));
        button->setGeometry(twipRect(row.left, 75, 840, 990));
        button->setText(QString::fromUtf16(row.caption));
        button->setToolTip(row.tooltip);
        button->setIcon(Pictures::icon(QString::fromUtf16(row.picture)));
        button->setIconSize(Pictures::designedSize(row.picture));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setFocusPolicy(Qt::StrongFocus);
        row.button = button;
    }

    Line1[1] = new LineWidget(this, Grey);
    Line1[1]->setObjectName(u"Line1(1)"_s);
    Line1[1]->setGeometry(twipsToPixels(90), twipsToPixels(1185),
                          twipsToPixels(9380 - 90) + 1, 1);
    Line1[0] = new LineWidget(this, White);
    Line1[0]->setObjectName(u"Line1(0)"_s);
    Line1[0]->setGeometry(twipsToPixels(90), twipsToPixels(1200),
                          twipsToPixels(9380 - 90) + 1, 1);

    msgKozeni = new DepositView(this);
    msgKozeni->setObjectName(u"msgKozeni"_s);
    msgKozeni->setGeometry(twipRect(75, 1350, 6810, 5355));
    msgKozeni->setFont(Fonts::proportional(9));
    msgKozeni->setToolTip(u"ダブルクリックで選択した行を削除できます"_s);

    const auto caption = [](const QColor &background) {
        return LabelLook { .font = Fonts::proportional(15.75), .alignment = Qt::AlignCenter,
                           .background = background, .text = White, .bordered = true };
    };
    Label1[0] = makeLabel(this, u"Label1(0)"_s, u"入金"_s, twipRect(6975, 1350, 915, 420),
                          caption(Lavender));

    txtKozeni_Inp = new QLineEdit(this);
    txtKozeni_Inp->setObjectName(u"txtKozeni_Inp"_s);
    txtKozeni_Inp->setGeometry(twipRect(7875, 1350, 1140, 420));
    txtKozeni_Inp->setFont(Fonts::proportional(15.75));
    txtKozeni_Inp->setToolTip(u"金額を入力してＥｎｔｅｒキーを押すか、入金ボタンを押してください"_s);
    txtKozeni_Inp->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtKozeni_Inp->installEventFilter(this);

    Label2 = makeLabel(this, u"Label2"_s, u"円"_s, twipRect(9045, 1500, 315, 315),
                       { .font = Fonts::proportional(12), .alignment = Qt::AlignCenter });

    struct FigureRow
    {
        int top;
        int captionIndex;
        const char16_t *captionText;
        QColor background;
        QLabel *&value;
        const char16_t *valueName;
    };
    const FigureRow figures[] = {
        { 1950, 5, u"回数", Navy, lblKozeni_cnt, u"lblKozeni_cnt" },
        { 2325, 4, u"合計", Navy, lblKozeni_zen, u"lblKozeni_zen" },
        { 2850, 1, u"最高", Maroon, lblKozeni_Max, u"lblKozeni_Max" },
        { 3225, 2, u"最低", Maroon, lblKozeni_Min, u"lblKozeni_Min" },
        { 3600, 3, u"平均", Maroon, lblKozeni_Avg, u"lblKozeni_Avg" },
    };
    const LabelLook valueLook { .font = Fonts::fixed(15.75),
                                .alignment = Qt::AlignRight | Qt::AlignVCenter,
                                .background = Ivory, .text = Black, .bordered = true,
                                .shrinkToFit = true };
    for (const FigureRow &row : figures) {
        Label1[row.captionIndex] =
                makeLabel(this, u"Label1(%1)"_s.arg(row.captionIndex),
                          QString::fromUtf16(row.captionText), twipRect(6975, row.top, 915, 390),
                          caption(row.background));
        row.value = makeLabel(this, QString::fromUtf16(row.valueName), QString(),
                              twipRect(7875, row.top, 1440, 390), valueLook);
    }

    lblCmnt2[0] = makeLabel(this, u"lblCmnt2(0)"_s, u"前回の清算から"_s,
                            twipRect(7200, 4425, 1890, 315),
                            { .font = Fonts::proportional(11.25), .behind = Ivory });
    lblKozeni_Keika = makeLabel(this, u"lblKozeni_Keika"_s, QString(),
                                twipRect(7050, 4800, 915, 315),
                                { .font = Fonts::proportional(15.75),
                                  .alignment = Qt::AlignRight | Qt::AlignVCenter, .text = Blue,
                                  .shrinkToFit = true });
    lblCmnt2[1] = makeLabel(this, u"lblCmnt2(1)"_s, u"経過しました"_s,
                            twipRect(7050, 4875, 2115, 315),
                            { .font = Fonts::proportional(11.25),
                              .alignment = Qt::AlignRight | Qt::AlignVCenter, .behind = Ivory });

    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(twipRect(8250, 5600, 915, 945));
    Image1->setPixmap(Pictures::render(u"panel"_s));

    const QList<QWidget *> tabOrder = focusableControls();
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    msgKozeni->setFocusPolicy(Qt::StrongFocus);

    connect(cmdKozeniHozon, &QToolButton::clicked, this, &MainWindow::cmdKozeniHozon_Click);
    connect(cmdKozeniClr, &QToolButton::clicked, this, &MainWindow::cmdKozeniClr_Click);
    connect(cmdHelp, &QToolButton::clicked, this, &MainWindow::cmdHelp_Click);
    connect(cmdsyoukai, &QToolButton::clicked, this, &MainWindow::cmdsyoukai_Click);
    connect(cmdEnd, &QToolButton::clicked, this, &MainWindow::cmdEnd_Click);
    // Only a double-click on a row: the header row never deletes anything.
    connect(msgKozeni, &QTableView::doubleClicked, this, &MainWindow::msgKozeni_DblClick);
    connect(msgKozeni, &DepositView::deleteKeyPressed, this, &MainWindow::msgKozeni_KeyDown);
    connect(msgKozeni, &DepositView::contextMenuAsked, this, &MainWindow::msgKozeni_ContextMenu);
    connect(msgKozeni, &DepositView::copyKeyPressed, this, &MainWindow::msgKozeni_Copy);
    // A key, not a control: the window's layout stays as designed.
    m_undoKey = new QShortcut(QKeySequence::Undo, this);
    connect(m_undoKey, &QShortcut::activated, this, &MainWindow::fraMain_Undo);
    m_historyKey = new QShortcut(HistoryKey, this);
    connect(m_historyKey, &QShortcut::activated, this, &MainWindow::fraMain_History);
    connect(&m_session, &LedgerSession::reloaded, this, &MainWindow::ShowLedger);
    connect(&m_session, &LedgerSession::appended, this, &MainWindow::ShowLedger);
    describeForAssistiveTools();
}

QList<QWidget *> MainWindow::focusableControls() const
{
    // Only these take the keyboard focus, in this order.
    return { txtKozeni_Inp, cmdKozeniHozon, cmdKozeniClr, cmdHelp, cmdsyoukai, cmdEnd, msgKozeni };
}

void MainWindow::describeForAssistiveTools()
{
    // Buttons speak their captions by default; the box and the list have no caption of their
    // own. Each control's tooltip is its description. Labels keep speaking their own texts.
    txtKozeni_Inp->setAccessibleName(u"入金"_s);
    msgKozeni->setAccessibleName(u"入金一覧"_s);
    for (QWidget *control : focusableControls())
        control->setAccessibleDescription(control->toolTip());
    // Each figure is labelled by its caption, so that a screen reader says both.
    const std::pair<QLabel *, QLabel *> figures[] = {
        { Label1[5], lblKozeni_cnt }, { Label1[4], lblKozeni_zen }, { Label1[1], lblKozeni_Max },
        { Label1[2], lblKozeni_Min }, { Label1[3], lblKozeni_Avg },
    };
    for (const auto &[caption, value] : figures) {
        caption->setBuddy(value);
        value->setAccessibleDescription(caption->text());
    }
}
