#pragma once

#include "simulatorprocess.h"

#include <QObject>
#include <QStringList>
#include <QTest>

#include <memory>

// Runs kalvidor-unit-sim (found through the environment variable
// KALVIDOR_UNIT_SIM) on a pseudo-terminal in a temporary folder, so a test can
// point a serial port at devicePath() and talk to a unit whose faults it
// chooses through the simulator's options (see kalvidor-unit-sim --help).
//
//     UnitSimulator unit({ u"--refuse-rid"_s, u"50"_s });
//     START_UNIT_SIMULATOR(unit, programDir, 1);
class UnitSimulator : public QObject
{
    Q_OBJECT

public:
    explicit UnitSimulator(QStringList options = {}, QObject *parent = nullptr);
    ~UnitSimulator() override;

    // Whether the environment names a simulator binary; tests fail otherwise.
    static bool isAvailable();

    // Starts the simulator in a new temporary folder and waits (event-driven,
    // at most startTimeoutMs) until it reports that the line is open.
    bool start(int startTimeoutMs = 5000);
    bool isRunning() const;
    QString errorString() const { return m_error; }

    // The symlink to the pseudo-terminal's slave side, to open as the port.
    QString devicePath() const;
    // Every command line the simulator received so far, without its CR.
    QStringList commandLog() const;
    QString logPath() const;

    // Makes the simulator send its banner (given with --banner) again.
    void sendBanner();
    // Ends the simulator (SIGTERM) and waits for it; safe to call twice.
    void stop();

    // Writes programDir/Kalvidor.ini so that the application's port `port`
    // maps to `device`: "[CONF]" "PORT=<port>" and "[PORTS]" "COM<port>=<device>".
    // Replaces the whole file.
    static void writeSettings(const QString &programDir, int port, const QString &device);

private:
    QStringList m_options;
    std::unique_ptr<kalvidor::unitsim::SimulatorProcess> m_process;
    QString m_error;
};

// Starts `unit` and writes the settings file of `programDir` so that its
// port `port` leads there. Fails the calling test when no simulator is
// available or it does not start.
#define START_UNIT_SIMULATOR(unit, programDir, port)                                               \
    do {                                                                                           \
        if (!UnitSimulator::isAvailable())                                                         \
            QFAIL("the unit simulator is not available: KALVIDOR_UNIT_SIM is not set");            \
        QVERIFY2((unit).start(), qPrintable((unit).errorString()));                                \
        UnitSimulator::writeSettings((programDir), (port), (unit).devicePath());                   \
    } while (false)
