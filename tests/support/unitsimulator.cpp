#include "unitsimulator.h"

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

using namespace Qt::StringLiterals;
using kalvidor::unitsim::SimulatorProcess;

UnitSimulator::UnitSimulator(QStringList options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
}

UnitSimulator::~UnitSimulator() = default;

bool UnitSimulator::isAvailable()
{
    return !SimulatorProcess::programFromEnvironment().isEmpty();
}

bool UnitSimulator::start(int startTimeoutMs)
{
    // A new process object brings a new temporary folder, so nothing of an
    // earlier run (its log) is left.
    m_process.reset();
    m_process = std::make_unique<SimulatorProcess>(SimulatorProcess::programFromEnvironment());
    const bool started = m_process->start(m_options, startTimeoutMs);
    m_error = m_process->errorString();
    return started;
}

bool UnitSimulator::isRunning() const
{
    return m_process && m_process->isRunning();
}

QString UnitSimulator::devicePath() const
{
    return m_process ? m_process->devicePath() : QString();
}

QString UnitSimulator::logPath() const
{
    return m_process ? m_process->logPath() : QString();
}

QStringList UnitSimulator::commandLog() const
{
    return m_process ? m_process->commandLog() : QStringList();
}

void UnitSimulator::sendBanner()
{
#ifdef Q_OS_UNIX
    if (isRunning())
        ::kill(static_cast<pid_t>(m_process->processId()), SIGUSR1);
#endif
}

void UnitSimulator::stop()
{
    if (m_process)
        m_process->stop();
}

void UnitSimulator::writeSettings(const QString &programDir, int port, const QString &device)
{
    if (!SimulatorProcess::writeSettings(programDir, port, device))
        qFatal("cannot write the settings file in %s", qPrintable(programDir));
}
