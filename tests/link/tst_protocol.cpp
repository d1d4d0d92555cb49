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
        constexpr auto hold = UnitParameter::HoldTime;
        constexpr auto allowance = UnitParameter::OperatorAllowance;
        QTest::newRow("hold time 2") << writeParameterCommand(hold, 2) << u"STM 02\r"_s;
        QTest::newRow("hold time 100 not cut")
            << writeParameterCommand(hold, 100) << u"STM 100\r"_s;
        QTest::newRow("negative allowance")
            << writeParameterCommand(allowance, -3) << u"SNM -03\r"_s;
        QTest::newRow("read hold time") << readParameterCommand(hold) << u"RTM\r"_s;
        QTest::newRow("read allowance") << readParameterCommand(allowance) << u"RNM\r"_s;
    }
    void commandTexts()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        QCOMPARE(command, expected);
    }

    // Every reply through every evaluation: a write's acceptance, a read's
    // refusal and ID value (-1: none, the slot stays), a parameter's value,
    // whether it can only be a late answer to a read (a number while a
    // write waits) or to a write ("OK" while a read waits), and whether it
    // refuses a parameter read (only "N…" does; "R…" refuses an ID read).
    void replies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<qint32>("id");
        QTest::addColumn<qint16>("parameter");
        QTest::addColumn<bool>("lateRead");
        QTest::addColumn<bool>("lateWrite");
        QTest::addColumn<bool>("parameterRefused");
        const auto row = [](const char *name, const QString &reply, bool accepted, bool refused,
                             qint32 id, qint16 parameter, bool lateRead = false,
                             bool lateWrite = false, bool parameterRefused = false) {
            QTest::newRow(name) << reply << accepted << refused << id << parameter << lateRead
                                << lateWrite << parameterRefused;
        };
        row("OK", u"OK\r"_s, true, false, -1, 0, false, true);
        row("OK with more text", u"OK slot 3\r"_s, true, false, -1, 0, false, true);
        row("lower-case ok", u"ok\r"_s, false, false, -1, 0);
        row("O alone", u"O\r"_s, false, false, -1, 0);
        row("leading blank", u" OK\r"_s, false, false, -1, 0);
        row("NG refuses a read too", u"NG\r"_s, false, true, -1, 0, false, false, true);
        row("N with a number", u"N5\r"_s, false, true, -1, 0, false, false, true);
        row("R refuses a read only", u"R12\r"_s, false, true, -1, 0);
        row("lower n is a reply", u"n\r"_s, false, false, -1, 0);
        row("ID value", u"41943040\r"_s, false, false, 41943040, 0, true, false);
        row("largest ID taken", u"268435454\r"_s, false, false, 268435454, 0, true, false);
        row("FFFFFFF not taken", u"268435455\r"_s, false, false, -1, 0, true, false);
        row("zero", u"0\r"_s, false, false, -1, 0, true, false);
        row("half to even", u"2.5\r"_s, false, false, 2, 2, true, false);
        row("beyond 32 bits", u"1E12\r"_s, false, false, -1, 0, true, false);
        row("minus one", u"-1\r"_s, false, false, -1, -1, true, false);
        row("largest 16-bit", u"32767\r"_s, false, false, 32767, 32767, true, false);
        row("beyond 16 bits", u"32768\r"_s, false, false, 32768, 0, true, false);
        row("below 16 bits", u"-32769\r"_s, false, false, -1, 0, true, false);
    }
    void replies()
    {
        QFETCH(QString, reply);
        QFETCH(bool, accepted);
        QFETCH(bool, refused);
        QFETCH(qint32, id);
        QFETCH(qint16, parameter);
        QFETCH(bool, lateRead);
        QFETCH(bool, lateWrite);
        QFETCH(bool, parameterRefused);
        QCOMPARE(isWriteAccepted(reply), accepted);
        QCOMPARE(isReadRefused(reply), refused);
        if (!refused)
            QCOMPARE(ridReplyValue(reply).value_or(-1), id);
        QCOMPARE(parameterReplyValue(reply), parameter);
        QCOMPARE(isParameterReadRefused(reply), parameterRefused);
        QCOMPARE(isOtherKindOfReply(ReplyKind::Acknowledgement, reply.toLatin1()), lateRead);
        QCOMPARE(isOtherKindOfReply(ReplyKind::Value, reply.toLatin1()), lateWrite);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
