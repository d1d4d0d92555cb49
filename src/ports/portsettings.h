#pragma once

#include "ports/serialports.h"

#include <QHash>
#include <QMap>
#include <QString>

namespace kalvidor {

// What the settings file says about the ports: key PORT of section CONF
// holds the number of the port chosen, and under device-file naming section
// PORTS maps port numbers to devices (COM12=/dev/ttyUSB0).

// The serial device of port n: "COMn" on Windows; elsewhere the device
// section PORTS maps it to, else "/dev/ttyS{n-1}".
QString portDeviceName(int port, const QString &settingsFile, PortNaming naming = hostPortNaming());

// The port a unit command opens when none is given: the one stored.
struct StoredPort
{
    int number = 1; // 1 to MaxPortNumber
    QString device; // the device of that number
    bool stored = false; // whether the settings file holds a port number
};

// The port stored in the settings file and its device: the stored number's
// leading number rounded down and kept within 1 to MaxPortNumber (0 and
// text without digits: 1). When nothing is stored, portInUse.
StoredPort resolveStoredPort(
    const QString &settingsFile, int portInUse = 1, PortNaming naming = hostPortNaming());

// The device the window's link opens each time it is loaded: the stored
// port's, read anew at each call so that a port stored in the port dialog
// meanwhile is the one opened. While nothing is stored, the port opened
// last stays in use (port 1 at first).
class StoredPortDevice
{
public:
    explicit StoredPortDevice(QString settingsFile);
    QString operator()();

private:
    QString m_settingsFile;
    int m_portInUse = 1;
};

// Which device each port number opens, with section PORTS read once: for
// listing many ports.
class PortMap
{
public:
    PortMap(const QString &settingsFile, PortNaming naming);

    PortNaming naming() const { return m_naming; }
    // The port numbers section PORTS maps, with their devices (device-file
    // naming only: on Windows the section plays no part).
    const QMap<int, QString> &mapped() const { return m_mapped; }
    // The device port n opens, as portDeviceName() gives it.
    QString device(int port) const;
    // The lowest port number that opens `entry` (a mapping that names a
    // link to it counts), 0 when no number does.
    int numberOf(const SerialPortEntry &entry) const;

private:
    PortNaming m_naming;
    QMap<int, QString> m_mapped;
    QHash<int, QString> m_mappedIdentity; // deviceIdentity() of each mapped device
};

} // namespace kalvidor
