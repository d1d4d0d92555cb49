#include "unitsimulator.h"

#include <QDir>
#include <QFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

using namespace Qt::StringLiterals;

UnitSimulator::UnitSimulator(QStringList options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
    // The simulator's own complaints (bad option, --verbose) go to the test's
    // stderr, where a failing test shows them.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

UnitSimulator::~UnitSimulator()
{
    stop();
}

bool UnitSimulator::isAvailable()
{
    return !qEnvironmentVariableIsEmpty("KALVIDOR_UNIT_SIM");
}

bool UnitSimulator::start(int startTimeoutMs)
{
    stop();
    m_error.clear();
    const QString program = qEnvironmentVariable("KALVIDOR_UNIT_SIM");
    if (program.isEmpty()) {
        m_error = u"KALVIDOR_UNIT_SIM is not set"_s;
        return false;
    }
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid()) {
        m_error = u"cannot create a temporary folder: "_s + m_dir->errorString();
        return false;
    }

    m_process.start(
        program, QStringList { u"--pty"_s, devicePath(), u"--log"_s, logPath() } + m_options);
    // Its first line of output says the line is open.
    const QByteArray ready = "READY " + devicePath().toLocal8Bit() + '\n';
    QByteArray output;
    const bool started = QTest::qWaitFor(
        [&] {
            output += m_process.readAllStandardOutput();
            return output.contains(ready) || m_process.state() == QProcess::NotRunning;
        },
        startTimeoutMs);
    if (started && output.contains(ready))
        return true;
    if (m_process.state() == QProcess::NotRunning)
        m_error = u"the simulator did not start: "_s + m_process.errorString()
            + u" (exit code %1)"_s.arg(m_process.exitCode());
    else
        m_error = u"the simulator did not report READY within %1 ms"_s.arg(startTimeoutMs);
    stop();
    return false;
}

bool UnitSimulator::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

QString UnitSimulator::devicePath() const
{
    return m_dir ? m_dir->filePath(u"nelor"_s) : QString();
}

QString UnitSimulator::logPath() const
{
    return m_dir ? m_dir->filePath(u"commands.log"_s) : QString();
}

QStringList UnitSimulator::commandLog() const
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // One byte per character, as the line carries them.
    QStringList lines = QString::fromLatin1(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void UnitSimulator::sendBanner()
{
#ifdef Q_OS_UNIX
    if (isRunning())
        ::kill(static_cast<pid_t>(m_process.processId()), SIGUSR1);
#endif
}

void UnitSimulator::stop()
{
    if (!isRunning())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void UnitSimulator::writeSettings(const QString &programDir, int port, const QString &device)
{
    QDir().mkpath(programDir);
    QFile file(QDir(programDir).filePath(u"Kalvidor.ini"_s));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    const QString text = u"[CONF]\nPORT=%1\n[PORTS]\nCOM%1=%2\n"_s.arg(port).arg(device);
    file.write(text.toLocal8Bit());
}
