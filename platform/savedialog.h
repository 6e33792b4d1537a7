// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// Where to save a file, asked through the desktop's own save dialog. Tests can answer the next
// question in advance, in which case nothing is shown.
namespace SaveDialog {

// The path chosen, with the suffix of the chosen kind added where the name has none of `suffixes`
// (one per filter, in order); empty when cancelled.
QString ask(QWidget *parent, const QString &title, const QString &suggested,
            const QStringList &filters, const QStringList &suffixes);

// For tests: the next question not answered yet is answered with `path` (empty: cancelled).
void answerNext(const QString &path);

} // namespace SaveDialog
