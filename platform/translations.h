#pragma once

class QCoreApplication;

// Qt's own texts (a text box's context menu, message box buttons) in Japanese, whatever the
// machine's locale: the program speaks Japanese only. Missing translation files leave them in
// English; nothing else depends on them.
void installJapaneseQtTranslations(QCoreApplication &app);
