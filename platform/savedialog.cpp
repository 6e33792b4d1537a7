// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "savedialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include <QStringList>

namespace {
QStringList nextAnswers;
}

QString SaveDialog::ask(QWidget *parent, const QString &title, const QString &suggested,
                        const QStringList &filters, const QStringList &suffixes)
{
    QString filter = filters.value(0);
    QString path;
    if (!nextAnswers.isEmpty())
        path = nextAnswers.takeFirst();
    else
        path = QFileDialog::getSaveFileName(parent, title, suggested, filters.join(QStringLiteral(";;")), &filter);
    if (path.isEmpty() || suffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive))
        return path;
    return path + u'.' + suffixes.value(std::max(0, int(filters.indexOf(filter))));
}

void SaveDialog::answerNext(const QString &path)
{
    nextAnswers.append(path);
}
