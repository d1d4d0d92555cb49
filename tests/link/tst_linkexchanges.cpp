// The link against the unit simulator, through a real QSerialPort on a
// pseudo-terminal.
#include "link/unitlink.h"
#include "session/unitsession.h"
#include "unitsimulator.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <poll.h>

#include <memory>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

LinkLimits limitsOf(int ms)
{
    return { .sid = ms, .rid = ms, .stm = ms, .snm = ms, .rtm = ms, .rnm = ms };
}

// A simulated unit and a loaded link on its device.
struct Rig
{
    explicit Rig(QStringList options, LinkLimits limits = limitsOf(400), int tick = 100)
        : unit(std::move(options))
        , limits(limits)
        , tick(tick)
    {
    }

    // Loads the link once the unit runs; whether the port opened.
    bool load()
    {
        link = std::make_unique<UnitLink>(
            LinkConfig { .device = [this] { return unit.devicePath(); },
                .limits = limits,
                .tickInterval = tick });
        session = std::make_unique<UnitSession>(*link);
        link->load();
        return link->isPortOpen();
    }

    QSerialPort *port() const { return link->findChild<QSerialPort *>(); }
    QTimer *tickTimer() const { return link->findChild<QTimer *>(); }

    // Blocks without running the event loop until bytes wait on the port, as
    // when the program is busy elsewhere while the unit sends.
    bool bytesWaiting(int timeoutMs) const
    {
        pollfd fd { static_cast<int>(port()->handle()), POLLIN, 0 };
        return ::poll(&fd, 1, timeoutMs) == 1;
    }

    QTemporaryDir dir;
    UnitSimulator unit;
    LinkLimits limits;
    int tick;
    std::unique_ptr<UnitLink> link;
    std::unique_ptr<UnitSession> session;
};

constexpr auto Hold = UnitParameter::HoldTime;
constexpr auto Allowance = UnitParameter::OperatorAllowance;

#define START(rig)                                                                                 \
    START_UNIT_SIMULATOR((rig).unit, (rig).dir.path(), 1);                                         \
    QVERIFY((rig).load())

} // namespace

class TestLinkExchanges : public QObject
{
    Q_OBJECT

private slots:
    void replyShapes_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<ExchangeStatus>("written");
        QTest::newRow("in pieces") << QStringList { u"--split"_s, u"--split-pause"_s, u"30"_s }
                                   << ExchangeStatus::Answered;
        QTest::newRow("CR LF") << QStringList { u"--crlf"_s } << ExchangeStatus::Answered;
        QTest::newRow("lower-case ok refuses")
            << QStringList { u"--lowercase-ok"_s } << ExchangeStatus::Refused;
    }
    void replyShapes()
    {
        QFETCH(QStringList, options);
        QFETCH(ExchangeStatus, written);
        Rig rig(options + QStringList { u"--hold"_s, u"37"_s, u"--allowance"_s, u"4"_s });
        START(rig);
        QCOMPARE(rig.link->writeParameter(Hold, 5).status, written);
        QCOMPARE(parameterReplyValue(rig.link->readParameter(Allowance).reply), qint16(4));
        if (written == ExchangeStatus::Answered)
            QCOMPARE(parameterReplyValue(rig.link->readParameter(Hold).reply), qint16(5));
    }

    // A refused ID read stops the read (N or R); a parameter out of range
    // leaves the table's own value and the read goes on.
    void readStopsOrSkipsWhereTheUnitSaysNo_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<SequenceStatus>("status");
        QTest::addColumn<int>("answered");
        QTest::addColumn<int>("keptFromSlot"); // slots from here on keep their old value
        QTest::addColumn<qint16>("holdTime");
        QTest::addColumn<qint16>("allowance");
        QTest::newRow("RID of slot 50 refused with N")
            << QStringList { u"--refuse-rid"_s, u"50"_s } << SequenceStatus::Refused << 50 << 50
            << qint16(7) << qint16(2);
        QTest::newRow("RID of slot 51 answered R")
            << QStringList { u"--answer-rid"_s, u"51=R1"_s } << SequenceStatus::Refused << 51 << 51
            << qint16(7) << qint16(2);
        QTest::newRow("hold time 150 and allowance 5 out of range")
            << QStringList { u"--hold"_s, u"150"_s, u"--allowance"_s, u"5"_s }
            << SequenceStatus::Completed << 215 << 213 << qint16(7) << qint16(2);
        QTest::newRow("hold time 99 and allowance 1, the ends of the ranges")
            << QStringList { u"--hold"_s, u"99"_s, u"--allowance"_s, u"1"_s }
            << SequenceStatus::Completed << 215 << 213 << qint16(99) << qint16(1);
    }
    void readStopsOrSkipsWhereTheUnitSaysNo()
    {
        QFETCH(QStringList, options);
        QFETCH(SequenceStatus, status);
        QFETCH(int, answered);
        QFETCH(int, keptFromSlot);
        QFETCH(qint16, holdTime);
        QFETCH(qint16, allowance);
        // Later options win: the rows' own --hold and --allowance come last.
        // Slot 2 answers 0 and slot 3 "OK": neither is a value, both slots
        // keep theirs and the read goes on without waiting.
        Rig rig(QStringList { u"--hold"_s, u"4"_s, u"--allowance"_s, u"4"_s, u"--answer-rid"_s,
                    u"2=0"_s, u"--answer-rid"_s, u"3=OK"_s }
            + options);
        START(rig);
        for (int slot = 0; slot < SlotCount; ++slot)
            QVERIFY(rig.link->writeId(slot, 0x2800000 + slot).answered());

        IdCodeTable back;
        back.ids.fill(7);
        back.holdTime = 7;
        back.operatorAllowance = 2;
        const ReadOutcome outcome = rig.session->read(back);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.answered, answered);
        for (int slot = 0; slot < SlotCount; ++slot)
            QCOMPARE(back.ids[slot],
                slot < keptFromSlot && slot != 2 && slot != 3 ? 0x2800000 + slot : 7);
        QCOMPARE(back.holdTime, holdTime);
        QCOMPARE(back.operatorAllowance, allowance);
    }

    // With no reply overdue, a reply shaped for the other kind of command is
    // this command's own: a number answering SID refuses the write at once.
    // After a time-out the one reply it owes is set aside, and only that one.
    void replyOfTheOtherKindIsSetAsideOnlyWhileOneIsOverdue()
    {
        Rig rig({ u"--answer-sid"_s, u"5=12"_s, u"--delay-line"_s, u"RTM=300"_s, u"--delay-line"_s,
                    u"SID 004,000000004=600"_s, u"--hold"_s, u"37"_s },
            limitsOf(2000));
        START(rig);
        const ExchangeResult refused = rig.link->writeId(5, 0x2800005);
        QCOMPARE(refused.status, ExchangeStatus::Refused);
        QCOMPARE(refused.reply, u"12\r"_s);

        rig.link->unload();
        rig.limits.rtm = 100;
        QVERIFY(rig.load());
        QCOMPARE(rig.link->readParameter(Hold).status, ExchangeStatus::NoReply);
        // "37" arrives while SID 4 waits for its (delayed) "OK": set aside.
        QSignalSpy text(rig.link.get(), &UnitLink::unitTextReceived);
        QVERIFY(rig.link->writeId(4, 0x2800004).answered());
        // Handed out first, before the write's own last reply.
        QTRY_VERIFY(!text.isEmpty());
        QCOMPARE(text.first().first().toString(), u"37\r"_s);
        // The late reply came: the next number answering SID refuses again.
        QCOMPARE(rig.link->writeId(5, 0x2800005).status, ExchangeStatus::Refused);
    }

    void endlessTextWithoutLineEndIsBounded()
    {
        // 300000 bytes without CR sit before the reply: the reply's CR falls
        // beyond the cap and the exchange times out.
        Rig rig({ u"--garbage"_s, u"300000"_s }, limitsOf(1500));
        START(rig);
        QCOMPARE(rig.link->readParameter(Hold).status, ExchangeStatus::NoReply);
        QVERIFY(!rig.link->replyComplete());
        QCOMPARE(rig.link->receiveBuffer().size(), UnitLink::ReceiveBufferCap);
        // Left over outside an exchange, such text is dropped by the next tick.
        QSignalSpy ticks(rig.tickTimer(), &QTimer::timeout);
        QVERIFY(ticks.wait());
        QTRY_VERIFY(rig.link->receiveBuffer().size() < UnitLink::ReceiveBufferCap);
    }

    // A reply 300 ms late is read in time; an exchange or a sequence asked
    // for meanwhile sends nothing.
    void secondExchangeWhileOneWaitsIsRefused()
    {
        Rig rig({ u"--delay"_s, u"300"_s, u"--hold"_s, u"37"_s }, limitsOf(2000));
        START(rig);
        ExchangeStatus second = ExchangeStatus::Answered;
        SequenceStatus sequence = SequenceStatus::Completed;
        bool busyMeanwhile = false;
        QTimer::singleShot(50, rig.link.get(), [&] {
            busyMeanwhile = rig.link->isBusy();
            second = rig.link->writeId(0, 5).status;
            IdCodeTable table;
            table.holdTime = 2;
            table.operatorAllowance = 1;
            sequence = rig.session->write(table).status;
        });
        const ExchangeResult first = rig.link->readParameter(Hold);
        QCOMPARE(parameterReplyValue(first.reply), qint16(37));
        QVERIFY(busyMeanwhile);
        QCOMPARE(second, ExchangeStatus::Busy);
        QCOMPARE(sequence, SequenceStatus::Busy);
        QCOMPARE(rig.unit.commandLog(), QStringList { u"RTM"_s });
        QVERIFY(!rig.link->isBusy());
    }

    // The unit's own text, and the last reply of each sequence, reach the
    // receive display once each, at the next tick; a sequence's other replies never.
    void unitTextHandedOutOnce_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("banner");
        QTest::newRow("version banner")
            << QStringList { u"--banner"_s, u"XYZVer1.23"_s, u"--crlf"_s } << u"XYZVer1.23\r\n"_s;
        QTest::newRow("other text") << QStringList { u"--banner"_s, u"HELLO"_s } << u"HELLO\r"_s;
    }
    void unitTextHandedOutOnce()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, banner);
        const QString lineEnd = banner.endsWith(u'\n') ? u"\r\n"_s : u"\r"_s;
        Rig rig(options);
        START(rig);
        QSignalSpy text(rig.link.get(), &UnitLink::unitTextReceived);
        QSignalSpy ticks(rig.tickTimer(), &QTimer::timeout);
        const auto twoTicksPass = [&] {
            ticks.clear();
            QTRY_VERIFY(ticks.count() >= 2);
        };

        QTRY_COMPARE(text.count(), 1);
        QCOMPARE(text.first().first().toString(), banner);
        IdCodeTable table;
        table.holdTime = 5;
        table.operatorAllowance = 2;
        QCOMPARE(rig.session->write(table).status, SequenceStatus::Completed);
        QCOMPARE(text.count(), 1);
        twoTicksPass();
        QCOMPARE(text.count(), 2);
        QCOMPARE(text.last().first().toString(), u"OK"_s + lineEnd); // SNM's, not SID's
        rig.unit.sendBanner();
        QTRY_COMPARE(text.count(), 3);
        twoTicksPass();
        QCOMPARE(text.count(), 3);
        QCOMPARE(text.last().first().toString(), banner);
        QVERIFY(rig.link->receiveBuffer().isEmpty());
    }

    void tickLeavesAReplyInProgressAlone()
    {
        // The reply trickles in over several ticks (from 250 to 610 ms), after an earlier "OK".
        Rig rig({ u"--hold"_s, u"12345"_s, u"--delay"_s, u"250"_s, u"--split"_s, u"--split-pause"_s,
                    u"60"_s },
            LinkLimits {
                .sid = 400, .rid = 400, .stm = 2000, .snm = 2000, .rtm = 2000, .rnm = 2000 },
            50);
        START(rig);
        QSignalSpy text(rig.link.get(), &UnitLink::unitTextReceived);
        QSignalSpy ticks(rig.tickTimer(), &QTimer::timeout);
        QVERIFY(rig.link->writeParameter(Allowance, 12345).answered());
        ticks.clear();
        rig.link->clearReceived(); // the earlier "OK" is not handed out now
        // The clear button pressed halfway through the reply leaves it alone.
        QTimer::singleShot(400, rig.link.get(), [&] { rig.link->clearReceived(); });
        QCOMPARE(parameterReplyValue(rig.link->readParameter(Hold).reply), qint16(12345));
        QVERIFY(ticks.count() >= 4);
        QCOMPARE(text.count(), 0);
    }

    // Text that waits before a command is written is not its reply: a
    // banner sent before the port opened, a late reply that is already there.
    void textWaitingBeforeACommandIsNotItsReply_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("shownFirst");
        QTest::newRow("banner before the port opened")
            << QStringList { u"--banner"_s, u"XYZVer1.23"_s } << u"XYZVer1.23\r"_s;
        QTest::newRow("late reply to a timed-out command")
            << QStringList { u"--delay"_s, u"300"_s } << u"37\r"_s;
    }
    void textWaitingBeforeACommandIsNotItsReply()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, shownFirst);
        const bool late = shownFirst == u"37\r"_s;
        // A tick that never comes in time: only the exchange itself may pick the text up.
        Rig rig(options + QStringList { u"--hold"_s, u"37"_s, u"--allowance"_s, u"4"_s },
            LinkLimits { .sid = 400, .rid = 400, .stm = 400, .snm = 400, .rtm = 100, .rnm = 2000 },
            60000);
        START(rig);
        QSignalSpy text(rig.link.get(), &UnitLink::unitTextReceived);
        if (late)
            QCOMPARE(rig.link->readParameter(Hold).status,
                ExchangeStatus::NoReply); // 100 ms is too short
        QVERIFY(rig.bytesWaiting(2000));
        const ExchangeResult r = rig.link->readParameter(Allowance);
        QCOMPARE(parameterReplyValue(r.reply), qint16(4));
        QCOMPARE(text.count(), 1);
        QCOMPARE(text.first().first().toString(), shownFirst);
    }
};

QTEST_MAIN(TestLinkExchanges)
#include "tst_linkexchanges.moc"
