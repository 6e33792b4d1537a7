#include "messagebox.h"

#include <QMessageBox>

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
