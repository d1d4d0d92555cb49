#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace kalvidor::unitsim {

// One run of kalvidor-unit-sim on a pseudo-terminal, for the tests, the
// bench and the soak. Every wait runs the event loop, so the caller's timers
// and serial notifications go on meanwhile. The simulator's stderr (a bad
// option, --verbose) is forwarded to ours.
class SimulatorProcess : public QObject
{
    Q_OBJECT

public:
    // KALVIDOR_UNIT_SIM when the environment sets it, else fallback.
    static QString programFromEnvironment(const QString &fallback = {});

    // devicePath: the symlink the simulator points at its pseudo-terminal;
    // logPath: where it logs each command line (emptied at every start).
    // Either left empty is placed in a temporary folder this object owns.
    explicit SimulatorProcess(
        QString program, QString devicePath = {}, QString logPath = {}, QObject *parent = nullptr);
    ~SimulatorProcess() override;

    // Starts the simulator with the given options and waits until it reports
    // READY (at most timeoutMs). False with errorString() set when it does not.
    bool start(const QStringList &options, int timeoutMs = 10000);
    // Waits until the simulator prints a line starting with word ("REOPENED").
    bool waitForAnnouncement(const QByteArray &word, int timeoutMs);
    // Ends it with SIGTERM and waits; safe to call when it is not running.
    void stop();
    bool isRunning() const;
    qint64 processId() const { return m_process.processId(); }

    QString devicePath() const { return m_devicePath; }
    QString logPath() const { return m_logPath; }
    // The command lines it received, without their CR.
    QStringList commandLog() const;
    // How many command lines it received.
    int commandCount() const;
    QString errorString() const { return m_error; }

    // Writes programDir/Kalvidor.ini so that the application's port `port`
    // maps to `device`: "[CONF]" "PORT=<port>" and "[PORTS]" "COM<port>=<device>".
    // Replaces the whole file; false when it cannot be written.
    static bool writeSettings(const QString &programDir, int port, const QString &device);

private:
    bool waitFor(const QByteArray &word, int timeoutMs);
    void readOutput();

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_devicePath;
    QString m_logPath;
    QProcess m_process;
    QList<QByteArray> m_announcements;
    QString m_error;
};

} // namespace kalvidor::unitsim
