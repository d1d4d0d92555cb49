#pragma once

#include "ports/serialports.h"

#include <QList>
#include <QString>

namespace kalvidor {

// One entry of the port list.
struct PortChoice
{
    QString text; // "COM7", or the device of a port not mapped to a number yet
    QString toolTip; // description and manufacturer, for a port that exists
    int port = 0; // the number stored when chosen; 0 for a device not mapped yet
    QString device; // for port 0: the device mapped to a new number when chosen
};

// The ports the port dialog offers and what choosing one stores.
//
// COM1 to COM4 come first, always. Then the other ports in natural order
// (COM5 before COM10): every port the system reports, the ports section
// PORTS of the settings file maps (device-file naming only), and the stored
// port, present or not, so that the stored choice can always be preselected.
// Under device-file naming a device that no number leads to comes last,
// under its own name; choosing it maps it to the lowest free number from 5 on.
class PortChoices
{
public:
    // The first number a device is mapped to; 1 to 4 keep their places.
    static constexpr int FirstFreePort = 5;

    PortChoices(const QString &settingsFile, const SerialPortSource &source);

    const QList<PortChoice> &items() const { return m_items; }
    // The stored port's entry, or COM1 (0) when nothing is stored.
    int preselectedIndex() const { return m_preselected; }

    // What choosing entry `index` stores as the port number: its number, or
    // for a device not mapped yet the number it would be mapped to (empty
    // when none is free: nothing is stored then). Typed text (index -1)
    // stores "0".
    QString portValue(int index) const;
    // Stores the choice of entry `index` (-1: typed text). A device not
    // mapped yet is first mapped (PORTS, COMn=device); when that fails, or
    // no number is free, nothing is stored. Returns whether the port number
    // was written.
    bool store(int index) const;

private:
    int freePort() const;

    QString m_settingsFile;
    QList<PortChoice> m_items;
    int m_preselected = 0;
};

} // namespace kalvidor
