// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "messagebox.h"

#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

namespace {

QList<MessageBox::Answer> &answers()
{
    static QList<MessageBox::Answer> queue;
    return queue;
}

std::optional<MessageBox::Answer> &unexpectedAnswer()
{
    static std::optional<MessageBox::Answer> answer;
    return answer;
}

QList<MessageBox::Shown> &shownLog()
{
    static QList<MessageBox::Shown> log;
    return log;
}

} // namespace

MessageBox::Answer MessageBox::show(QWidget *parent, const QString &title, const QString &text,
                                    Icon icon, Buttons buttons)
{
    // Tests read these back; a running program keeps only the latest few.
    if (shownLog().size() >= 64)
        shownLog().removeFirst();
    shownLog().append({ title, text, icon, buttons });
    if (!answers().isEmpty())
        return answers().takeFirst();
    if (unexpectedAnswer())
        return *unexpectedAnswer();

    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(icon == Icon::Information ? QMessageBox::Information
                        : icon == Icon::Warning ? QMessageBox::Warning
                                                : QMessageBox::NoIcon);
    if (buttons == Buttons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    // Each line stays whole where the screen allows: Qt wraps a text wider than half the screen
    // anywhere, and Japanese has no spaces to wrap at, so a word would be cut in two.
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
        int widest = 0;
        for (const QString &line : text.split(u'\n'))
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line.trimmed()));
        label->setMinimumWidth(std::min(widest, box.screen()->availableGeometry().width() * 3 / 4));
    }
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

void MessageBox::answerNext(Answer answer)
{
    answers().append(answer);
}

void MessageBox::answerUnexpected(std::optional<Answer> answer)
{
    unexpectedAnswer() = answer;
}

qsizetype MessageBox::pendingAnswers()
{
    return answers().size();
}

QList<MessageBox::Shown> MessageBox::takeShown()
{
    return std::exchange(shownLog(), {});
}
