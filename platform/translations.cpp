// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "translations.h"

#include "focusstyle.h"
#include "fonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

void installJapaneseQtTranslations(QCoreApplication &app)
{
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *translator = new QTranslator(&app);
    if (translator->load(u"qtbase_ja"_s, dir))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void setUpApplication(QApplication &app)
{
    installJapaneseQtTranslations(app);
    Fonts::installSubstitutes();
    // Message boxes, tooltips and the help viewer in the windows' Japanese face as well, not in
    // a Latin face borrowing its Japanese glyphs from another.
    QGuiApplication::setFont(Fonts::proportional(9));
    QApplication::setStyle(new FocusVisibleStyle);
}
