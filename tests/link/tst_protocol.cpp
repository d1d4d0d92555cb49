#include "link/protocol.h"

#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void commandTexts_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        QTest::newRow("base ID sent whole") << sidCommand(0, 0x2800000) << u"SID 000,041943040\r"_s;
        QTest::newRow("list slot keeps the low 16 bits")
            << sidCommand(1, 0x2800000) << u"SID 001,000000000\r"_s;
        QTest::newRow("SID slot 99 three digits") << sidCommand(99, 5) << u"SID 099,000000005\r"_s;
        QTest::newRow("SID slot 212") << sidCommand(212, 65535) << u"SID 212,000065535\r"_s;
        QTest::newRow("negative element keeps its sign")
            << sidCommand(3, -70000) << u"SID 003,-000004464\r"_s;
        QTest::newRow("ten-digit base ID is not cut")
            << sidCommand(0, 2147483647) << u"SID 000,2147483647\r"_s;
        QTest::newRow("most negative base ID")
            << sidCommand(0, -2147483647 - 1) << u"SID 000,-2147483648\r"_s;
        QTest::newRow("RID slot 5") << ridCommand(5) << u"RID 05\r"_s;
        QTest::newRow("RID slot 100 grows") << ridCommand(100) << u"RID 100\r"_s;
        QTest::newRow("hold time 2") << timoutCommand(2, 0) << u"STM 02\r"_s;
        QTest::newRow("hold time 100 not cut") << timoutCommand(100, 0) << u"STM 100\r"_s;
        QTest::newRow("negative allowance") << timoutCommand(-3, 1) << u"SNM -03\r"_s;
        QTest::newRow("unknown write mode") << timoutCommand(5, 2) << QString();
        QTest::newRow("unknown read mode") << timinCommand(-1) << QString();
    }
    void commandTexts()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        QCOMPARE(command, expected);
    }

    void writeReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("OK") << u"OK\r"_s << true;
        QTest::newRow("OK with more text") << u"OK slot 3\r"_s << true;
        QTest::newRow("lower case") << u"ok\r"_s << false;
        QTest::newRow("refusal") << u"NG\r"_s << false;
        QTest::newRow("O alone") << u"O\r"_s << false;
        QTest::newRow("leading blank") << u" OK\r"_s << false;
    }
    void writeReplies()
    {
        QFETCH(QString, reply);
        QFETCH(bool, accepted);
        QCOMPARE(isWriteAccepted(reply), accepted);
    }

    void readReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<qint32>("value"); // -1: no value, the slot stays unchanged
        QTest::newRow("plain value") << u"41943040\r"_s << false << 41943040;
        QTest::newRow("largest value taken") << u"268435454\r"_s << false << 268435454;
        QTest::newRow("FFFFFFF not taken") << u"268435455\r"_s << false << -1;
        QTest::newRow("zero not taken") << u"0\r"_s << false << -1;
        QTest::newRow("no number reads as 0") << u"OK\r"_s << false << -1;
        QTest::newRow("half goes to even") << u"2.5\r"_s << false << 2;
        QTest::newRow("beyond 32 bits") << u"1E12\r"_s << false << -1;
        QTest::newRow("N refuses") << u"N\r"_s << true << -1;
        QTest::newRow("R refuses") << u"R12\r"_s << true << -1;
        QTest::newRow("lower n is a reply") << u"n\r"_s << false << -1;
    }
    void readReplies()
    {
        QFETCH(QString, reply);
        QFETCH(bool, refused);
        QFETCH(qint32, value);
        QCOMPARE(isReadRefused(reply), refused);
        if (!refused)
            QCOMPARE(ridReplyValue(reply).value_or(-1), value);
    }

    void parameterReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<qint16>("value");
        QTest::newRow("hold time") << u"2\r"_s << qint16(2);
        QTest::newRow("N gives 0") << u"N\r"_s << qint16(0);
        QTest::newRow("N with a number") << u"N5\r"_s << qint16(0);
        QTest::newRow("R is read as a number") << u"R\r"_s << qint16(0);
        QTest::newRow("minus one") << u"-1\r"_s << qint16(-1);
        QTest::newRow("largest 16-bit") << u"32767\r"_s << qint16(32767);
        QTest::newRow("beyond 16 bits gives 0") << u"32768\r"_s << qint16(0);
        QTest::newRow("below 16 bits gives 0") << u"-32769\r"_s << qint16(0);
    }
    void parameterReplies()
    {
        QFETCH(QString, reply);
        QFETCH(qint16, value);
        QCOMPARE(timinReplyValue(reply), value);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
