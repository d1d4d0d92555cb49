// kalvidor-cli through its executable, without a unit: help, usage errors,
// the port list, and that it needs no widgets and no display.
#include "clirunner.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

const QString TryHelp = u"Try 'kalvidor-cli --help'."_s;

} // namespace

class TestCliUsage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_cli.isReady()); }

    void helpListsCommandsAndExitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--help") << QStringList { u"--help"_s };
        QTest::newRow("with a bad option too") << QStringList { u"--speed"_s, u"--help"_s };
    }
    void helpListsCommandsAndExitCodes()
    {
        QFETCH(QStringList, arguments);
        const CliResult r = m_cli.run(arguments);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.errorLines, QStringList());
        const QString help = QString::fromUtf8(r.out);
        QVERIFY(help.startsWith(
            u"Usage: kalvidor-cli COMMAND [FILE] [--port N | --device PATH] [--json]\n"_s));
        for (const QString &line :
            { u"  write TABLE.csv "_s, u"  read OUT.csv "_s, u"  compare TABLE.csv "_s,
                u"  ports "_s, u"  0    done; compare: the ID lists are identical"_s,
                u"  1    compare: the ID lists differ"_s,
                u"  2    the unit did not answer or refused a command"_s,
                u"  3    the port cannot be opened"_s,
                u"  4    a file cannot be read or written, or holds no usable value"_s,
                u"  64   usage error"_s, u"  130  interrupted by Ctrl+C (143: terminated)"_s })
            QVERIFY2(help.contains(line), qPrintable(line));
    }

    void usageErrorsExit64_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, QStringList arguments, const QString &error) {
            QTest::newRow(name) << arguments << error;
        };
        row("nothing", {}, u"no command given"_s);
        row("unknown command", { u"send"_s, u"t.csv"_s }, u"unknown command \"send\""_s);
        row("unknown option", { u"write"_s, u"t.csv"_s, u"--speed"_s, u"9600"_s },
            u"unknown option --speed"_s);
        row("write without a file", { u"write"_s }, u"write needs a file"_s);
        row("compare with two files", { u"compare"_s, u"a.csv"_s, u"b.csv"_s },
            u"unexpected argument \"b.csv\""_s);
        row("--port and --device",
            { u"write"_s, u"t.csv"_s, u"--port"_s, u"2"_s, u"--device"_s, u"/dev/ttyUSB0"_s },
            u"--port and --device cannot be given together"_s);
        row("--port without a value", { u"write"_s, u"t.csv"_s, u"--port"_s },
            u"--port needs a value"_s);
        row("--port 257", { u"write"_s, u"t.csv"_s, u"--port"_s, u"257"_s },
            u"--port takes a number from 1 to 256, not \"257\""_s);
        row("--port COM3", { u"write"_s, u"t.csv"_s, u"--port"_s, u"COM3"_s },
            u"--port takes a number from 1 to 256, not \"COM3\""_s);
    }
    void usageErrorsExit64()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const CliResult r = m_cli.run(arguments);
        QCOMPARE(r.exitCode, 64);
        QCOMPARE(r.errorLines, (QStringList { u"kalvidor-cli: "_s + error, TryHelp }));
        QCOMPARE(r.out, QByteArray());

        // The same as one JSON object on standard output.
        const CliResult j = m_cli.run(arguments + QStringList { u"--json"_s });
        QCOMPARE(j.exitCode, 64);
        const QJsonObject o = j.json();
        QCOMPARE(o.value(u"exitCode"_s).toInt(), 64);
        QCOMPARE(o.value(u"status"_s).toString(), u"not-started"_s);
        QCOMPARE(o.value(u"error"_s).toString(), error);
        QVERIFY(j.out.endsWith("}\n"));
        QCOMPARE(j.out.count('\n'), 1);
    }

    // Options may stand before the command; "--" lets a file name start with "-".
    void optionsStandAnywhere()
    {
        const CliResult r
            = m_cli.run({ u"--json"_s, u"write"_s, u"--"_s, u"-missing.csv"_s }, m_work.path());
        QCOMPARE(r.exitCode, 4);
        QCOMPARE(r.errorLines, QStringList { u"cannot read -missing.csv: no such file"_s });
        QCOMPARE(r.json().value(u"command"_s).toString(), u"write"_s);
    }

    void portsAreListedAsJson()
    {
        const CliResult r = m_cli.run({ u"ports"_s, u"--json"_s });
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = r.json();
        QCOMPARE(o.value(u"command"_s).toString(), u"ports"_s);
        QCOMPARE(o.value(u"status"_s).toString(), u"completed"_s);
        QVERIFY(o.value(u"ports"_s).isArray());
        const QJsonArray ports = o.value(u"ports"_s).toArray();
        for (const QJsonValue &p : ports) {
            QVERIFY(!p[u"device"_s].toString().isEmpty());
            QVERIFY(p[u"port"_s].isNull() || p[u"port"_s].toInt() >= 1);
        }
        // The text form: one line per port on standard output.
        const CliResult text = m_cli.run({ u"ports"_s });
        QCOMPARE(text.exitCode, 0);
        QCOMPARE(text.out.count('\n'), qsizetype(ports.size()));
    }

#ifdef Q_OS_LINUX
    // Linked against Qt Core and Qt Serial Port only: no widgets, no GUI.
    void needsNoWidgetsAndNoGui()
    {
        QProcess ldd;
        ldd.start(u"ldd"_s, { m_cli.path() });
        QVERIFY(ldd.waitForFinished());
        QCOMPARE(ldd.exitCode(), 0);
        const QString libraries = QString::fromUtf8(ldd.readAllStandardOutput());
        QVERIFY(libraries.contains(u"libQt6Core.so"_s));
        QVERIFY(libraries.contains(u"libQt6SerialPort.so"_s));
        QVERIFY2(!libraries.contains(u"libQt6Widgets"_s), qPrintable(libraries));
        QVERIFY2(!libraries.contains(u"libQt6Gui"_s), qPrintable(libraries));
    }
#endif

private:
    CliProgram m_cli;
    QTemporaryDir m_work;
};

QTEST_GUILESS_MAIN(TestCliUsage)
#include "tst_cliusage.moc"
