#include "serialports.h"

#include "common/leadingnumber.h"
#include "files/inifile.h"

#include <QSerialPortInfo>

using namespace Qt::StringLiterals;

namespace kalvidor {

PortNaming hostPortNaming()
{
#ifdef Q_OS_WIN
    return PortNaming::Windows;
#else
    return PortNaming::DeviceFiles;
#endif
}

int storedPortNumber(const QString &settingsFile)
{
    const QString stored = readIni(u"CONF"_s, u"PORT"_s, settingsFile);
    if (stored == u"ERR")
        return 0;
    return floorClamped(leadingNumber(stored), 1, MaxPortNumber);
}

QString portDeviceName(int port, const QString &settingsFile)
{
    return portDeviceName(port, settingsFile, hostPortNaming());
}

QString portDeviceName(int port, const QString &settingsFile, PortNaming naming)
{
    const QString name = u"COM"_s + QString::number(port);
    if (naming == PortNaming::Windows)
        return name;
    const QString mapped = readIni(u"PORTS"_s, name, settingsFile);
    if (mapped != u"ERR")
        return mapped;
    return u"/dev/ttyS"_s + QString::number(port - 1);
}

int comPortNumber(const QString &name)
{
    if (name.size() < 4 || name.size() > 6 || !name.startsWith(u"COM", Qt::CaseInsensitive))
        return 0;
    const QStringView digits = QStringView(name).sliced(3);
    if (digits.front() == u'0')
        return 0;
    int n = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n <= MaxPortNumber ? n : 0;
}

QList<SerialPortEntry> SystemSerialPorts::ports() const
{
    QList<SerialPortEntry> result;
    const QList<QSerialPortInfo> found = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : found)
        result.append(
            { info.portName(), info.systemLocation(), info.description(), info.manufacturer() });
    return result;
}

const SerialPortSource &systemSerialPorts()
{
    static const SystemSerialPorts ports;
    return ports;
}

} // namespace kalvidor
