#pragma once

#include "ports/serialports.h"

#include <QStringList>

// A system with the serial ports a test lists. "COM7" stands for a Windows
// port of that name; a path such as "/dev/ttyUSB0" for a device file. Each
// port's description is what the test named it, its manufacturer "Maker".
class ListedPorts final : public kalvidor::SerialPortSource
{
public:
    ListedPorts(bool windows, const QStringList &ports)
        : m_windows(windows)
    {
        for (const QString &port : ports) {
            if (port.startsWith(u'/'))
                m_ports.append({ port.section(u'/', -1), port, port, QStringLiteral("Maker") });
            else
                m_ports.append(
                    { port, QStringLiteral("\\\\.\\") + port, port, QStringLiteral("Maker") });
        }
    }
    QList<kalvidor::SerialPortEntry> ports() const override { return m_ports; }
    kalvidor::PortNaming naming() const override
    {
        return m_windows ? kalvidor::PortNaming::Windows : kalvidor::PortNaming::DeviceFiles;
    }

private:
    bool m_windows;
    QList<kalvidor::SerialPortEntry> m_ports;
};
