#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// What one run of kalvidor-cli gave.
struct CliResult
{
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QStringList errorLines; // standard error, line by line

    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// kalvidor-cli as a script runs it: a copy in a program folder of its own, so
// that the Kalvidor.ini beside it is the test's; started without a display,
// in a working folder of the test's choosing.
class CliProgram
{
public:
    CliProgram()
    {
        m_path = m_programDir.filePath(QFileInfo(QStringLiteral(KALVIDOR_CLI)).fileName());
        m_copied = QFile::copy(QStringLiteral(KALVIDOR_CLI), m_path);
    }
    bool isReady() const { return m_programDir.isValid() && m_copied; }
    QString programDir() const { return m_programDir.path(); }
    QString path() const { return m_path; }

    // Replaces the Kalvidor.ini beside the program.
    bool writeSettings(const QByteArray &text) const
    {
        QFile file(QDir(programDir()).filePath(QStringLiteral("Kalvidor.ini")));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(text) == text.size();
    }

    // Sets up a process that has not been started yet.
    void prepare(QProcess &process, const QStringList &arguments, const QString &workDir) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            env.remove(QString::fromLatin1(name));
        process.setProcessEnvironment(env);
        process.setProgram(m_path);
        process.setArguments(arguments);
        process.setWorkingDirectory(workDir.isEmpty() ? programDir() : workDir);
    }

    static CliResult collect(QProcess &process, int timeoutMs)
    {
        CliResult result;
        result.finished = process.waitForFinished(timeoutMs);
        if (!result.finished) {
            process.kill();
            process.waitForFinished();
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        QString err = QString::fromUtf8(process.readAllStandardError());
        if (err.endsWith(u'\n'))
            err.chop(1);
        result.errorLines = err.isEmpty() ? QStringList() : err.split(u'\n');
        return result;
    }

    CliResult run(const QStringList &arguments, const QString &workDir = {},
        const std::function<void(QProcess &)> &setUp = {}, int timeoutMs = 60000) const
    {
        QProcess process;
        prepare(process, arguments, workDir);
        if (setUp)
            setUp(process);
        process.start();
        if (!process.waitForStarted())
            return {};
        return collect(process, timeoutMs);
    }

private:
    QTemporaryDir m_programDir;
    QString m_path;
    bool m_copied = false;
};

// A table file: line n+1 is "n+1," and values[n], each ended by CR LF.
inline QByteArray tableFileBytes(const QStringList &values)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < values.size(); ++i)
        bytes += QByteArray::number(i + 1) + ',' + values[i].toLatin1() + "\r\n";
    return bytes;
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
