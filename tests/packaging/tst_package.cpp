// The packaged program: cpack makes the archive as ./dev package does, the
// archive unpacks into a program folder, and the program started from there
// finds its platform plugin and fonts, reads the table and settings files
// beside it, and ends when its main window closes. The looking is done inside
// the program by a probe plugin (probe.cpp) that Qt loads on request.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int ToolLimitMs = 300000; // a loaded machine, a sanitizer build

// Runs a program to its end; its output, when it fails.
QString run(const QString &program, const QStringList &arguments, const QString &workingDir,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(workingDir);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(ToolLimitMs))
        return program + u" did not end: "_s + process.errorString();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + u" failed (%1):\n"_s.arg(process.exitCode())
            + QString::fromLocal8Bit(process.readAll());
    return QString();
}

QByteArray tableFile()
{
    // Base ID 1234567 in every slot: no list holds an ID. Hold time 42, allowance 3.
    QByteArray bytes;
    for (int line = 1; line <= 213; ++line)
        bytes += QByteArray::number(line) + ",1234567\r\n";
    return bytes + "214,42\r\n215,3\r\n";
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void programRunsFromItsUnpackedArchive()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString packages = work.filePath(u"packages"_s);
        QString failure = run(QStringLiteral(KALVIDOR_CPACK),
            { u"-G"_s, u"TGZ"_s, u"--config"_s, QStringLiteral(KALVIDOR_CPACK_CONFIG), u"-B"_s,
                packages },
            work.path());
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString name = QStringLiteral(KALVIDOR_ARCHIVE_NAME);
        const QString archive = packages + u'/' + name + u".tar.gz"_s;
        QVERIFY2(QFileInfo::exists(archive), qPrintable(archive));

        // The archive holds the program folder and, on Linux, the two programs alone.
        QProcess list;
        list.start(QStringLiteral(KALVIDOR_CMAKE), { u"-E"_s, u"tar"_s, u"tf"_s, archive });
        QVERIFY(list.waitForFinished(ToolLimitMs));
        QStringList entries
            = QString::fromLocal8Bit(list.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        entries.removeIf([](const QString &e) { return e.endsWith(u'/'); });
        entries.sort();
        QCOMPARE(entries, (QStringList { name + u"/kalvidor"_s, name + u"/kalvidor-cli"_s }));

        const QString unpacked = work.filePath(u"unpacked"_s);
        QVERIFY(QDir().mkpath(unpacked));
        failure = run(
            QStringLiteral(KALVIDOR_CMAKE), { u"-E"_s, u"tar"_s, u"xf"_s, archive }, unpacked);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString folder = QFileInfo(unpacked + u'/' + name).canonicalFilePath();
        QVERIFY(QFileInfo(folder + u"/kalvidor"_s).isExecutable());

        // The user's files beside the program. COM3 leads to a path that does
        // not exist, so that starting the program opens no real port.
        QVERIFY(write(folder + u"/IdCodeTable.csv"_s, tableFile()));
        QVERIFY(write(folder + u"/Kalvidor.ini"_s,
            "[CONF]\r\nPORT=3\r\n[PORTS]\r\nCOM3=" + work.filePath(u"none"_s).toLocal8Bit()
                + "\r\n"));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"QT_PLUGIN_PATH"_s, QStringLiteral(KALVIDOR_PROBE_PLUGINS));
        environment.insert(u"QT_QPA_GENERIC_PLUGINS"_s, u"kalvidorprobe"_s);
        const QString report = work.filePath(u"report.txt"_s);
        environment.insert(u"KALVIDOR_PROBE_REPORT"_s, report);
        // Started from elsewhere: the files are found beside the program, not here.
        failure = run(folder + u"/kalvidor"_s, {}, work.path(), environment);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));

        QFile found(report);
        QVERIFY(found.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(found.readAll()).split(u'\n', Qt::SkipEmptyParts),
            (QStringList { u"folder="_s + folder, u"platform=offscreen"_s, u"font=IPAPGothic"_s,
                u"base=1234567"_s, u"holdTime=42"_s, u"allowance=3"_s, u"port=COM3"_s }));
        // Closing the window saved nothing: the table file is as it was.
        QFile table(folder + u"/IdCodeTable.csv"_s);
        QVERIFY(table.open(QIODevice::ReadOnly));
        QCOMPARE(table.readAll(), tableFile());
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
