#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kalvidor::soak {

// One run of kalvidor-unit-sim on a pseudo-terminal at a fixed path, with the
// faults of one cycle. Every wait runs the event loop, so the application's
// timers and serial notifications go on meanwhile.
class SimulatorProcess : public QObject
{
    Q_OBJECT

public:
    // devicePath: the symlink the simulator points at its pseudo-terminal;
    // logPath: where it logs each command line (emptied at every start).
    SimulatorProcess(QString program, QString devicePath, QString logPath);
    ~SimulatorProcess() override;

    // Starts the simulator with the given options and waits until it reports
    // READY (at most timeoutMs).
    bool start(const QStringList &options, int timeoutMs = 10000);
    // Waits until the simulator prints a line starting with word ("REOPENED").
    bool waitForAnnouncement(const QByteArray &word, int timeoutMs);
    // Ends it with SIGTERM and waits; safe to call when it is not running.
    void stop();

    // The command lines it received, without their CR.
    QStringList commandLog() const;
    QString errorString() const { return m_error; }

private:
    bool waitFor(const QByteArray &word, int timeoutMs);
    void readOutput();

    QString m_program;
    QString m_devicePath;
    QString m_logPath;
    QProcess m_process;
    QList<QByteArray> m_announcements;
    QString m_error;
};

} // namespace kalvidor::soak
