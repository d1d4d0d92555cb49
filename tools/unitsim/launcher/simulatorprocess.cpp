#include "simulatorprocess.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace kalvidor::unitsim {

QString SimulatorProcess::programFromEnvironment(const QString &fallback)
{
    const QString fromEnvironment = qEnvironmentVariable("KALVIDOR_UNIT_SIM");
    return fromEnvironment.isEmpty() ? fallback : fromEnvironment;
}

SimulatorProcess::SimulatorProcess(
    QString program, QString devicePath, QString logPath, QObject *parent)
    : QObject(parent)
    , m_program(std::move(program))
    , m_devicePath(std::move(devicePath))
    , m_logPath(std::move(logPath))
{
    if (m_devicePath.isEmpty() || m_logPath.isEmpty()) {
        m_dir = std::make_unique<QTemporaryDir>();
        if (m_dir->isValid()) {
            if (m_devicePath.isEmpty())
                m_devicePath = m_dir->filePath(u"nelor"_s);
            if (m_logPath.isEmpty())
                m_logPath = m_dir->filePath(u"commands.log"_s);
        }
    }
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
    if (m_program.isEmpty()) {
        m_error = u"no simulator program given (KALVIDOR_UNIT_SIM is not set)"_s;
        return false;
    }
    if (m_dir && !m_dir->isValid()) {
        m_error = u"cannot create a temporary folder: "_s + m_dir->errorString();
        return false;
    }
    QFile::remove(m_logPath);
    m_process.start(
        m_program, QStringList { u"--pty"_s, m_devicePath, u"--log"_s, m_logPath } + options);
    if (waitFor("READY", timeoutMs))
        return true;
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
    connect(&m_process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (m_process.state() != QProcess::NotRunning)
        loop.exec();
    if (announced())
        return true;
    if (m_process.error() == QProcess::FailedToStart)
        m_error = u"cannot start %1: %2"_s.arg(m_program, m_process.errorString());
    else if (m_process.state() == QProcess::NotRunning)
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

bool SimulatorProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

namespace {

// The log with the simulator's session line left out: start() empties the
// log, so that line is always the first.
QByteArray loggedCommands(const QString &logPath)
{
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray log = file.readAll();
    if (log.startsWith("--- session "))
        log.remove(0, log.indexOf('\n') + 1);
    return log;
}

} // namespace

QStringList SimulatorProcess::commandLog() const
{
    // One byte per character, as the line carries them.
    QStringList lines = QString::fromLatin1(loggedCommands(m_logPath)).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int SimulatorProcess::commandCount() const
{
    return int(loggedCommands(m_logPath).count('\n'));
}

bool SimulatorProcess::writeSettings(const QString &programDir, int port, const QString &device)
{
    QDir().mkpath(programDir);
    QFile file(QDir(programDir).filePath(u"Kalvidor.ini"_s));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString text = u"[CONF]\nPORT=%1\n[PORTS]\nCOM%1=%2\n"_s.arg(port).arg(device);
    return file.write(text.toLocal8Bit()) == text.toLocal8Bit().size();
}

} // namespace kalvidor::unitsim
