#include "portsettings.h"

#include "common/leadingnumber.h"
#include "files/inifile.h"

#include <QFileInfo>

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

// The key of port n in section PORTS, and the name Windows gives it.
QString comName(int port)
{
    return u"COM"_s + QString::number(port);
}

// The one rule that turns a port number into a device: `mapped` is what
// section PORTS holds for it, if anything.
QString deviceOf(int port, const std::optional<QString> &mapped, PortNaming naming)
{
    if (naming == PortNaming::Windows)
        return comName(port);
    if (mapped)
        return *mapped;
    return u"/dev/ttyS"_s + QString::number(port - 1);
}

std::optional<QString> mappedDevice(int port, const QString &settingsFile)
{
    const QString mapped = readIni(u"PORTS"_s, comName(port), settingsFile);
    if (mapped == u"ERR")
        return std::nullopt;
    return mapped;
}

} // namespace

QString portDeviceName(int port, const QString &settingsFile, PortNaming naming)
{
    if (naming == PortNaming::Windows)
        return deviceOf(port, std::nullopt, naming);
    return deviceOf(port, mappedDevice(port, settingsFile), naming);
}

StoredPort resolveStoredPort(const QString &settingsFile, int portInUse, PortNaming naming)
{
    StoredPort port;
    const QString stored = readIni(u"CONF"_s, u"PORT"_s, settingsFile);
    port.stored = stored != u"ERR";
    port.number = port.stored ? floorClamped(leadingNumber(stored), 1, MaxPortNumber) : portInUse;
    port.device = portDeviceName(port.number, settingsFile, naming);
    return port;
}

StoredPortDevice::StoredPortDevice(QString settingsFile)
    : m_settingsFile(std::move(settingsFile))
{
}

QString StoredPortDevice::operator()()
{
    const StoredPort port = resolveStoredPort(m_settingsFile, m_portInUse);
    m_portInUse = port.number;
    return port.device;
}

PortMap::PortMap(const QString &settingsFile, PortNaming naming)
    : m_naming(naming)
{
    if (naming == PortNaming::Windows || !QFileInfo::exists(settingsFile))
        return;
    for (int n = 1; n <= MaxPortNumber; ++n) {
        if (const std::optional<QString> device = mappedDevice(n, settingsFile)) {
            m_mapped.insert(n, *device);
            m_mappedIdentity.insert(n, deviceIdentity(*device));
        }
    }
}

QString PortMap::device(int port) const
{
    const auto mapped = m_mapped.constFind(port);
    return deviceOf(
        port, mapped == m_mapped.cend() ? std::nullopt : std::optional<QString>(*mapped), m_naming);
}

int PortMap::numberOf(const SerialPortEntry &entry) const
{
    if (m_naming == PortNaming::Windows) {
        for (int n = 1; n <= MaxPortNumber; ++n) {
            if (entry.portName.compare(device(n), Qt::CaseInsensitive) == 0)
                return n;
        }
        return 0;
    }
    if (entry.systemLocation.isEmpty())
        return 0;
    const QString identity = deviceIdentity(entry.systemLocation);
    for (int n = 1; n <= MaxPortNumber; ++n) {
        // A legacy device file is compared by its name alone: it is no link.
        const QString candidate = m_mappedIdentity.value(n, device(n));
        if (candidate == entry.systemLocation || candidate == identity)
            return n;
    }
    return 0;
}

} // namespace kalvidor
