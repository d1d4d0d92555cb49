#pragma once

#include "link/serialports.h"

#include <QFile>
#include <QStringList>

// A system with the serial ports a test lists. "COM7" stands for a Windows
// port of that name; a path such as "/dev/ttyUSB0" for a device file.
class ListedPorts final : public kalvidor::SerialPortSource
{
public:
    ListedPorts(bool windows, const QStringList &ports)
        : m_windows(windows)
    {
        for (const QString &port : ports) {
            if (port.startsWith(u'/'))
                m_ports.append({ port.section(u'/', -1), port, {}, {} });
            else
                m_ports.append({ port, QStringLiteral("\\\\.\\") + port, {}, {} });
        }
    }
    // The n-th port listed gets a description and a manufacturer.
    void describe(int n, const QString &description, const QString &manufacturer)
    {
        m_ports[n].description = description;
        m_ports[n].manufacturer = manufacturer;
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

// A settings file with exactly these bytes; a null array means no file.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    if (bytes.isNull())
        return !QFile::exists(path) || QFile::remove(path);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The file's bytes; a null array when there is no file.
inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray bytes = f.readAll();
    if (bytes.isNull())
        bytes = QByteArray(""); // an empty file is not a missing one
    return bytes;
}
