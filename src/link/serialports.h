#pragma once

#include <QString>

namespace kalvidor {

// The port number stored in the settings file (section CONF, key PORT): its
// leading number rounded down and kept within 1 to 4, or 0 when nothing is
// stored.
int storedPortNumber(const QString &settingsFile);

// The serial device of port n: "COMn" on Windows; elsewhere the value of key
// "COMn" in section "PORTS" of the settings file when there is one, else
// "/dev/ttyS{n-1}".
QString portDeviceName(int port, const QString &settingsFile);

} // namespace kalvidor
