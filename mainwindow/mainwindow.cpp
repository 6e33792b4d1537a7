// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include "amount.h"
#include "clock.h"
#include "controls.h"
#include "depositmodel.h"
#include "depositview.h"
#include "elapseddays.h"
#include "exportfile.h"
#include "fonts.h"
#include "helpviewer.h"
#include "ledgerexport.h"
#include "messagebox.h"
#include "pictures.h"
#include "units.h"
#include "welcomewindow.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Title = u"ポルンカ貯めよう！ "_s; // the trailing space belongs to it
const QString ConfirmDeletion = u"削除確認"_s;
const QString UndoTitle = u"元に戻す"_s;
const QString OwnHelp = QStringLiteral(PORUNKA_OWN_HELP);
const QString ProHelp = QStringLiteral(PORUNKA_PRO_HELP);

// Why a file operation failed, in Japanese: from the failure the ledger core judged, or from the
// system's error number.
QString reasonText(const LedgerStatus &status)
{
    using Failure = LedgerStatus::Failure;
    switch (status.failure) {
    case Failure::NotRegular:
        if (status.error == EISDIR)
            break;
        return u"通常のファイルではありません（名前付きパイプ、デバイス、ソケットなど）"_s;
    case Failure::TooLarge:
        return u"台帳ファイルとしては大きすぎます（%1 MB を超えています）"_s.arg(MaxLedgerBytes >> 20);
    case Failure::UnsafeLink:
        return u"だれでも書き込めるフォルダーにある、ほかのユーザーのシンボリック・リンクです"_s;
    case Failure::Interrupted:
        return u"前回の書き換えが途中で止まっていて、その前の内容をこのファイルから台帳ファイルに戻せません"_s;
    case Failure::Encode:
        return u"台帳ファイルの文字コードで書けない文字があります"_s;
    case Failure::Changed:
        return u"このウィンドウの外で変更されています"_s;
    default:
        break;
    }
    static const QHash<int, QString> japanese = {
        { EACCES, u"アクセスが許可されていません"_s },
        { EPERM, u"操作が許可されていません"_s },
        { ENOSPC, u"ディスクの空き容量がありません"_s },
        { EDQUOT, u"ディスクの使用量の上限を超えています"_s },
        { EROFS, u"読み取り専用のファイルシステムです"_s },
        { EISDIR, u"同じ名前のフォルダーがあります"_s },
        { ENOENT, u"ファイルまたはフォルダーがありません"_s },
        { ENOTDIR, u"途中の名前がフォルダーではありません"_s },
        { EIO, u"読み書きの途中で装置のエラーが起きました"_s },
        { ELOOP, u"シンボリック・リンクが循環しています"_s },
        { EFBIG, u"ファイルが大きすぎます"_s },
        { ENXIO, u"通常のファイルではありません"_s },
        { EMFILE, u"開いているファイルが多すぎます"_s },
        { ENFILE, u"開いているファイルが多すぎます"_s },
        { ENAMETOOLONG, u"名前が長すぎます"_s },
        { EBUSY, u"ほかのプログラムが使用中です"_s },
        { EAGAIN, u"ほかのウィンドウやプログラムが使用中です"_s },
        { EEXIST, u"同じ名前のファイルがすでにあります"_s },
    };
    if (status.error == 0)
        return u"書き込みが途中で終わりました（ディスクがいっぱいの可能性があります）"_s;
    return japanese.value(status.error, u"システムのエラーです（エラー番号 %1）"_s.arg(status.error));
}

// The tail of every message about a failed operation: which file, and why.
QString fileAndReason(const LedgerStatus &status)
{
    return u"\n\nファイル: %1\n理由: %2"_s.arg(status.path, reasonText(status));
}

} // namespace

MainWindow::MainWindow(const Clock &clock, QString ledgerPath, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint),
      m_clock(clock),
      m_session(std::move(ledgerPath)),
      m_model(new DepositModel(m_session, this)),
      m_help(new HelpViewer(this))
{
    setObjectName(u"fraMain"_s);
    setWindowTitle(Title);
    setWindowIcon(Pictures::applicationIcon()); // every size docks and window switchers ask for
    setFont(Fonts::proportional(9));
    setFixedSize(twipsToPixels(9465), twipsToPixels(6780));
    setBackgroundRole(QPalette::Button); // the system button face
    setAutoFillBackground(true);
    createControls();
}

MainWindow::~MainWindow()
{
    // The list and its model go before the session they show: as a member it would go first,
    // before QWidget deletes the children, and a view being deleted may still ask its model.
    delete msgKozeni;
    delete m_model;
}

void MainWindow::start()
{
    fraMain_Load();
    centreOnScreen(*this);
    show();
    txtKozeni_Inp->setFocus();
    reportUnreadLedger();
    if (DataRowCount() == 0) {
        WelcomeWindow frmSub(this);
        frmSub.exec();
    }
    activateWindow();
    txtKozeni_Inp->setFocus();
}

void MainWindow::bringToFront()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::fraMain_Load()
{
    InitDepositList();
    ReloadFromLedger();
    ShowElapsedDays();
}

void MainWindow::cmdKozeniHozon_Click()
{
    Deposit();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtKozeni_Inp && event->type() == QEvent::KeyPress)
        txtKozeni_Inp_KeyPress(static_cast<QKeyEvent *>(event)->key());
    // The box keeps Ctrl+Z for its own typing only while it holds some.
    if (watched == txtKozeni_Inp && event->type() == QEvent::ShortcutOverride
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Undo) && txtKozeni_Inp->text().isEmpty())
        return true;
    return QWidget::eventFilter(watched, event); // the key goes on to the box as usual
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // Return on a focused button presses it, as on the platform the program comes from; Qt's
    // buttons take only Space and pass Return on to here.
    auto *button = qobject_cast<QAbstractButton *>(focusWidget());
    if (button && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        button->animateClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::txtKozeni_Inp_KeyPress(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    Deposit();
}

void MainWindow::Deposit()
{
    const QString text = txtKozeni_Inp->text();
    if (text.isEmpty())
        return;
    const auto amount = parseAmount(text);
    if (!amount)
        return; // not a number: ignored without a word, the text stays

    const LedgerSession::Deposited done = m_session.Deposit(*amount, m_clock.now());
    switch (done.refusal) {
    case LedgerSession::Refusal::None:
        break;
    case LedgerSession::Refusal::Unreadable:
        refuseDeposit(u"入金できません"_s, u"台帳ファイルを読めないため、この入金は記録していません。\n"
                      "入力した金額は入力欄に残してあります。"_s + fileAndReason(done.status));
        return;
    case LedgerSession::Refusal::TooManyEntries:
        refuseDeposit(u"入金できません"_s,
                      u"入金の記録は %1 回までです。この入金は記録していません。\n"
                      "これまでの記録はそのまま残っています。"_s
                              .arg(QLocale(QLocale::Japanese).toString(LedgerTotals::MaxEntries)));
        return;
    case LedgerSession::Refusal::TotalOutOfRange:
        refuseDeposit(u"入金できません"_s,
                      u"この入金を加えると合計が扱える金額を超えるため、記録していません。\n"
                      "これまでの記録はそのまま残っています。"_s);
        return;
    case LedgerSession::Refusal::NotSaved:
        refuseDeposit(u"入金を保存できません"_s, u"台帳ファイルに書き込めなかったため、この入金は記録していません。\n"
                      "入力した金額は入力欄に残してあります。"_s + fileAndReason(done.status));
        return;
    }
    ShowDepositedToday();
    txtKozeni_Inp->clear();
    txtKozeni_Inp->setFocus();
}

void MainWindow::cmdKozeniClr_Click()
{
    ClearLedger();
}

void MainWindow::msgKozeni_DblClick()
{
    DeleteCurrentEntry();
}

void MainWindow::msgKozeni_KeyDown()
{
    DeleteCurrentEntry();
}

void MainWindow::msgKozeni_ContextMenu(const QPoint &globalPos)
{
    QMenu menu(this);
    menu.addAction(u"貯金のあゆみ(&A)"_s, HistoryKey, this, &MainWindow::ShowSavingsHistory);
    menu.addAction(u"CSV に書き出す…"_s, this, &MainWindow::ExportLedgerCsv)->setEnabled(DataRowCount() > 0);
    menu.addSeparator();
    menu.addAction(u"コピー(&C)"_s, QKeySequence::Copy, this, &MainWindow::CopySelectedRows)
            ->setEnabled(msgKozeni->selectionModel()->hasSelection());
    menu.exec(globalPos);
}

void MainWindow::msgKozeni_Copy()
{
    CopySelectedRows();
}

void MainWindow::cmdHelp_Click()
{
    ShowHelp();
}

void MainWindow::cmdsyoukai_Click()
{
    IntroduceProEdition();
}

void MainWindow::cmdEnd_Click()
{
    ExitProgram();
}

void MainWindow::fraMain_Undo()
{
    UndoLastRemoval();
}

void MainWindow::DeleteCurrentEntry()
{
    // With no data row there is nothing to delete, and the header row is never one.
    if (DataRowCount() == 0)
        return;
    if (DataRowCount() == 1) {
        warn(ConfirmDeletion, u"最後の行はクリアボタンで削除してください"_s);
        return;
    }
    const int row = msgKozeni->currentIndex().row();
    if (row < 0)
        return;
    const QString question = QStringList { m_model->text(row, DepositModel::Number),
                                           m_model->text(row, DepositModel::Date),
                                           m_model->text(row, DepositModel::Time),
                                           m_model->text(row, DepositModel::Amount) }
                                     .join(u' ')
            + u" のデータを削除してもいいですか？\r\n"_s;
    if (MessageBox::show(this, ConfirmDeletion, question, MessageBox::Icon::None,
                         MessageBox::Buttons::OkCancel)
        != MessageBox::Answer::Ok)
        return;
    if (const LedgerStatus removed = m_session.RemoveEntry(row); !removed.ok())
        reportFailedChange(u"削除"_s, removed);
}

void MainWindow::ClearLedger()
{
    if (DataRowCount() == 0)
        return;
    if (MessageBox::show(this, ConfirmDeletion, u"これまでのデータを削除してもいいですか？\r\n"_s,
                         MessageBox::Icon::None, MessageBox::Buttons::OkCancel)
        != MessageBox::Answer::Ok)
        return;
    const LedgerStatus emptied = m_session.ClearLedger();
    if (!emptied.ok()) {
        reportFailedChange(u"クリア"_s, emptied);
        return;
    }
    HideElapsedDays();
}

void MainWindow::UndoLastRemoval()
{
    // From the backup on disk, so that it works after a restart and whoever removed the lines.
    const LedgerUndo plan = m_session.planUndo();
    if (!plan.status.ok()) {
        warn(UndoTitle, u"台帳ファイルまたはその控えを読めないため、元に戻せません。"_s + fileAndReason(plan.status));
        return;
    }
    if (plan.restored.isEmpty()) {
        MessageBox::show(this, UndoTitle, u"元に戻せる削除やクリアはありません。"_s + unreadableNote(plan),
                         MessageBox::Icon::Information, MessageBox::Buttons::Ok);
        return;
    }
    // Never past what the list can show: deposits made since would be kept in the file, unseen.
    if (plan.beyondLimits) {
        warn(UndoTitle, u"元に戻すと入金の記録が %1 回を超えるか、合計が扱える金額を超えるため、元に戻せません。"
                        "台帳ファイルは元のままです。"_s.arg(QLocale(QLocale::Japanese).toString(LedgerTotals::MaxEntries)));
        return;
    }
    if (MessageBox::show(this, UndoTitle, describeRestored(plan) + u" のデータを元に戻してもいいですか？"_s + unreadableNote(plan) + u"\r\n"_s,
                         MessageBox::Icon::None, MessageBox::Buttons::OkCancel)
        != MessageBox::Answer::Ok)
        return;
    const LedgerStatus undone = m_session.undo(plan);
    if (!undone.ok()) {
        reportFailedChange(u"元に戻す操作"_s, undone);
        return;
    }
    ShowElapsedDays();
}

QString MainWindow::describeRestored(const LedgerUndo &plan) const
{
    // One entry is named as the deletion question names its row; more by their number and total.
    const LedgerEntries &restored = plan.restored;
    if (restored.size() == 1) {
        return QStringList { QString::number(plan.restoredAt + 1), restored.dateText(0), restored.timeText(0),
                             currencyText(restored.amount(0)) }
                .join(u' ');
    }
    Money total;
    for (qsizetype i = 0; i < restored.size(); ++i)
        total = total.checkedAdd(restored.amount(i)).value_or(total);
    return u"%1 件（合計 %2）"_s.arg(restored.size()).arg(currencyText(total));
}

QString MainWindow::unreadableNote(const LedgerUndo &plan)
{
    if (plan.unreadable == 0)
        return {};
    return u"（控えの %1 行は入金として読み取れないため戻しません）"_s.arg(plan.unreadable);
}

void MainWindow::fraMain_History()
{
    ShowSavingsHistory();
}

void MainWindow::ShowSavingsHistory()
{
    if (!m_history) {
        m_history = new HistoryWindow(m_session, this);
        m_history->setAttribute(Qt::WA_DeleteOnClose);
        placeBeside(*m_history, *this);
    }
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void MainWindow::ExportLedgerCsv()
{
    exportFile(this, m_session, u"CSV に書き出す"_s, u"ミトラダ.csv"_s, { u"CSV (*.csv)"_s }, { u"csv"_s },
               [this](const QString &) { return ledgerCsv(m_session); });
}

void MainWindow::CopySelectedRows()
{
    QList<int> rows;
    for (const QModelIndex &index : msgKozeni->selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    if (!rows.isEmpty())
        QGuiApplication::clipboard()->setText(ledgerRowsText(m_session, rows));
}

void MainWindow::ShowHelp()
{
    m_helpFileName = OwnHelp;
    m_help->displayTopic(m_helpFileName);
}

void MainWindow::IntroduceProEdition()
{
    const QString text =
            u"貯蓄成果をより詳細に把握したい場合は「ポルンカ貯金！Ｐｒｏ」をぜひどうぞ！"_s
            + u"\r\n\r\n"_s
            + u"小銭貯金・500円玉貯金・おつり貯金・目標額貯金の4つの貯金ソフトをひとつにまとめたソフトです。"_s
            + u"\r\n"_s
            + u"それぞれの貯金データを利用して、グラフや一覧で貯蓄状況を表示できる機能があり"_s
            + u"\r\n"_s + u"やる気と継続する力をより強力にサポートします。"_s + u"\r\n\r\n"_s
            + u"どんなことができるソフトなのかはポルンカ貯金！Ｐｒｏのヘルプをぜひご覧ください。"_s;
    MessageBox::show(this, u"ポルンカ貯金！Ｐｒｏのご紹介"_s, text, MessageBox::Icon::Information,
                     MessageBox::Buttons::Ok);
    m_helpFileName = ProHelp;
    m_help->displayTopic(m_helpFileName);
}

void MainWindow::ExitProgram()
{
    m_helpFileName = OwnHelp;
    m_help->closeAll();
    m_helpFileName = ProHelp;
    m_help->closeAll();
    // At once: nothing is written and no further event is handled.
    hide();
    QCoreApplication::exit(0);
}

void MainWindow::warn(const QString &title, const QString &text)
{
    MessageBox::show(this, title, text, MessageBox::Icon::Warning, MessageBox::Buttons::Ok);
}

void MainWindow::refuseDeposit(const QString &title, const QString &text)
{
    warn(title, text);
    txtKozeni_Inp->setFocus(); // the amount stays in the box, ready to try again
}

void MainWindow::reportFailedChange(const QString &action, const LedgerStatus &status)
{
    if (status.failure == LedgerStatus::Failure::Changed) {
        // Written to by another window, program or user since this window read it: their
        // change stays, and the user decides again on what the file holds now.
        ShowElapsedDays();
        warn(u"台帳ファイルが変更されています"_s,
             u"台帳ファイルがこのウィンドウの外で変更されていたため、%1はしていません。\n"
             "一覧と集計を、ファイルの今の内容で表示し直しました。"
             "内容を確かめてから、もう一度操作してください。\n\nファイル: %2"_s
                     .arg(action, status.path));
        return;
    }
    const bool undo = action == u"元に戻す操作";
    const QString title = undo ? UndoTitle : ConfirmDeletion, couldNot = undo ? u"元に戻せませんでした"_s : action + u"できませんでした"_s;
    if (!m_session.loadStatus().ok()) {
        // Not even the bytes it held could be put back; its journal keeps them for the next load.
        warn(title, u"台帳ファイルを書き換えられず、元の内容にも戻せなかったため、%1。"
                    "元の内容は次のファイルに残してあり、次に台帳ファイルを読むときに戻します。"_s.arg(couldNot)
                    + fileAndReason(m_session.loadStatus()));
        return;
    }
    if (status.atRecoveryPoint) {
        warn(title, u"元に戻せるように台帳ファイルの控えを作ろうとしましたが、"
                    "作れなかったため%1をやめました。台帳ファイルと控えは元のままです。"_s.arg(action) + fileAndReason(status));
        return;
    }
    warn(title, u"台帳ファイルを書き換えられなかったため、%1。"
                "台帳ファイルと控えは元のままで、一覧はファイルの内容を表示しています。"_s.arg(couldNot) + fileAndReason(status));
}

void MainWindow::InitDepositList()
{
    msgKozeni->setModel(m_model);
}

void MainWindow::ReloadFromLedger()
{
    m_session.ReloadFromLedger();
}

void MainWindow::ShowLedger()
{
    if (const int count = DataRowCount(); count > 0)
        msgKozeni->showRowAtTop(count - 1);
    ShowTotals(m_session.texts());
}

int MainWindow::DataRowCount() const
{
    return int(m_session.entries().size());
}

void MainWindow::ShowTotals(const TotalsTexts &texts)
{
    lblKozeni_cnt->setText(texts.count);
    lblKozeni_zen->setText(texts.total);
    lblKozeni_Max->setText(texts.largest);
    lblKozeni_Min->setText(texts.smallest);
    lblKozeni_Avg->setText(texts.average);
}

// Each part of the elapsed-days line is set once, never hidden to be shown again: Qt asks the
// window system where the pointer is for every label it shows, a round trip to the X server each.
void MainWindow::showElapsedLineParts(bool since, bool days, bool elapsed)
{
    lblCmnt2[0]->setVisible(since);
    lblKozeni_Keika->setVisible(days);
    lblCmnt2[1]->setVisible(elapsed);
}

void MainWindow::HideElapsedDays()
{
    showElapsedLineParts(false, false, false);
}

void MainWindow::ShowDepositedToday()
{
    showElapsedLineParts(false, false, true);
    lblCmnt2[1]->setText(u"本日入金済みです。"_s);
}

void MainWindow::ShowElapsedDays()
{
    const ElapsedDays elapsed =
            decideElapsedDays(DataRowCount() > 0, m_session.totals().lastDateText(), m_clock.now().date());
    switch (elapsed.state) {
    case ElapsedDays::State::Hidden:
        HideElapsedDays();
        break;
    case ElapsedDays::State::DepositedToday:
        ShowDepositedToday();
        break;
    case ElapsedDays::State::DaysElapsed:
        showElapsedLineParts(true, true, true);
        lblCmnt2[1]->setText(u"経過しました"_s);
        lblKozeni_Keika->setText(QString::number(elapsed.days) + u'日');
        break;
    }
}

void MainWindow::reportUnreadLedger()
{
    const QString path = QFileInfo(m_session.path()).absoluteFilePath();
    if (m_session.rolledBack())
        MessageBox::show(this, u"台帳ファイルを元に戻しました"_s,
                         u"台帳ファイルの前回の書き換え（削除、クリア、元に戻す操作）は途中で止まっていました。\n"
                         "台帳ファイルを書き換える前の内容に戻してあります。\n\nファイル: %1"_s.arg(path),
                         MessageBox::Icon::Information, MessageBox::Buttons::Ok);
    if (!m_session.loadStatus().ok()) {
        warn(u"台帳ファイルを読めません"_s,
             u"台帳ファイルを開けなかったため、これまでの入金を表示できません。\n"
             "ファイルには手を加えていません。"_s + fileAndReason(m_session.loadStatus()));
        return;
    }
    const QList<UnreadLines> &unread = m_session.unread();
    if (unread.isEmpty())
        return;
    QStringList lines;
    for (const UnreadLines &u : unread) {
        if (lines.size() == 5) {
            lines.append(u"ほか %1 か所"_s.arg(unread.size() - 5));
            break;
        }
        lines.append(QString::number(u.line));
    }
    QString what = u"台帳ファイルの %1 行目を読み取れませんでした。"_s.arg(lines.join(u", "_s));
    if (unread.last().reason == LedgerReadError::TooManyEntries) {
        what = unread.size() == 1
                ? u"台帳ファイルの %1 行目から後は、表示できる %2 件を超えるため読み込んでいません。"_s
                          .arg(unread.last().line)
                          .arg(LedgerTotals::MaxEntries)
                : what + u"\n%1 件を超える分も読み込んでいません。"_s.arg(LedgerTotals::MaxEntries);
    }
    warn(u"台帳ファイルの一部を読めません"_s,
         u"%1\n読み取れた %2 件の入金を表示しています。"
         "読み込まなかった行はファイルにそのまま残してあります。\n\nファイル: %3"_s
                 .arg(what, QString::number(DataRowCount()), path));
}
