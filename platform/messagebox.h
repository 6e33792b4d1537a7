// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

class QWidget;

// Every confirmation and notice the program shows goes through here: the platform's standard
// modal message box, with OK as the default button. Tests can answer the next boxes in advance,
// in which case nothing is shown.
class MessageBox
{
public:
    enum class Icon { None, Information, Warning };
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    struct Shown
    {
        QString title;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;

        friend bool operator==(const Shown &, const Shown &) = default;
    };

    static Answer show(QWidget *parent, const QString &title, const QString &text, Icon icon,
                       Buttons buttons);

    // For tests: the next box is answered with `answer` without being shown.
    static void answerNext(Answer answer);
    // For tests: boxes with no answer given in advance are answered with `answer` (when set)
    // instead of being shown, so that an unexpected box cannot stop a test.
    static void answerUnexpected(std::optional<Answer> answer);
    static qsizetype pendingAnswers();
    // For tests: every box asked for since the last call, shown or answered in advance.
    static QList<Shown> takeShown();
};
