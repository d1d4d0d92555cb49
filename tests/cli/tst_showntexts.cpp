// What the main window's fields hold once it has shown a table: the texts a
// write or a compare from the command line gathers back.
#include "table/idcodetable.h"

#include <QTest>

Q_DECLARE_METATYPE(kalvidor::ScrollOffsets)

using namespace kalvidor;
using namespace Qt::StringLiterals;

class TestShownTexts : public QObject
{
    Q_OBJECT

private slots:
    void fieldsShowTheTableAsTheWindowLeavesThem_data()
    {
        QTest::addColumn<qint32>("base");
        QTest::addColumn<int>("slot"); // one slot set to `value`
        QTest::addColumn<qint32>("value");
        QTest::addColumn<ScrollOffsets>("offsets");
        QTest::addColumn<QString>("baseText");
        QTest::addColumn<int>("list"); // an IdList
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("rowText");

        QTest::newRow("registered operator 1")
            << 0x2801000 << 1 << 0x2801ABC << ScrollOffsets {} << u"2801000"_s
            << int(IdList::Operators) << 0 << u"2801ABC"_s;
        QTest::newRow("a slot equal to the base shows the no-ID mark")
            << 0x2801000 << 5 << 0x2801000 << ScrollOffsets {} << u"2801000"_s
            << int(IdList::Operators) << 4 << u"\u2015"_s;
        QTest::newRow("an ID too long for seven digits reads FFFFFFF")
            << 0x2801000 << 112 << -1 << ScrollOffsets {} << u"2801000"_s << int(IdList::Drivers)
            << 11 << u"FFFFFFF"_s;
        QTest::newRow("a base too long for seven digits reads FFFFFFF")
            << -1 << 113 << 0x1234 << ScrollOffsets {} << u"FFFFFFF"_s << int(IdList::HeavyMachines)
            << 0 << u"1234"_s;
        QTest::newRow("operators scrolled to their end")
            << 0x2801000 << 100 << 0x2801064 << ScrollOffsets { .operators = 88 } << u"2801000"_s
            << int(IdList::Operators) << 11 << u"2801064"_s;
        QTest::newRow("vehicles scrolled by one")
            << 0x2801000 << 164 << 0x28010A4 << ScrollOffsets { .vehicles = 1 } << u"2801000"_s
            << int(IdList::Vehicles) << 0 << u"28010A4"_s;
        QTest::newRow("the drivers do not scroll")
            << 0x2801000 << 101 << 0x2801065
            << ScrollOffsets { .operators = 5, .heavyMachines = 5, .vehicles = 5 } << u"2801000"_s
            << int(IdList::Drivers) << 0 << u"2801065"_s;
    }
    void fieldsShowTheTableAsTheWindowLeavesThem()
    {
        QFETCH(qint32, base);
        QFETCH(int, slot);
        QFETCH(qint32, value);
        QFETCH(ScrollOffsets, offsets);
        QFETCH(QString, baseText);
        QFETCH(int, list);
        QFETCH(int, row);
        QFETCH(QString, rowText);

        IdCodeTable table;
        table.Ids.fill(base);
        table.Ids[slot] = value;
        table.HoldTime = 15;
        table.OperatorAllowance = 3;
        const WindowTexts texts = shownTexts(table, offsets);
        QCOMPARE(texts.base, baseText);
        QCOMPARE(texts.list(IdList(list))[row], rowText);
        QCOMPARE(texts.holdTime, u"15"_s);
        QCOMPARE(texts.allowance, u"3"_s);
    }

    // Gathering what was shown changes a table only where the fields cannot
    // hold a value: an over-long ID in view becomes FFFFFFF, one out of view
    // stays as it was.
    void gatheringTheShownTextsKeepsWhatTheFieldsCanHold()
    {
        IdCodeTable table;
        table.Ids.fill(0x2801000);
        table.Ids[1] = -1; // operator 1, in view
        table.Ids[50] = -1; // operator 50, out of view
        table.Ids[113] = 0x2801234;
        table.HoldTime = 99;
        table.OperatorAllowance = 4;
        IdCodeTable expected = table;
        expected.Ids[1] = 0xFFFFFFF;

        const GatherResult result = GatherTexts(table, shownTexts(table, {}), {});
        QVERIFY(!result.holdTimeRejected);
        QVERIFY(!result.allowanceRejected);
        QCOMPARE(table.Ids, expected.Ids);
        QCOMPARE(table.HoldTime, qint16(99));
        QCOMPARE(table.OperatorAllowance, qint16(4));
    }
};

QTEST_GUILESS_MAIN(TestShownTexts)
#include "tst_showntexts.moc"
