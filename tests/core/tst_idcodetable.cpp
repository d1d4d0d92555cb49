#include "table/idcodetable.h"
#include "table/identry.h"

#include <QTest>

#include <limits>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// The texts a freshly shown window would hold for a table at given offsets.
WindowTexts textsOf(const IdCodeTable &t, ScrollOffsets o)
{
    WindowTexts w;
    w.base = idText(t.ids[0]);
    const auto fill = [&](IdList list, int offset) {
        for (int r = 0; r < RowsPerList; ++r)
            w.list(list)[r] = rowText(t, slotOfRow(list, offset, r));
    };
    fill(IdList::Operators, o.operators);
    fill(IdList::Drivers, 0);
    fill(IdList::HeavyMachines, o.heavyMachines);
    fill(IdList::Vehicles, o.vehicles);
    w.holdTime = QString::number(t.holdTime);
    w.allowance = QString::number(t.operatorAllowance);
    return w;
}

IdCodeTable defaults()
{
    IdCodeTable t;
    resetTableToDefaults(t);
    return t;
}

} // namespace

class TestIdCodeTable : public QObject
{
    Q_OBJECT

private slots:
    void hexIdTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("value");
        QTest::newRow("mixed case") << u"1a2B"_s << 6699;
        QTest::newRow("non-digit counts as zero") << u"12G4"_s << 4612;
        QTest::newRow("eight characters") << u"12345678"_s << -1;
        QTest::newRow("eight blanks") << u"        "_s << -1;
        QTest::newRow("empty") << u""_s << 0;
        QTest::newRow("no-ID mark") << u"\u2015"_s << 0;
        QTest::newRow("seven F") << u"FFFFFFF"_s << 0xFFFFFFF;
        QTest::newRow("blanks are zeros") << u"1 1"_s << 0x101;
        QTest::newRow("full-width digit is zero") << u"\uFF11"_s << 0;
    }
    void hexIdTexts()
    {
        QFETCH(QString, text);
        QFETCH(qint32, value);
        QCOMPARE(parseHexId(text), value);
    }

    void idTextIsUpperHexWithoutLeadingZeros()
    {
        QCOMPARE(idText(0), u"0");
        QCOMPARE(idText(6699), u"1A2B");
        QCOMPARE(idText(-1), u"FFFFFFFF");
        QCOMPARE(idText(std::numeric_limits<qint32>::min()), u"80000000");
        QCOMPARE(parseHexId(idText(0xFFFFFFF)), 0xFFFFFFF);
    }

    // The window's reset with a base that reads as -1 keeps its upper 16 bits.
    void clearWithAnUnreadableBase()
    {
        IdCodeTable t = defaults();
        t.ids[7] = 0x2801234;
        clearTableKeepingBasePrefix(t, u"12345678");
        QCOMPARE(idText(t.ids[0]), u"FFFF0000");
        QCOMPARE(rowText(t, 7), NoIdMark.toString());
    }

    void gatherAndShowRoundTripAtEveryOffset_data()
    {
        QTest::addColumn<int>("heavy");
        QTest::addColumn<int>("vehicles");
        QTest::addColumn<int>("operators");
        QTest::newRow("top") << 0 << 0 << 0;
        QTest::newRow("maxima") << 38 << 38 << 88;
        QTest::newRow("middle") << 17 << 3 << 50;
    }
    void gatherAndShowRoundTripAtEveryOffset()
    {
        QFETCH(int, heavy);
        QFETCH(int, vehicles);
        QFETCH(int, operators);
        IdCodeTable shown = defaults();
        for (int s = 1; s < SlotCount; s += 2)
            shown.ids[s] = 0x2800000 + s;
        const ScrollOffsets o { .operators = qint16(operators),
            .heavyMachines = qint16(heavy),
            .vehicles = qint16(vehicles) };
        // Into an empty table: exactly the slots in view take their IDs.
        IdCodeTable gathered = defaults();
        const GatherResult result = gatherTexts(gathered, textsOf(shown, o), o);
        QVERIFY(!result.holdTimeRejected && !result.allowanceRejected);
        IdCodeTable expected = defaults();
        const std::pair<IdList, int> lists[]
            = { { IdList::Operators, operators }, { IdList::Drivers, 0 },
                  { IdList::HeavyMachines, heavy }, { IdList::Vehicles, vehicles } };
        for (const auto &[list, offset] : lists) {
            for (int r = 0; r < RowsPerList; ++r)
                expected.ids[slotOfRow(list, offset, r)] = shown.ids[slotOfRow(list, offset, r)];
        }
        QCOMPARE(gathered.ids, expected.ids);
    }

    void changingTheBaseKeepsEmptySlotsEmptyEvenOutOfView()
    {
        IdCodeTable t = defaults();
        t.ids[150] = 0x2805555; // a real ID out of view
        WindowTexts w = textsOf(t, {});
        w.base = u"2900000"_s;
        w.list(IdList::Operators)[0] = u"2900001"_s;
        gatherTexts(t, w, {});
        QCOMPARE(t.ids[0], 0x2900000);
        QCOMPARE(t.ids[1], 0x2900001);
        QCOMPARE(t.ids[2], 0x2900000); // visible empty row
        QCOMPARE(t.ids[99], 0x2900000); // empty row out of view
        QCOMPARE(t.ids[212], 0x2900000); // empty row out of view
        QCOMPARE(t.ids[150], 0x2805555); // a real ID stays
        QCOMPARE(rowText(t, 99), NoIdMark.toString());
    }

    void parameterChecks_data()
    {
        QTest::addColumn<QString>("hold");
        QTest::addColumn<QString>("allowance");
        QTest::addColumn<int>("holdAfter"); // -1: rejected, the previous 7 stays
        QTest::addColumn<int>("allowanceAfter"); // -1: rejected, the previous 3 stays
        QTest::newRow("fraction rounds down") << u"2.9"_s << u"4"_s << 2 << 4;
        QTest::newRow("upper bounds") << u"99"_s << u"4"_s << 99 << 4;
        QTest::newRow("zero") << u"0"_s << u"1"_s << -1 << 1;
        QTest::newRow("hundred") << u"100"_s << u"1"_s << -1 << 1;
        QTest::newRow("letters") << u"abc"_s << u"1"_s << -1 << 1;
        QTest::newRow("allowance five") << u"5"_s << u"5"_s << 5 << -1;
        QTest::newRow("both wrong") << u"0"_s << u"0"_s << -1 << -1;
        QTest::newRow("beyond 16 bits") << u"70000"_s << u"-40000"_s << -1 << -1;
        QTest::newRow("huge exponent") << u"1E99"_s << u"4"_s << -1 << 4;
    }
    void parameterChecks()
    {
        QFETCH(QString, hold);
        QFETCH(QString, allowance);
        QFETCH(int, holdAfter);
        QFETCH(int, allowanceAfter);
        IdCodeTable t = defaults();
        t.holdTime = 7;
        t.operatorAllowance = 3;
        WindowTexts w = textsOf(t, {});
        w.list(IdList::Drivers)[5] = u"2801234"_s;
        w.holdTime = hold;
        w.allowance = allowance;
        const GatherResult r = gatherTexts(t, w, {});
        QCOMPARE(r.holdTimeRejected, holdAfter < 0);
        QCOMPARE(r.allowanceRejected, allowanceAfter < 0);
        QCOMPARE(t.holdTime, holdAfter < 0 ? 7 : holdAfter);
        QCOMPARE(t.operatorAllowance, allowanceAfter < 0 ? 3 : allowanceAfter);
        QCOMPARE(t.ids[106], 0x2801234); // IDs are taken whatever the checks find
    }

    void normalisingTypedText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("base");
        QTest::newRow("lower case") << u"1a"_s << u"1A"_s << u"1A"_s;
        QTest::newRow("invalid char") << u"1ag"_s << u"1A0"_s << u"1A0"_s;
        QTest::newRow("eighth character") << u"28001234"_s << u"FFFFFFF"_s << u"FFFFFFF"_s;
        QTest::newRow("pasted 0x1F") << u"0x1F"_s << u"1F"_s << u"1F"_s;
        QTest::newRow("emptied") << u""_s << u"0"_s << u"0"_s;
        QTest::newRow("no-ID mark") << u"\u2015"_s << u"\u2015"_s << u"0"_s;
        QTest::newRow("typed after mark") << u"\u20155"_s << u"5"_s << u"5"_s;
        QTest::newRow("typed before mark") << u"5\u2015"_s << u"50"_s << u"50"_s;
        QTest::newRow("leading zeros") << u"0007"_s << u"7"_s << u"7"_s;
    }
    void normalisingTypedText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, row);
        QFETCH(QString, base);
        QCOMPARE(normalizedIdText(typed), row);
        QCOMPARE(normalizedBaseIdText(typed), base);
        QCOMPARE(normalizedIdText(normalizedIdText(typed)), row); // a second pass changes nothing
    }

    void prefixCheckOnLeavingARow_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("base");
        QTest::addColumn<bool>("keeps");
        QTest::newRow("same length and prefix") << u"2801234"_s << u"2800000"_s << true;
        QTest::newRow("prefix differs") << u"2811234"_s << u"2800000"_s << false;
        QTest::newRow("six characters") << u"280123"_s << u"2800000"_s << false;
        QTest::newRow("rewritten FFFFFFF") << u"FFFFFFF"_s << u"2800000"_s << false;
        QTest::newRow("short row") << u"1"_s << u"2800000"_s << false;
        QTest::newRow("no-ID mark") << u"\u2015"_s << u"2800000"_s << false;
        QTest::newRow("short base keeps all") << u"ABCDEF1"_s << u"1234"_s << true;
        QTest::newRow("five-digit base") << u"1FFFF"_s << u"10000"_s << true;
        QTest::newRow("five-digit base, other prefix") << u"2FFFF"_s << u"10000"_s << false;
    }
    void prefixCheckOnLeavingARow()
    {
        QFETCH(QString, row);
        QFETCH(QString, base);
        QFETCH(bool, keeps);
        QCOMPARE(keepsIdPrefix(row, base), keeps);
    }
};

QTEST_GUILESS_MAIN(TestIdCodeTable)
#include "tst_idcodetable.moc"
