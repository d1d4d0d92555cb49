// The simulator's own behaviour that the link and unit command tests do not
// already rely on: its strict reading of commands and the faults that shape
// the bytes on the line.
#include "unitsimulator.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The application's side of the line, collecting every byte that arrives.
class Port : public QObject
{
public:
    explicit Port(const QString &device)
    {
        port.setPortName(device);
        port.setBaudRate(QSerialPort::Baud38400); // 8N1 without flow control by default
        connect(&port, &QSerialPort::readyRead, this, [this] {
            if (received.isEmpty())
                sinceFirstByte.start();
            received += port.readAll();
        });
    }
    bool open() { return port.open(QIODevice::ReadWrite); }

    // Sends one command line; returns what arrived once a CR came, or by the limit.
    QByteArray exchange(const QByteArray &line, int limitMs = 2000)
    {
        received.clear();
        port.write(line + '\r');
        [[maybe_unused]] const bool ended
            = QTest::qWaitFor([&] { return received.contains('\r'); }, limitMs);
        return received;
    }

    QSerialPort port;
    QByteArray received;
    QElapsedTimer sinceFirstByte;
};

#define START(unit, port)                                                                          \
    QVERIFY2((unit).start(), qPrintable((unit).errorString()));                                    \
    Port port((unit).devicePath());                                                                \
    QVERIFY2(port.open(), qPrintable(port.port.errorString()))

} // namespace

class TestUnitSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!UnitSimulator::isAvailable())
            QFAIL("KALVIDOR_UNIT_SIM is not set");
    }

    // Each row: options, command lines and the exact reply to each (empty: none
    // within 300 ms), the command log (empty: the lines as sent) and the least
    // time the last reply takes from its first byte to its CR.
    void exchanges_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<QByteArray>>("commands");
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("spreadMs");
        using L = QList<QByteArray>;
        QTest::newRow("unknown commands")
            << QStringList() << L { "XYZ", "rtm", "RTM ", "", "SID" }
            << L { "NG\r", "NG\r", "NG\r", "NG\r", "NG\r" } << QStringList() << 0;
        QTest::newRow("badly padded commands")
            << QStringList()
            << L { "SID 7,4660", "SID 007 000004660", "SID 007,4660", "RID 7", "RID 007", "STM 5",
                   "SID 000,0041943040" }
            << L { "NG\r", "NG\r", "NG\r", "NG\r", "NG\r", "NG\r", "NG\r" } << QStringList() << 0;
        QTest::newRow("values out of range")
            << QStringList()
            << L { "RID 213", "SID 213,000000000", "SID 001,000065536", "STM 32768" }
            << L { "NG\r", "NG\r", "NG\r", "NG\r" } << QStringList() << 0;
        QTest::newRow("line feed ignored, over-long line refused")
            << QStringList() << L { "RTM\n", QByteArray(300, 'A') } << L { "2\r", "NG\r" }
            << QStringList { u"RTM"_s, u"[discarded: line of 300 bytes]"_s } << 0;
        QTest::newRow("negative remainder keeps its low 16 bits")
            << QStringList() << L { "SID 001,-000000005", "RID 01" }
            << L { "OK\r", QByteArray::number(0x280FFFB) + '\r' } << QStringList() << 0;
        QTest::newRow("refused write keeps the old value")
            << QStringList { u"--refuse-sid"_s, u"3"_s }
            << L { "SID 003,000000001", "RID 03", "SID 004,000000001" }
            << L { "NG\r", "41943040\r", "OK\r" } << QStringList() << 0;
        QTest::newRow("faults of one command only")
            << QStringList { u"--silent-rtm"_s, u"--refuse-rnm"_s, u"--refuse-snm"_s }
            << L { "RTM", "RNM", "SNM 02", "STM 05" } << L { "", "N\r", "NG\r", "OK\r" }
            << QStringList() << 0;
        QTest::newRow("split into single bytes")
            << QStringList { u"--split"_s, u"--split-pause"_s, u"30"_s } << L { "RID 00" }
            << L { "41943040\r" } << QStringList() << int(0.8 * 8 * 30);
        // 481 bytes at 38400 bit/s, 10 bits a byte, take 125 ms; a loaded
        // machine may be slower, never faster.
        const QByteArray text(480, 'x');
        QTest::newRow("paced at the wire rate")
            << QStringList { u"--pace"_s, u"--answer-rid"_s, u"0="_s + QString::fromLatin1(text) }
            << L { "RID 00" } << L { text + '\r' } << QStringList() << 100;
    }
    void exchanges()
    {
        QFETCH(QStringList, options);
        QFETCH(QList<QByteArray>, commands);
        QFETCH(QList<QByteArray>, replies);
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
};

QTEST_GUILESS_MAIN(TestUnitSim)
#include "tst_unitsim.moc"
