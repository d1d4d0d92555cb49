#pragma once

#include <QString>

namespace kalvidor {

// The file name of Qt's own Japanese texts: the standard buttons of message
// boxes ("キャンセル"), the file dialogs, the edit fields' context menus.
inline constexpr char16_t QtTranslationFile[] = u"qtbase_ja.qm";

// Makes Qt's own texts Japanese, whatever the system's language, to match
// the program's own texts. Uses the file beside the program when there is
// one that loads, so that a shipped program carries its own, else the one
// in Qt's translations folder. Dates and numbers in Qt's dialogs follow
// Japanese conventions as well. Call once a QCoreApplication exists and
// before the first widget is created.
//
// Returns the file loaded; empty when none was found, and Qt's texts stay
// English.
QString installQtTranslation(const QString &programDir);

} // namespace kalvidor
