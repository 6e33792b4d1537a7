#include "translations.h"

#include "fonts.h"

#include <QCoreApplication>
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

void setUpJapaneseApplication(QCoreApplication &app)
{
    installJapaneseQtTranslations(app);
    Fonts::installSubstitutes();
}
