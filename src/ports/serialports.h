#pragma once

#include <QList>
#include <QString>

namespace kalvidor {

// The highest port number the settings file can name: Windows numbers its
// serial ports COM1 to COM256.
inline constexpr int MaxPortNumber = 256;

// How a port number turns into the device that is opened.
enum class PortNaming {
    // The port is "COMn" itself (Windows).
    Windows,
    // The port is a device file: the one that key "COMn" of section "PORTS"
    // of the settings file names, else the n-th legacy serial device
    // "/dev/ttyS{n-1}".
    DeviceFiles,
};

// Windows on Windows, DeviceFiles everywhere else.
PortNaming hostPortNaming();

// A port number written in plain decimal digits (three at most): 1 to
// MaxPortNumber, else 0.
int parsePortNumber(QStringView digits);

// What two names of one device have in common (a link and the device file
// it leads to): the canonical path of a file that exists, else the name.
QString deviceIdentity(const QString &device);

// One serial port the system reports, as plain values.
struct SerialPortEntry
{
    QString portName; // "COM7", "ttyUSB0"
    QString systemLocation; // "\\.\COM7", "/dev/ttyUSB0": what is opened
    QString description;
    QString manufacturer;
};

// Where the list of serial ports comes from, and how that system names them.
// The application asks the system; tests supply their own lists.
class SerialPortSource
{
public:
    virtual ~SerialPortSource() = default;
    virtual QList<SerialPortEntry> ports() const = 0;
    virtual PortNaming naming() const { return hostPortNaming(); }
};

// The ports QSerialPortInfo finds on this computer.
class SystemSerialPorts final : public SerialPortSource
{
public:
    QList<SerialPortEntry> ports() const override;
};

// One shared instance of SystemSerialPorts.
const SerialPortSource &systemSerialPorts();

} // namespace kalvidor
