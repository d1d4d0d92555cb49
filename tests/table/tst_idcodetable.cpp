#include "table/idcodetable.h"
#include "table/identry.h"

#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

const QString NoId = NoIdMark.toString();

IdCodeTable defaults()
{
    IdCodeTable t;
    resetTableToDefaults(t);
    return t;
}

// The window as it shows the default table: every row empty.
WindowTexts emptyWindow()
{
    WindowTexts w { u"2800000"_s, {}, u"2"_s, u"1"_s };
    for (auto &rows : w.rows)
        rows.fill(NoId);
    return w;
}

} // namespace

class TestIdCodeTable : public QObject
{
    Q_OBJECT

private slots:
    // The window's reset with a base that reads as -1 keeps its upper 16 bits.
    void clearWithAnUnreadableBase()
    {
        IdCodeTable t = defaults();
        t.ids[7] = 0x2801234;
        clearTableKeepingBasePrefix(t, u"12345678");
        QCOMPARE(idText(t.ids[0]), u"FFFF0000");
        QCOMPARE(rowText(t, 7), NoId);
    }

    // Row r of a list is stored in its first slot in view plus r; every
    // slot out of view keeps its value.
    void gatherStoresEachRowInItsSlot_data()
    {
        QTest::addColumn<QList<int>>("offsets"); // operators, heavy machines, vehicles
        QTest::addColumn<QList<int>>("firstSlots"); // operators, drivers, heavy machines, vehicles
        QTest::newRow("maxima") << QList { 88, 38, 38 } << QList { 89, 101, 151, 201 };
        QTest::newRow("middle") << QList { 50, 17, 3 } << QList { 51, 101, 130, 166 };
    }
    void gatherStoresEachRowInItsSlot()
    {
        QFETCH(QList<int>, offsets);
        QFETCH(QList<int>, firstSlots);
        WindowTexts w = emptyWindow();
        IdCodeTable expected = defaults();
        for (int l = 0; l < ListCount; ++l) {
            for (int r = 0; r < RowsPerList; ++r) {
                w.rows[l][r] = QString::number(0x2900000 + 0x100 * l + r, 16);
                expected.ids[firstSlots[l] + r] = 0x2900000 + 0x100 * l + r;
            }
        }
        IdCodeTable t = defaults();
        const ScrollOffsets o { .operators = qint16(offsets[0]),
            .heavyMachines = qint16(offsets[1]),
            .vehicles = qint16(offsets[2]) };
        gatherTexts(t, w, o);
        QCOMPARE(t.ids, expected.ids);
    }

    void changingTheBaseKeepsEmptySlotsEmptyEvenOutOfView()
    {
        IdCodeTable t = defaults();
        t.ids[150] = 0x2805555; // a real ID out of view
        WindowTexts w = emptyWindow();
        w.base = u"2900000"_s;
        w.list(IdList::Operators)[0] = u"2900001"_s;
        w.list(IdList::HeavyMachines)[0] = u"2800000"_s; // the old base typed: a real ID now
        gatherTexts(t, w, {});
        // Slots 2 (in view) and 99, 212 (out of view) were empty.
        QCOMPARE((QList<int> {
                     t.ids[0], t.ids[1], t.ids[2], t.ids[99], t.ids[113], t.ids[150], t.ids[212] }),
            (QList<int> {
                0x2900000, 0x2900001, 0x2900000, 0x2900000, 0x2800000, 0x2805555, 0x2900000 }));
        QCOMPARE(rowText(t, 99), NoId);
    }

    void parameterChecks_data()
    {
        QTest::addColumn<QString>("hold");
        QTest::addColumn<QString>("allowance");
        QTest::addColumn<int>("holdAfter"); // -1: rejected, the previous 7 stays
        QTest::addColumn<int>("allowanceAfter"); // -1: rejected, the previous 3 stays
        QTest::newRow("fraction rounds down") << u"2.9"_s << u"4"_s << 2 << 4;
        QTest::newRow("upper bounds") << u"99"_s << u"4"_s << 99 << 4;
        QTest::newRow("zeros") << u"0"_s << u"0"_s << -1 << -1;
        QTest::newRow("hundred") << u"100"_s << u"1"_s << -1 << 1;
        QTest::newRow("allowance five") << u"5"_s << u"5"_s << 5 << -1;
        QTest::newRow("beyond 16 bits") << u"70000"_s << u"65537"_s << -1 << -1;
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
        WindowTexts w = emptyWindow();
        w.holdTime = hold;
        w.allowance = allowance;
        const GatherResult r = gatherTexts(t, w, {});
        QCOMPARE(r.holdTimeRejected, holdAfter < 0);
        QCOMPARE(r.allowanceRejected, allowanceAfter < 0);
        QCOMPARE(t.holdTime, holdAfter < 0 ? 7 : holdAfter);
        QCOMPARE(t.operatorAllowance, allowanceAfter < 0 ? 3 : allowanceAfter);
    }

    void normalisingTypedText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("base");
        QTest::newRow("invalid char") << u"1ag"_s << u"1A0"_s << u"1A0"_s;
        QTest::newRow("full-width digit") << u"\uFF11"_s << u"0"_s << u"0"_s;
        QTest::newRow("eighth character") << u"28001234"_s << u"FFFFFFF"_s << u"FFFFFFF"_s;
        QTest::newRow("eight blanks") << u"        "_s << u"FFFFFFF"_s << u"FFFFFFF"_s;
        QTest::newRow("pasted 0x1F") << u"0x1F"_s << u"1F"_s << u"1F"_s;
        QTest::newRow("emptied") << u""_s << u"0"_s << u"0"_s;
        QTest::newRow("no-ID mark") << u"\u2015"_s << u"\u2015"_s << u"0"_s;
        QTest::newRow("typed after mark") << u"\u20155"_s << u"5"_s << u"5"_s;
        QTest::newRow("typed before mark") << u"5\u2015"_s << u"50"_s << u"50"_s;
    }
    void normalisingTypedText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, row);
        QFETCH(QString, base);
        QCOMPARE(normalizedIdText(typed), row);
        QCOMPARE(normalizedBaseIdText(typed), base);
    }

    void prefixCheckOnLeavingARow_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("base");
        QTest::addColumn<bool>("keeps");
        QTest::newRow("same length and prefix") << u"2801234"_s << u"2800000"_s << true;
        QTest::newRow("prefix differs") << u"2811234"_s << u"2800000"_s << false;
        QTest::newRow("six characters") << u"280123"_s << u"2800000"_s << false;
        QTest::newRow("short base keeps all") << u"ABCDEF1"_s << u"1234"_s << true;
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
