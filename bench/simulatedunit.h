#pragma once

#include "simulatorprocess.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace kalvidor::bench {

// What every benchmark plays against: the unit simulator, and a program
// folder whose settings file leads COM1 to it.
class SimulatedUnit
{
public:
    // Starts the simulator with the options and writes the settings file;
    // false, with the reason in error, when one of them fails.
    bool start(const QStringList &options, QString &error)
    {
        m_simulator = std::make_unique<unitsim::SimulatorProcess>(
            unitsim::SimulatorProcess::programFromEnvironment(
                QStringLiteral(KALVIDOR_UNIT_SIM_PATH)));
        if (!m_programDir.isValid()) {
            error = QStringLiteral("cannot create a temporary folder");
            return false;
        }
        if (!m_simulator->start(options, 5000)) {
            error = m_simulator->errorString();
            return false;
        }
        if (!unitsim::SimulatorProcess::writeSettings(
                m_programDir.path(), 1, m_simulator->devicePath())) {
            error = QStringLiteral("cannot write the settings file");
            return false;
        }
        return true;
    }

    QString programDir() const { return m_programDir.path(); }
    QString devicePath() const { return m_simulator->devicePath(); }
    // Commands the unit has received so far.
    int commandCount() const { return m_simulator->commandCount(); }

private:
    QTemporaryDir m_programDir;
    std::unique_ptr<unitsim::SimulatorProcess> m_simulator;
};

} // namespace kalvidor::bench
