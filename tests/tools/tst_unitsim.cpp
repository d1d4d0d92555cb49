#include "unitsimulator.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The application's side of the line: a QSerialPort set up as the link
// window sets up its port, collecting every byte that arrives.
class Port : public QObject
{
public:
    explicit Port(const QString &device)
    {
        m_port.setPortName(device);
        m_port.setBaudRate(QSerialPort::Baud38400);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        connect(&m_port, &QSerialPort::readyRead, this, [this] {
            const QByteArray chunk = m_port.readAll();
            if (m_received.isEmpty())
                m_sinceFirstByte.start();
            m_received += chunk;
            m_chunks.append(chunk);
        });
        // A port left open after an error keeps raising it.
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e != QSerialPort::NoError) {
                m_errors.append(e);
                m_port.close();
            }
        });
    }

    bool open() { return m_port.open(QIODevice::ReadWrite); }
    QSerialPort &port() { return m_port; }
    QByteArray received() const { return m_received; }
    QList<QByteArray> chunks() const { return m_chunks; }
    QList<QSerialPort::SerialPortError> errors() const { return m_errors; }
    qint64 msSinceFirstByte() const { return m_sinceFirstByte.elapsed(); }

    void clear()
    {
        m_received.clear();
        m_chunks.clear();
    }

    void send(const QByteArray &line)
    {
        clear();
        m_port.write(line + '\r');
    }

    // Sends one command line and returns what arrived once a CR has arrived,
    // or by the time limit.
    QByteArray exchange(const QByteArray &line, int timeoutMs = 2000)
    {
        send(line);
        [[maybe_unused]] const bool complete
            = QTest::qWaitFor([&] { return m_received.contains('\r'); }, timeoutMs);
        return m_received;
    }

private:
    QSerialPort m_port;
    QByteArray m_received;
    QList<QByteArray> m_chunks;
    QList<QSerialPort::SerialPortError> m_errors;
    QElapsedTimer m_sinceFirstByte;
};

// The reply time of a text of this many bytes at 38400 bit/s, 10 bits a byte.
double wireMs(qsizetype bytes)
{
    return bytes * 10 * 1000.0 / 38400;
}

} // namespace

class TestUnitSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!UnitSimulator::isAvailable())
            QSKIP("KALVIDOR_UNIT_SIM is not set");
    }

    // Each row: simulator options, then command lines and the exact bytes the
    // unit answers to each, in order.
    void exchanges_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<QByteArray>>("commands");
        QTest::addColumn<QList<QByteArray>>("replies");
        using L = QList<QByteArray>;

        QTest::newRow("base slot whole")
            << QStringList() << L { "SID 000,041943040", "RID 00" } << L { "OK\r", "41943040\r" };
        QTest::newRow("slot joins the base's upper half")
            << QStringList() << L { "SID 000,041943040", "SID 007,000004660", "RID 07" }
            << L { "OK\r", "OK\r", "41947700\r" };
        QTest::newRow("negative remainder keeps its low 16 bits")
            << QStringList() << L { "SID 001,-000000005", "RID 01" }
            << L { "OK\r", QByteArray::number(0x280FFFB) + '\r' };
        QTest::newRow("last slot") << QStringList() << L { "SID 212,000065535", "RID 212" }
                                   << L { "OK\r", QByteArray::number(0x280FFFF) + '\r' };
        QTest::newRow("presets") << QStringList { u"--set"_s, u"0=1000000"_s, u"--set"_s,
            u"5=1ABCD"_s, u"--hold"_s, u"7"_s, u"--allowance"_s, u"3"_s }
                                 << L { "RID 00", "RID 05", "RID 06", "RTM", "RNM" }
                                 << L { "16777216\r", QByteArray::number(0x100ABCD) + '\r',
                                        "16777216\r", "7\r", "3\r" };
        QTest::newRow("hold time and allowance")
            << QStringList()
            << L { "RTM", "RNM", "STM 05", "SNM 03", "RTM", "RNM", "STM 100", "RTM" }
            << L { "2\r", "1\r", "OK\r", "OK\r", "5\r", "3\r", "OK\r", "100\r" };
        QTest::newRow("unknown commands") << QStringList() << L { "XYZ", "rtm", "RTM ", "", "SID" }
                                          << L { "NG\r", "NG\r", "NG\r", "NG\r", "NG\r" };
        QTest::newRow("badly padded commands")
            << QStringList()
            << L { "SID 7,4660", "SID 007 000004660", "SID 007,4660", "RID 7", "RID 007", "STM 5",
                   "SID 000,0041943040" }
            << L { "NG\r", "NG\r", "NG\r", "NG\r", "NG\r", "NG\r", "NG\r" };
        QTest::newRow("values out of range")
            << QStringList()
            << L { "RID 213", "SID 213,000000000", "SID 001,000065536", "STM 32768" }
            << L { "NG\r", "NG\r", "NG\r", "NG\r" };
        QTest::newRow("crlf") << QStringList { u"--crlf"_s } << L { "STM 02", "RTM" }
                              << L { "OK\r\n", "2\r\n" };
        QTest::newRow("lower-case ok")
            << QStringList { u"--lowercase-ok"_s } << L { "SNM 02" } << L { "ok\r" };
        QTest::newRow("refused read")
            << QStringList { u"--refuse-rid"_s, u"50"_s } << L { "RID 49", "RID 50", "RID 51" }
            << L { "41943040\r", "N\r", "41943040\r" };
        QTest::newRow("refused write keeps the old value")
            << QStringList { u"--refuse-sid"_s, u"3"_s }
            << L { "SID 003,000000001", "RID 03", "SID 004,000000001" }
            << L { "NG\r", "41943040\r", "OK\r" };
        QTest::newRow("refused parameters")
            << QStringList { u"--refuse-rtm"_s, u"--refuse-rnm"_s, u"--refuse-stm"_s }
            << L { "RTM", "RNM", "STM 05", "SNM 02" } << L { "N\r", "N\r", "NG\r", "OK\r" };
        QTest::newRow("answer instead of the value") << QStringList { u"--answer-rid"_s,
            u"4=268435455"_s } << L { "RID 04" } << L { "268435455\r" };
    }
    void exchanges()
    {
        QFETCH(QStringList, options);
        QFETCH(QList<QByteArray>, commands);
        QFETCH(QList<QByteArray>, replies);
        UnitSimulator unit(options);
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY2(port.open(), qPrintable(port.port().errorString()));
        for (qsizetype i = 0; i < commands.size(); ++i) {
            port.send(commands[i]);
            QTRY_COMPARE(port.received(), replies[i]);
        }
    }

    void logHoldsEachCommandLine()
    {
        UnitSimulator unit;
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        port.exchange("SID 000,041943040");
        port.exchange("RTM\n"); // a line feed is no part of the line
        port.exchange("RID 5");
        port.exchange(QByteArray(300, 'A'));
        QCOMPARE(unit.commandLog(),
            QStringList({ u"SID 000,041943040"_s, u"RTM"_s, u"RID 5"_s,
                u"[discarded: line of 300 bytes]"_s }));
    }

    void splitReplyArrivesInPieces()
    {
        UnitSimulator unit({ u"--split"_s, u"--split-pause"_s, u"30"_s });
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QCOMPARE(port.exchange("RID 00"), "41943040\r");
        QCOMPARE_GE(port.chunks().size(), 2);
        QVERIFY(!port.chunks().first().contains('\r'));
    }

    void silentUnitSendsNothing_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("silent") << QStringList { u"--silent"_s } << QByteArray("RTM");
        QTest::newRow("silent even to nonsense")
            << QStringList { u"--silent"_s } << QByteArray("X");
        QTest::newRow("silent RTM") << QStringList { u"--silent-rtm"_s } << QByteArray("RTM");
        QTest::newRow("silent SID of one slot")
            << QStringList { u"--silent-sid"_s, u"9"_s } << QByteArray("SID 009,000000001");
    }
    void silentUnitSendsNothing()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, command);
        UnitSimulator unit(options);
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QSignalSpy readyRead(&port.port(), &QSerialPort::readyRead);
        port.port().write(command + '\r');
        QVERIFY(!readyRead.wait(300));
        QTRY_COMPARE(unit.commandLog(), QStringList { QString::fromLatin1(command) });
    }

    void silentRtmStillAnswersRnm()
    {
        UnitSimulator unit({ u"--silent-rtm"_s });
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QCOMPARE(port.exchange("RTM", 300), QByteArray());
        QCOMPARE(port.exchange("RNM"), "1\r");
    }

    void bannerAtStartAndOnSignal()
    {
        UnitSimulator unit({ u"--banner"_s, u"NELOR Ver1.00"_s });
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QTRY_COMPARE(port.received(), "NELOR Ver1.00\r");
        unit.sendBanner();
        QTRY_COMPARE(port.received(), "NELOR Ver1.00\rNELOR Ver1.00\r");
    }

    void garbageAtStartPrecedesTheBanner()
    {
        UnitSimulator unit({ u"--garbage"_s, u"40"_s, u"--banner"_s, u"NELOR Ver1.00"_s });
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QTRY_VERIFY(port.received().endsWith("NELOR Ver1.00\r"));
        QCOMPARE(port.received().size(), 40 + 14);
        QVERIFY(!port.received().left(40).contains('\r'));
    }

    void delayedReply()
    {
        UnitSimulator unit({ u"--delay"_s, u"300"_s });
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port.exchange("RTM"), "2\r");
        QCOMPARE_GE(clock.elapsed(), 300);
    }

    // The application closes its port when the port dialog closes and opens
    // it again on the next exchange; the line must survive that.
    void closingAndReopeningThePortKeepsTheLine()
    {
        UnitSimulator unit;
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        {
            Port first(unit.devicePath());
            QVERIFY(first.open());
            QCOMPARE(first.exchange("STM 04"), "OK\r");
        }
        Port second(unit.devicePath());
        QVERIFY(second.open());
        QCOMPARE(second.exchange("RTM"), "4\r");
        QVERIFY(second.errors().isEmpty());
        QVERIFY(unit.isRunning());
    }

    void hangUpRaisesAnErrorAndReopens()
    {
        UnitSimulator unit({ u"--hangup-after"_s, u"2"_s, u"--reopen-after"_s, u"200"_s });
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QCOMPARE(port.exchange("STM 09"), "OK\r");
        port.port().write("RTM\r");
        QTRY_VERIFY(!port.errors().isEmpty());
        // A hung-up terminal reads as end of file, which QSerialPort reports as
        // ReadError on Linux; a device that fails otherwise gives ResourceError.
        QVERIFY2(port.errors().first() == QSerialPort::ReadError
                || port.errors().first() == QSerialPort::ResourceError,
            qPrintable(port.port().errorString()));
        QVERIFY(!port.port().isOpen());

        // A fresh line appears under the same name; the unit kept its state.
        QTRY_VERIFY(QFileInfo(unit.devicePath()).exists());
        Port again(unit.devicePath());
        QVERIFY2(again.open(), qPrintable(again.port().errorString()));
        QCOMPARE(again.exchange("RTM"), "9\r");
        QCOMPARE(unit.commandLog(), QStringList({ u"STM 09"_s, u"RTM"_s, u"RTM"_s }));
    }

    void pacedReplyTakesTheWireTime()
    {
        const QByteArray text(480, 'x');
        UnitSimulator unit({ u"--pace"_s, u"--answer-rid"_s, u"0="_s + QString::fromLatin1(text) });
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QCOMPARE(port.exchange("RID 00"), text + '\r');
        // Only a lower bound: a loaded machine may be slower, never faster.
        QCOMPARE_GE(port.msSinceFirstByte(), qint64(0.8 * wireMs(text.size())));
    }

    void streamedGarbageNeverEndsALine()
    {
        UnitSimulator unit({ u"--stream-garbage"_s });
        QVERIFY2(unit.start(), qPrintable(unit.errorString()));
        Port port(unit.devicePath());
        QVERIFY(port.open());
        QCOMPARE(port.exchange("RTM").left(2), "2\r");
        port.clear();
        QTRY_VERIFY(port.received().size() >= 2000);
        QVERIFY(!port.received().contains('\r'));
    }
};

QTEST_GUILESS_MAIN(TestUnitSim)
#include "tst_unitsim.moc"
