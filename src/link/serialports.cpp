#include "serialports.h"

#include "common/leadingnumber.h"
#include "files/inifile.h"

using namespace Qt::StringLiterals;

namespace kalvidor {

int storedPortNumber(const QString &settingsFile)
{
    const QString stored = ReadIni(u"CONF"_s, u"PORT"_s, settingsFile);
    if (stored == u"ERR")
        return 0;
    return floorClamped(LeadingNumber(stored), 1, 4);
}

QString portDeviceName(int port, const QString &settingsFile)
{
    const QString name = u"COM"_s + QString::number(port);
#ifdef Q_OS_WIN
    Q_UNUSED(settingsFile);
    return name;
#else
    const QString mapped = ReadIni(u"PORTS"_s, name, settingsFile);
    if (mapped != u"ERR")
        return mapped;
    return u"/dev/ttyS"_s + QString::number(port - 1);
#endif
}

} // namespace kalvidor
