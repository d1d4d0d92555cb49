#include "serialports.h"

#include "common/leadingnumber.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace kalvidor {

PortNaming hostPortNaming()
{
#ifdef Q_OS_WIN
    return PortNaming::Windows;
#else
    return PortNaming::DeviceFiles;
#endif
}

int parsePortNumber(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 3)
        return 0;
    int n = 0;
    for (const QChar c : digits) {
        const int digit = digitValue(c, 10);
        if (digit < 0)
            return 0;
        n = n * 10 + digit;
    }
    return n <= MaxPortNumber ? n : 0;
}

QString deviceIdentity(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
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
