// The packaged program: ./dev package makes the archive in a build folder of
// the test's own, the archive unpacks into a program folder, and the program
// started from there finds its platform plugin and fonts, reads the table and
// settings files beside it, and ends when its main window closes. The looking
// is done inside the program by a probe plugin (probe.cpp) that Qt loads on
// request.
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Runs a program to its end in `dir`: what it printed, or "FAILED" and why.
QString run(const QString &program, const QStringList &arguments, const QString &dir,
    int timeoutMs = 300000) // a loaded machine, a sanitizer build
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(timeoutMs);
    const QString printed = QString::fromLocal8Bit(process.readAll());
    if (ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return printed;
    return u"FAILED %1 (%2): "_s.arg(program, process.errorString()) + printed;
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void programRunsFromItsUnpackedArchive()
    {
        QTemporaryDir work;
        const QString name = QStringLiteral(KALVIDOR_ARCHIVE_NAME);
        const QString packageDir = QStringLiteral(KALVIDOR_PACKAGE_DIR);
        const QString archive = packageDir + u"/packages/"_s + name + u".tar.gz"_s;
        const QString cmake = QStringLiteral(KALVIDOR_CMAKE);
        // What an earlier run made goes first: the archive, and the programs,
        // so that ./dev package has to build each of them as on a fresh clone.
        QFile::remove(archive);
        for (QDirIterator it(packageDir, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QFileInfo file = it.nextFileInfo();
            if (file.fileName() == u"kalvidor" || file.fileName() == u"kalvidor-cli")
                QVERIFY(QFile::remove(file.filePath()));
        }
        qputenv("KALVIDOR_PACKAGE_DIR", packageDir.toLocal8Bit());
        QString out = run(QStringLiteral(KALVIDOR_DEV), { u"package"_s }, work.path(), 1100000);
        QVERIFY2(!out.startsWith(u"FAILED"), qPrintable(out));
        // The program folder holds the two programs alone (on Linux).
        QStringList entries = run(cmake, { u"-E"_s, u"tar"_s, u"tf"_s, archive }, work.path())
                                  .split(u'\n', Qt::SkipEmptyParts);
        entries.removeIf([](const QString &e) { return e.endsWith(u'/'); });
        entries.sort();
        QCOMPARE(entries, (QStringList { name + u"/kalvidor"_s, name + u"/kalvidor-cli"_s }));
        out = run(cmake, { u"-E"_s, u"tar"_s, u"xf"_s, archive }, work.path());
        QVERIFY2(out.isEmpty(), qPrintable(out));

        // The user's files beside the program: base ID 1234567 in every slot
        // (no list holds an ID), hold time 42, allowance 3; COM3 leads to a
        // path that does not exist, so that no real port is opened.
        const QString folder = QFileInfo(work.filePath(name)).canonicalFilePath();
        QByteArray table;
        for (int line = 1; line <= 213; ++line)
            table += QByteArray::number(line) + ",1234567\r\n";
        for (const auto &[file, bytes] :
            { std::pair { u"/IdCodeTable.csv"_s, table + "214,42\r\n215,3\r\n" },
                { u"/Kalvidor.ini"_s,
                    QByteArray("[CONF]\r\nPORT=3\r\n[PORTS]\r\nCOM3=/nonexistent/tty\r\n") } }) {
            QFile f(folder + file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        const QDateTime written = QFileInfo(folder + u"/IdCodeTable.csv"_s).lastModified();

        // The program inherits these; started from elsewhere, it finds its
        // files beside it, not here.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_PLUGIN_PATH", KALVIDOR_PROBE_PLUGINS);
        qputenv("QT_QPA_GENERIC_PLUGINS", "kalvidorprobe");
        qputenv("KALVIDOR_PROBE_REPORT", work.filePath(u"report.txt"_s).toLocal8Bit());
        out = run(folder + u"/kalvidor"_s, {}, work.path());
        QVERIFY2(!out.startsWith(u"FAILED"), qPrintable(out));
        QFile report(work.filePath(u"report.txt"_s));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(report.readAll()).split(u'\n', Qt::SkipEmptyParts),
            (QStringList { u"folder="_s + folder, u"platform=offscreen"_s, u"font=IPAPGothic"_s,
                u"base=1234567"_s, u"holdTime=42"_s, u"allowance=3"_s, u"port=COM3"_s }));
        // Closing the window saved nothing.
        QCOMPARE(QFileInfo(folder + u"/IdCodeTable.csv"_s).lastModified(), written);
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
