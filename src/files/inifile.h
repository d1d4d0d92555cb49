#pragma once

#include <QString>

namespace kalvidor {

// Private-profile (INI) reading and writing, as the settings file needs it:
// section and key matched without regard to case, blanks around the value
// ignored, a value read as at most 127 bytes. A missing file, section or key
// reads as "ERR".
QString ReadIni(const QString &section, const QString &key, const QString &file);

// Stores value under key in section, creating the file, the section or the
// key as needed and keeping every other line as it was. Returns whether the
// file was written; callers that follow the original behaviour ignore it.
bool WriteIni(const QString &section, const QString &key, const QString &file,
              const QString &value);

} // namespace kalvidor
