#pragma once

#include <QString>

namespace kalvidor {

// Private-profile (INI) reading and writing, as the settings file needs it:
// section and key matched without regard to case, blanks around the value
// ignored, lines starting with ';' are comments, a value read as at most 127
// bytes. A missing file, section or key reads as "ERR"; a key with an empty
// value reads as empty text. CR LF, LF and CR line ends are all accepted.
QString readIni(const QString &section, const QString &key, const QString &file);

// Stores value under key in section, creating the file, the section or the
// key as needed and keeping every other line as it was, byte for byte; new
// lines end with CR LF. The file is replaced atomically. A value is cut at its
// first line break so that it stays one line. Returns whether the file was
// written (false also for an empty key or one holding '=', or a section name
// holding ']'). The port dialog, which reports no failure to store, closes
// as usual whatever it returns.
bool writeIni(
    const QString &section, const QString &key, const QString &file, const QString &value);

} // namespace kalvidor
