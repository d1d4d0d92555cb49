#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kalvidor::bench {

// One kalvidor-unit-sim on a pseudo-terminal in a temporary folder, for as
// long as this object lives. The program is KALVIDOR_UNIT_SIM when that is
// set, else the simulator built beside the bench.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(QStringList options = {});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // Starts it and waits until it reports READY. False with errorString() set
    // when it does not.
    bool start();
    QString errorString() const { return m_error; }

    QString devicePath() const { return m_dir.filePath(QStringLiteral("nelor")); }
    // How many command lines the simulator has received so far.
    int commandCount() const;

    // Kalvidor.ini in programDir mapping port 1 to this simulator's line.
    bool writeSettings(const QString &programDir) const;

private:
    QString logPath() const { return m_dir.filePath(QStringLiteral("commands.log")); }

    QStringList m_options;
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_error;
};

} // namespace kalvidor::bench
