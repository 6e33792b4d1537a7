// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "printmodule.h"

#include "messagebox.h"

#include <QCoreApplication>
#include <QLibrary>

using namespace Qt::Literals::StringLiterals;

QFunctionPointer printModuleFunction(const char *name)
{
    // Beside the program in a build tree, under ../lib in an installed tree, then where installed.
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString &candidate : { programDir + u"/porunka_print"_s, programDir + u"/../lib/porunka/porunka_print"_s,
                                      QStringLiteral(PORUNKA_MODULE_DIR "/porunka_print") }) {
        if (const auto function = QLibrary::resolve(candidate, name))
            return function;
    }
    return nullptr;
}

void warnNoPrintModule(QWidget *parent)
{
    MessageBox::show(parent, u"印刷"_s, u"印刷の部品（porunka_print）が見つからないため、印刷できません。"_s,
                     MessageBox::Icon::Warning, MessageBox::Buttons::Ok);
}
