#include "simulatorprocess.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace kalvidor::soak {

SimulatorProcess::SimulatorProcess(QString program, QString devicePath, QString logPath)
    : m_program(std::move(program))
    , m_devicePath(std::move(devicePath))
    , m_logPath(std::move(logPath))
{
    // Its complaints (a bad option, a failed line) belong on the soak's stderr.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &SimulatorProcess::readOutput);
}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

bool SimulatorProcess::start(const QStringList &options, int timeoutMs)
{
    stop();
    m_error.clear();
    m_announcements.clear();
    QFile::remove(m_logPath);
    m_process.start(
        m_program, QStringList { u"--pty"_s, m_devicePath, u"--log"_s, m_logPath } + options);
    if (waitFor("READY", timeoutMs))
        return true;
    if (m_error.isEmpty())
        m_error = u"no READY within %1 ms"_s.arg(timeoutMs);
    stop();
    return false;
}

bool SimulatorProcess::waitForAnnouncement(const QByteArray &word, int timeoutMs)
{
    return waitFor(word, timeoutMs);
}

bool SimulatorProcess::waitFor(const QByteArray &word, int timeoutMs)
{
    const auto announced = [&] {
        for (const QByteArray &line : std::as_const(m_announcements)) {
            if (line.startsWith(word + ' '))
                return true;
        }
        return false;
    };
    if (announced())
        return true;
    if (m_process.state() == QProcess::NotRunning && !m_process.waitForStarted(timeoutMs)) {
        m_error = u"cannot start %1: %2"_s.arg(m_program, m_process.errorString());
        return false;
    }

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_process, &QProcess::readyReadStandardOutput, &loop, [&] {
        // readOutput() ran first: it was connected first.
        if (announced())
            loop.quit();
    });
    connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (!announced() && m_process.state() != QProcess::NotRunning)
        loop.exec();
    if (announced())
        return true;
    if (m_process.state() == QProcess::NotRunning)
        m_error = u"the simulator ended (exit code %1)"_s.arg(m_process.exitCode());
    else
        m_error = u"no %1 within %2 ms"_s.arg(QString::fromLatin1(word)).arg(timeoutMs);
    return false;
}

void SimulatorProcess::readOutput()
{
    while (m_process.canReadLine())
        m_announcements.append(m_process.readLine().trimmed());
}

void SimulatorProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    deadline.start(5000);
    if (m_process.state() != QProcess::NotRunning)
        loop.exec();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QStringList SimulatorProcess::commandLog() const
{
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace kalvidor::soak
