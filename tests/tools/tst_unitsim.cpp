// The simulator's own behaviour that the link and unit operation tests do not
// already rely on: its strict reading of commands, the faults that shape the
// bytes on the line, its memory between runs (--state, as ./dev run uses it)
// and the session line that begins its command log.
#include "filebytes.h"
#include "unitsimulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;
using Lines = QList<QByteArray>;

namespace {

// The application's side of the line, collecting every byte that arrives.
struct Port
{
    explicit Port(const QString &device)
    {
        line.setPortName(device);
        line.setBaudRate(QSerialPort::Baud38400); // 8N1 without flow control by default
        QObject::connect(&line, &QSerialPort::readyRead, &line, [this] {
            if (received.isEmpty())
                sinceFirstByte.start();
            received += line.readAll();
        });
    }

    // Sends one command line; returns what arrived once a CR came, or by the limit.
    QByteArray exchange(const QByteArray &command, int limitMs = 2000)
    {
        received.clear();
        line.write(command + '\r');
        static_cast<void>(QTest::qWaitFor([&] { return received.contains('\r'); }, limitMs));
        return received;
    }
    QSerialPort line;
    QByteArray received;
    QElapsedTimer sinceFirstByte;
};

#define START(unit, port)                                                                          \
    QVERIFY2((unit).start(), qPrintable((unit).errorString()));                                    \
    Port port((unit).devicePath());                                                                \
    QVERIFY2(port.line.open(QIODevice::ReadWrite), qPrintable(port.line.errorString()))

} // namespace

class TestUnitSim : public QObject
{
    Q_OBJECT

private slots:
    // Each row: options, command lines and the exact reply to each (empty: none
    // within 300 ms), the command log (empty: the lines as sent) and the least
    // time the last reply takes from its first byte to its CR.
    void exchanges_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<Lines>("commands");
        QTest::addColumn<Lines>("replies");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("spreadMs");
        const Lines malformed { "XYZ", "rtm", "RTM ", "", "SID", "SID 7,4660", "SID 007 000004660",
            "SID 007,4660", "RID 7", "RID 007", "STM 5", "SID 000,0041943040", "RID 213",
            "SID 213,000000000", "SID 001,000065536", "STM 32768" };
        QTest::newRow("unknown, lowercase, badly padded or out of range")
            << QStringList() << malformed << Lines(malformed.size(), "NG\r") << QStringList() << 0;
        QTest::newRow("line feed ignored, over-long line refused")
            << QStringList() << Lines { "RTM\n", QByteArray(300, 'A') } << Lines { "2\r", "NG\r" }
            << QStringList { u"RTM"_s, u"[discarded: line of 300 bytes]"_s } << 0;
        QTest::newRow("negative remainder keeps its low 16 bits")
            << QStringList() << Lines { "SID 001,-000000005", "RID 01" }
            << Lines { "OK\r", QByteArray::number(0x280FFFB) + '\r' } << QStringList() << 0;
        // A refused write keeps the old value; a fault of one command leaves the others be.
        QTest::newRow("faults of one command only")
            << QStringList { u"--refuse-sid"_s, u"3"_s, u"--silent-rtm"_s, u"--refuse-rnm"_s,
                   u"--refuse-snm"_s }
            << Lines { "SID 003,000000001", "RID 03", "SID 004,000000001", "RTM", "RNM", "SNM 02",
                   "STM 05" }
            << Lines { "NG\r", "41943040\r", "OK\r", "", "N\r", "NG\r", "OK\r" } << QStringList()
            << 0;
        QTest::newRow("split into single bytes")
            << QStringList { u"--split"_s, u"--split-pause"_s, u"30"_s } << Lines { "RID 00" }
            << Lines { "41943040\r" } << QStringList() << int(0.8 * 8 * 30);
        // 481 bytes at 38400 bit/s, 10 bits a byte, take 125 ms; a loaded
        // machine may be slower, never faster.
        const QByteArray text(480, 'x');
        QTest::newRow("paced at the wire rate")
            << QStringList { u"--pace"_s, u"--answer-rid"_s, u"0="_s + QString::fromLatin1(text) }
            << Lines { "RID 00" } << Lines { text + '\r' } << QStringList() << 100;
    }
    void exchanges()
    {
        QFETCH(QStringList, options);
        QFETCH(Lines, commands);
        QFETCH(Lines, replies);
        QFETCH(QStringList, log);
        QFETCH(int, spreadMs);
        UnitSimulator unit(options);
        START(unit, port);
        for (qsizetype i = 0; i < commands.size(); ++i) {
            QCOMPARE(port.exchange(commands[i], replies[i].isEmpty() ? 300 : 2000), replies[i]);
            if (log.size() < commands.size())
                log.append(QString::fromLatin1(commands[i]));
        }
        QCOMPARE_GE(port.sinceFirstByte.elapsed(), spreadMs);
        QCOMPARE(unit.commandLog(), log);
    }

    void streamedGarbageNeverEndsALine()
    {
        UnitSimulator unit({ u"--stream-garbage"_s });
        START(unit, port);
        QCOMPARE(port.exchange("RTM").left(2), "2\r");
        port.received.clear();
        QTRY_VERIFY(port.received.size() >= 2000);
        QVERIFY(!port.received.contains('\r'));
    }

    // The first run starts from a file written by hand (a comment, a blank
    // line, entries left out keep their defaults) with a preset on top (hold
    // 9, not 7), and saves at each change; the next run reads what it saved.
    void memoryOutlivesTheRun()
    {
        QTemporaryDir dir;
        const QString state = dir.filePath(u"unit.state"_s);
        QVERIFY(writeBytes(state, "# kept\n\nslot 5 41947700\nhold 7\n"));
        UnitSimulator unit({ u"--state"_s, state, u"--hold"_s, u"9"_s, u"--refuse-sid"_s, u"6"_s });
        START(unit, port);
        const Lines commands { "RID 05", "RID 04", "RTM", "RNM", "SID 000,052428800",
            "SID 005,000004660", "SID 006,000000001", "SNM 03" };
        const Lines replies { "41947700", "41943040", "9", "1", "OK", "OK", "NG", "OK" };
        for (qsizetype i = 0; i < commands.size(); ++i)
            QCOMPARE(port.exchange(commands[i]), replies[i] + '\r');
        const QByteArray saved = readBytes(state);
        QVERIFY2(saved.startsWith("# ") && saved.contains("\nslot 5 52433460\n"), saved);
        QVERIFY(saved.endsWith("\nhold 9\nallowance 3\n"));
        QVERIFY(!QFile::exists(state + u".tmp"_s));
        QVERIFY(QFileInfo(state).permissions().testFlag(QFileDevice::ReadOther));
        // The log begins each session with its date and time.
        const QStringList log = QString::fromLatin1(readBytes(unit.logPath())).split(u'\n');
        static const QRegularExpression session(
            u"^--- session \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ---$"_s);
        QVERIFY2(session.match(log.first()).hasMatch(), qPrintable(log.first()));
        QCOMPARE(log.mid(1, 2), (QStringList { u"RID 05"_s, u"RID 04"_s }));

        START(unit, again);
        for (const auto &[command, reply] : { std::pair { "RID 00", "52428800" },
                 { "RID 05", "52433460" }, { "RID 06", "52428800" }, { "RNM", "3" } })
            QCOMPARE(again.exchange(command), QByteArray(reply) + '\r');
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
        QTemporaryDir dir;
        const QString state = dir.filePath(u"unit.state"_s);
        QVERIFY(writeBytes(state, bytes));
        QProcess sim;
        sim.start(kalvidor::unitsim::SimulatorProcess::programFromEnvironment(),
            { u"--pty"_s, dir.filePath(u"nelor"_s), u"--state"_s, state });
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 1);
        QCOMPARE(sim.readAllStandardOutput(), QByteArray());
        const QString error = QString::fromUtf8(sim.readAllStandardError());
        QVERIFY2(error.contains(state + u": "_s + line), qPrintable(error));
        QCOMPARE(readBytes(state), bytes);
    }

    // One simulator a line: a second one on the same path refuses to start,
    // names the process that plays the unit there, touches neither memory
    // nor the line, and the first goes on; a simulator killed without
    // clearing up leaves nothing that keeps the next one from starting.
    void secondSimulatorOnTheSameLineRefuses()
    {
        using kalvidor::unitsim::SimulatorProcess;
        QTemporaryDir dir;
        const QString line = dir.filePath(u"nelor"_s);
        const QString state = dir.filePath(u"unit.state"_s);
        SimulatorProcess first(SimulatorProcess::programFromEnvironment(), line);
        QVERIFY2(first.start({}), qPrintable(first.errorString()));
        Port port(line);
        QVERIFY2(port.line.open(QIODevice::ReadWrite), qPrintable(port.line.errorString()));

        QProcess second;
        second.start(SimulatorProcess::programFromEnvironment(),
            { u"--pty"_s, line, u"--state"_s, state, u"--hold"_s, u"9"_s });
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());
        QCOMPARE(QString::fromUtf8(second.readAllStandardError()),
            u"kalvidor-unit-sim: another simulator (process %1) already plays the unit on %2; "
            "stop it first\n"_s.arg(first.processId())
                .arg(line));
        QVERIFY(!QFile::exists(state));
        QCOMPARE(port.exchange("RTM"), "2\r");

        QVERIFY(::kill(pid_t(first.processId()), SIGKILL) == 0);
        QTRY_VERIFY(!first.isRunning());
        SimulatorProcess third(SimulatorProcess::programFromEnvironment(), line);
        QVERIFY2(third.start({}), qPrintable(third.errorString()));
    }
};

QTEST_GUILESS_MAIN(TestUnitSim)
#include "tst_unitsim.moc"
