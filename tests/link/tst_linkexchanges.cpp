// The link against the unit simulator, through a real QSerialPort on a
// pseudo-terminal.
#include "link/unitlink.h"
#include "recordingmessenger.h"
#include "unitsimulator.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <poll.h>
#include <sys/resource.h>

#include <memory>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

const QString NotConnectedMessage = u"警報ユニットが接続されていません。"_s;

LinkLimits limitsOf(int ms)
{
    return { ms, ms, ms, ms, ms, ms };
}

// A simulated unit and a loaded link whose COM1 leads to it.
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
        link = std::make_unique<UnitLink>(LinkConfig { dir.path(), limits, tick }, messenger);
        link->load();
        return link->isPortOpen();
    }

    QSerialPort *port() const { return link->findChild<QSerialPort *>(u"com_Unit"_s); }
    QTimer *tickTimer() const { return link->findChild<QTimer *>(); }

    // Blocks without running the event loop until bytes wait on the port, as
    // when the program is busy elsewhere while the unit sends.
    bool bytesWaiting(int timeoutMs) const
    {
        pollfd fd { static_cast<int>(port()->handle()), POLLIN, 0 };
        return ::poll(&fd, 1, timeoutMs) == 1;
    }

    QTemporaryDir dir;
    RecordingMessenger messenger;
    UnitSimulator unit;
    LinkLimits limits;
    int tick;
    std::unique_ptr<UnitLink> link;
};

#define START(rig)                                                                                 \
    START_UNIT_SIMULATOR((rig).unit, (rig).dir.path(), 1);                                         \
    QVERIFY((rig).load())

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

class TestLinkExchanges : public QObject
{
    Q_OBJECT

private slots:
    void wholeTableWrittenAndReadBack()
    {
        // A reply that carries no ID value leaves its slot alone.
        Rig rig({ u"--answer-rid"_s, u"1=0"_s });
        START(rig);
        UnitLink &link = *rig.link;
        QSignalSpy progress(&link, &UnitLink::progress);
        QSignalSpy sent(&link, &UnitLink::sentCaptionChanged);
        QSignalSpy received(&link, &UnitLink::receivedCaptionChanged);

        std::array<qint32, SlotCount> table {};
        table.fill(0x2800000);
        table[7] = 0x2801234;
        table[99] = 0x2800063;
        table[100] = 0x2800064;
        table[212] = 0x280FFFF;
        QCOMPARE(link.setout(table), ExchangeOk);
        QCOMPARE(link.timout(12, 0), ExchangeOk);
        QCOMPARE(link.timout(3, 1), ExchangeOk);
        QCOMPARE(progress.count(), SlotCount);
        QCOMPARE(progress.last(), (QVariantList { SlotCount, SlotCount }));

        std::array<qint32, SlotCount> back {};
        back.fill(-5);
        QCOMPARE(link.setin(back), ExchangeOk);
        QCOMPARE(link.timin(0), qint16(12));
        QCOMPARE(link.timin(1), qint16(3));

        // Every command went out once, in order, without its CR.
        QStringList expected;
        for (int slot = 0; slot < SlotCount; ++slot)
            expected << sidCommand(slot, table[slot]).chopped(1);
        expected << u"STM 12"_s << u"SNM 03"_s;
        for (int slot = 0; slot < SlotCount; ++slot)
            expected << ridCommand(slot).chopped(1);
        expected << u"RTM"_s << u"RNM"_s;
        const QStringList log = rig.unit.commandLog();
        QCOMPARE(log, expected);
        QCOMPARE(log[7], u"SID 007,000004660"_s);

        // The unit gives each list slot the base ID's upper 16 bits back.
        std::array<qint32, SlotCount> expectedBack = table;
        expectedBack[1] = -5; // its reply carried no ID value
        QCOMPARE(back, expectedBack);
        QVERIFY(rig.messenger.messages().isEmpty());
        QCOMPARE(sent.last().first().toString(), u"送信：RNM\r"_s);
        QCOMPARE(received.last().first().toString(), u"受信：3\r"_s);
    }

    void replyShapes_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<qint16>("written");
        QTest::newRow("in pieces")
            << QStringList { u"--split"_s, u"--split-pause"_s, u"30"_s } << ExchangeOk;
        QTest::newRow("CR LF") << QStringList { u"--crlf"_s } << ExchangeOk;
        QTest::newRow("lower-case ok refuses")
            << QStringList { u"--lowercase-ok"_s } << ExchangeFailed;
    }
    void replyShapes()
    {
        QFETCH(QStringList, options);
        QFETCH(qint16, written);
        Rig rig(options + QStringList { u"--hold"_s, u"37"_s, u"--allowance"_s, u"4"_s });
        START(rig);
        QCOMPARE(rig.link->timout(5, 0), written);
        QCOMPARE(rig.link->timin(1), qint16(4));
        if (written == ExchangeOk)
            QCOMPARE(rig.link->timin(0), qint16(5));
        QVERIFY(rig.messenger.messages().isEmpty());
    }

    void readRefusedOnSlot50KeepsWhatCameBefore()
    {
        Rig rig({ u"--refuse-rid"_s, u"50"_s });
        START(rig);
        std::array<qint32, SlotCount> table {};
        for (int slot = 0; slot < SlotCount; ++slot)
            table[slot] = 0x2800000 + slot;
        QCOMPARE(rig.link->setout(table), ExchangeOk);
        std::array<qint32, SlotCount> back {};
        back.fill(7);
        QCOMPARE(rig.link->setin(back), ExchangeFailed);
        for (int slot = 0; slot < SlotCount; ++slot)
            QCOMPARE(back[slot], slot < 50 ? 0x2800000 + slot : 7);
        QCOMPARE(rig.unit.commandLog().last(), u"RID 50"_s);
        QVERIFY(rig.messenger.messages().isEmpty());
    }

    void silentUnitTimesOut()
    {
        Rig rig({ u"--silent"_s }, limitsOf(2000));
        START(rig);
        QSignalSpy received(rig.link.get(), &UnitLink::receivedCaptionChanged);
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds();
        QCOMPARE(rig.link->timin(0), ExchangeNotOpen);
        // The wait sleeps in the event loop: next to no processor time.
        const double cpu = cpuSeconds() - cpuBefore;
        QVERIFY2(clock.elapsed() >= 2000 && clock.elapsed() < 2500,
            qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(cpu < 0.2, qPrintable(QString::number(cpu)));
        QCOMPARE(received.last().first().toString(), u"受信待ち"_s);
        QCOMPARE(rig.messenger.texts(), QStringList { NotConnectedMessage });
        QCOMPARE(rig.messenger.messages().first().icon, MessageIcon::Information);
    }

    void endlessTextWithoutLineEndIsBounded()
    {
        // 300000 bytes without CR sit before the reply: the reply's CR falls
        // beyond the cap and the exchange times out.
        Rig rig({ u"--garbage"_s, u"300000"_s }, limitsOf(1500));
        START(rig);
        QCOMPARE(rig.link->timin(0), ExchangeNotOpen);
        QVERIFY(!rig.link->replyComplete());
        QCOMPARE(rig.link->receiveBuffer().size(), UnitLink::ReceiveBufferCap);
        // Left over outside an exchange, such text is dropped by the next tick.
        QSignalSpy ticks(rig.tickTimer(), &QTimer::timeout);
        QVERIFY(ticks.wait());
        QTRY_VERIFY(rig.link->receiveBuffer().size() < UnitLink::ReceiveBufferCap);
    }

    // A reply 300 ms late is read in time; an exchange asked for meanwhile
    // sends nothing.
    void secondExchangeWhileOneWaitsIsRefused()
    {
        Rig rig({ u"--delay"_s, u"300"_s, u"--hold"_s, u"37"_s }, limitsOf(2000));
        START(rig);
        qint16 second = 99;
        bool busyMeanwhile = false;
        QTimer::singleShot(50, rig.link.get(), [&] {
            busyMeanwhile = rig.link->isBusy();
            std::array<qint32, SlotCount> table {};
            second = rig.link->setout(table);
        });
        QCOMPARE(rig.link->timin(0), qint16(37));
        QVERIFY(busyMeanwhile);
        QCOMPARE(second, ExchangeBusy);
        QCOMPARE(rig.unit.commandLog(), QStringList { u"RTM"_s });
        QVERIFY(rig.messenger.messages().isEmpty());
        QVERIFY(!rig.link->isBusy());
    }

    void unsolicitedTextShownOnceAndRepliesNever_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("replaces");
        QTest::addColumn<QString>("shown");
        QTest::newRow("version banner") << QStringList { u"--banner"_s, u"XYZVer1.23"_s,
            u"--crlf"_s } << true << u"ROM Ver1.23\r\n"_s;
        QTest::newRow("other text")
            << QStringList { u"--banner"_s, u"HELLO"_s } << false << u"HELLO\r"_s;
    }
    void unsolicitedTextShownOnceAndRepliesNever()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, replaces);
        QFETCH(QString, shown);
        Rig rig(options);
        START(rig);
        QSignalSpy replaced(rig.link.get(), &UnitLink::receiveDisplayReplaced);
        QSignalSpy appended(rig.link.get(), &UnitLink::receiveDisplayAppended);
        QSignalSpy &display = replaces ? replaced : appended;
        QSignalSpy ticks(rig.tickTimer(), &QTimer::timeout);
        const auto twoTicksPass = [&] {
            ticks.clear();
            QTRY_VERIFY(ticks.count() >= 2);
        };

        QTRY_COMPARE(display.count(), 1);
        QCOMPARE(display.first().first().toString(), shown);
        QCOMPARE(rig.link->timout(5, 0), ExchangeOk); // its "OK" is not shown
        twoTicksPass();
        rig.unit.sendBanner();
        QTRY_COMPARE(display.count(), 2);
        twoTicksPass();
        QCOMPARE(replaced.count() + appended.count(), 2);
        QCOMPARE(display.last().first().toString(), shown);
        QVERIFY(rig.link->receiveBuffer().isEmpty());
    }

    void tickLeavesAReplyInProgressAlone()
    {
        // The reply trickles in over several ticks (from 250 to 610 ms), after an earlier "OK".
        Rig rig({ u"--hold"_s, u"12345"_s, u"--delay"_s, u"250"_s, u"--split"_s, u"--split-pause"_s,
                    u"60"_s },
            LinkLimits { 400, 400, 2000, 2000, 2000, 2000 }, 50);
        START(rig);
        QSignalSpy appended(rig.link.get(), &UnitLink::receiveDisplayAppended);
        QSignalSpy ticks(rig.tickTimer(), &QTimer::timeout);
        QCOMPARE(rig.link->timout(12345, 1), ExchangeOk);
        ticks.clear();
        // The clear button pressed halfway through the reply leaves it alone too.
        QTimer::singleShot(400, rig.link.get(), [&] { rig.link->Init_Ibuf(); });
        QCOMPARE(rig.link->timin(0), qint16(12345));
        QVERIFY(ticks.count() >= 4);
        QCOMPARE(rig.link->lastReply(), u"12345\r"_s);
        QCOMPARE(appended.count(), 0);
    }

    void textWaitingBeforeACommandIsNotItsReply_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("shownFirst"); // on the receive display, before the reply
        QTest::newRow("banner before the port opened")
            << QStringList { u"--banner"_s, u"XYZVer1.23"_s } << u"ROM Ver1.23\r"_s;
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
            LinkLimits { 400, 400, 400, 400, 100, 2000 }, 60000);
        START(rig);
        QSignalSpy shown(rig.link.get(),
            late ? &UnitLink::receiveDisplayAppended : &UnitLink::receiveDisplayReplaced);
        if (late) {
            QCOMPARE(rig.link->timin(0), ExchangeNotOpen); // 100 ms is too short
            rig.messenger.clear();
        }
        QVERIFY(rig.bytesWaiting(2000));
        QCOMPARE(rig.link->timin(1), qint16(4));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.first().first().toString(), shownFirst);
        QVERIFY(rig.messenger.messages().isEmpty());
    }
};

QTEST_MAIN(TestLinkExchanges)
#include "tst_linkexchanges.moc"
