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

// The port number stored in the settings file (section CONF, key PORT): its
// leading number rounded down and kept within 1 to MaxPortNumber, or 0 when
// nothing is stored.
int storedPortNumber(const QString &settingsFile);

// The serial device of port n, named as this system names it.
QString portDeviceName(int port, const QString &settingsFile);
QString portDeviceName(int port, const QString &settingsFile, PortNaming naming);

// The number of a port named "COMn" (any case, no leading zeros, n within 1
// to MaxPortNumber), else 0.
int comPortNumber(const QString &name);

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
