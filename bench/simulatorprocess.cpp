#include "simulatorprocess.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace kalvidor::bench {

namespace {

QString simulatorProgram()
{
    const QString fromEnvironment = qEnvironmentVariable("KALVIDOR_UNIT_SIM");
    return fromEnvironment.isEmpty() ? QStringLiteral(KALVIDOR_UNIT_SIM_PATH) : fromEnvironment;
}

} // namespace

SimulatorProcess::SimulatorProcess(QStringList options)
    : m_options(std::move(options))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool SimulatorProcess::start()
{
    if (!m_dir.isValid()) {
        m_error = u"cannot create a temporary folder: "_s + m_dir.errorString();
        return false;
    }
    m_process.start(simulatorProgram(),
        QStringList { u"--pty"_s, devicePath(), u"--log"_s, logPath() } + m_options);
    if (!m_process.waitForStarted(5000)) {
        m_error = u"cannot start "_s + simulatorProgram() + u": "_s + m_process.errorString();
        return false;
    }
    // The bench has nothing else to do until the line is open.
    const QByteArray expected = "READY " + QFile::encodeName(devicePath());
    while (m_process.waitForReadyRead(5000)) {
        while (m_process.canReadLine()) {
            if (m_process.readLine().trimmed() == expected)
                return true;
        }
    }
    m_error = u"the simulator did not report READY"_s;
    return false;
}

int SimulatorProcess::commandCount() const
{
    QFile log(logPath());
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return int(log.readAll().count('\n'));
}

bool SimulatorProcess::writeSettings(const QString &programDir) const
{
    QFile file(QDir(programDir).filePath(u"Kalvidor.ini"_s));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString text = u"[CONF]\nPORT=1\n[PORTS]\nCOM1=%1\n"_s.arg(devicePath());
    return file.write(QFile::encodeName(text)) > 0;
}

} // namespace kalvidor::bench
