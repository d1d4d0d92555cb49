// The simulator's memory between runs (--state), as ./dev run uses it, and
// the session line that begins its command log.
#include "simulatorprocess.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using kalvidor::unitsim::SimulatorProcess;

namespace {

// Sends each command line and returns the replies, one per line, without CR.
QStringList exchange(const QString &device, const QList<QByteArray> &commands)
{
    QSerialPort port(device);
    port.setBaudRate(QSerialPort::Baud38400);
    if (!port.open(QIODevice::ReadWrite))
        return { u"cannot open "_s + device };
    QStringList replies;
    for (const QByteArray &command : commands) {
        QByteArray received;
        port.write(command + '\r');
        [[maybe_unused]] const bool ended = QTest::qWaitFor(
            [&] {
                received += port.readAll();
                return received.contains('\r');
            },
            3000);
        replies << QString::fromLatin1(received.left(received.indexOf('\r')));
    }
    return replies;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestUnitSimState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!m_program.isEmpty(), "KALVIDOR_UNIT_SIM is not set");
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        QFile::remove(statePath());
        QFile::remove(statePath() + u".tmp"_s);
    }

    void memoryOutlivesTheRun()
    {
        {
            SimulatorProcess unit(m_program);
            QVERIFY2(unit.start({ u"--state"_s, statePath(), u"--refuse-sid"_s, u"6"_s }),
                qPrintable(unit.errorString()));
            QCOMPARE(exchange(unit.devicePath(),
                         { "SID 000,052428800", "SID 005,000004660", "SID 006,000000001", "STM 07",
                             "SNM 03" }),
                (QStringList { u"OK"_s, u"OK"_s, u"NG"_s, u"OK"_s, u"OK"_s }));
            // Saved at each change, not only when the simulator ends.
            const QByteArray saved = fileBytes(statePath());
            QVERIFY2(saved.contains("\nslot 5 52433460\n"), saved.constData());
            QVERIFY(saved.contains("\nslot 6 52428800\n"));
            QVERIFY(saved.endsWith("\nhold 7\nallowance 3\n"));
            QVERIFY(!QFile::exists(statePath() + u".tmp"_s));
            QVERIFY(QFileInfo(statePath()).permissions().testFlag(QFileDevice::ReadOther));
        }
        SimulatorProcess unit(m_program);
        QVERIFY2(unit.start({ u"--state"_s, statePath() }), qPrintable(unit.errorString()));
        QCOMPARE(exchange(unit.devicePath(), { "RID 00", "RID 05", "RID 06", "RTM", "RNM" }),
            (QStringList { u"52428800"_s, u"52433460"_s, u"52428800"_s, u"7"_s, u"3"_s }));
    }

    void presetsGoOnTopOfTheMemory()
    {
        writeFile(statePath(), "# kept\n\nslot 5 41947700\nhold 7\n");
        SimulatorProcess unit(m_program);
        QVERIFY2(unit.start({ u"--state"_s, statePath(), u"--hold"_s, u"9"_s }),
            qPrintable(unit.errorString()));
        QCOMPARE(exchange(unit.devicePath(), { "RID 05", "RID 04", "RTM", "RNM" }),
            (QStringList { u"41947700"_s, u"41943040"_s, u"9"_s, u"1"_s }));
        QVERIFY(fileBytes(statePath()).endsWith("\nhold 9\nallowance 1\n"));
    }

    // The simulator does not start, says which line is wrong, and leaves the
    // file for the user to mend.
    void damagedMemoryStopsTheStart_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");
        QTest::newRow("not a number") << QByteArray("slot 5 12x\n") << u"line 1"_s;
        QTest::newRow("slot beyond the table") << QByteArray("hold 2\nslot 213 1\n") << u"line 2"_s;
        QTest::newRow("hold beyond 16 bits") << QByteArray("hold 32768\n") << u"line 1"_s;
        QTest::newRow("unknown entry") << QByteArray("\nbase 5\n") << u"line 2"_s;
    }
    void damagedMemoryStopsTheStart()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        writeFile(statePath(), bytes);
        QProcess sim;
        sim.start(m_program, { u"--pty"_s, m_dir.filePath(u"nelor"_s), u"--state"_s, statePath() });
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 1);
        QCOMPARE(sim.readAllStandardOutput(), QByteArray());
        const QString error = QString::fromUtf8(sim.readAllStandardError());
        QVERIFY2(error.contains(statePath() + u": "_s + line), qPrintable(error));
        QCOMPARE(fileBytes(statePath()), bytes);
    }

    void logBeginsWithTheSessionTime()
    {
        SimulatorProcess unit(m_program);
        QVERIFY2(unit.start({}), qPrintable(unit.errorString()));
        QCOMPARE(exchange(unit.devicePath(), { "RTM" }), QStringList { u"2"_s });
        const QStringList raw = QString::fromLatin1(fileBytes(unit.logPath())).split(u'\n');
        static const QRegularExpression session(
            u"^--- session \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ---$"_s);
        QVERIFY2(session.match(raw.value(0)).hasMatch(), qPrintable(raw.value(0)));
        QCOMPARE(raw.mid(1), (QStringList { u"RTM"_s, QString() }));
        // The launcher's view holds the commands only.
        QCOMPARE(unit.commandLog(), QStringList { u"RTM"_s });
        QCOMPARE(unit.commandCount(), 1);
    }

private:
    QString statePath() const { return m_dir.filePath(u"unit.state"_s); }

    const QString m_program = SimulatorProcess::programFromEnvironment();
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestUnitSimState)
#include "tst_unitsimstate.moc"
