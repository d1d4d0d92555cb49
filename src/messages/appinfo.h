#pragma once

#include <QString>

namespace kalvidor {

// Title of every message box that names no other title.
QString applicationTitle();

// "Ver" & major & "." & minor & revision, minor and revision run together:
// version 3.4.0 reads "Ver3.40".
QString versionLabel();

} // namespace kalvidor
