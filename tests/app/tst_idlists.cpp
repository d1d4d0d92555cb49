// Gathering the fields into the table, showing the table, and scrolling.
#include "common/objectnames.h"
#include "windowfixture.h"

#include "messages/appinfo.h"

#include <QAccessible>
#include <QLabel>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {
const QString NoId = NoIdMark.toString();
} // namespace

class TestIdLists : public QObject
{
    Q_OBJECT
    WindowFixture f;

    QString rowNumber(IdList list, int r)
    {
        return f.child<QLabel>(ObjectName::rowName(ObjectName::ListRowNumbers[int(list)], r))
            ->text();
    }

private slots:
    void init() { f.create(); }
    void cleanup() { f.destroy(); }

    void listsAtTheirMaximaShowAndGatherTheLastSlots_data()
    {
        QTest::addColumn<IdList>("list");
        QTest::addColumn<int>("bar");
        QTest::addColumn<int>("max");
        QTest::newRow("heavy machines") << IdList::HeavyMachines << 0 << 38;
        QTest::newRow("vehicles") << IdList::Vehicles << 1 << 38;
        QTest::newRow("operators") << IdList::Operators << 2 << 88;
    }
    void listsAtTheirMaximaShowAndGatherTheLastSlots()
    {
        QFETCH(IdList, list);
        QFETCH(int, bar);
        QFETCH(int, max);
        for (int s = 1; s < SlotCount; ++s)
            f.document().table().ids[s] = 0x2800000 + s;
        f.window->showTable();
        f.bar(bar)->setValue(f.bar(bar)->maximum());
        QCOMPARE(f.bar(bar)->value(), max);
        for (int r = 0; r < RowsPerList; ++r) {
            QCOMPARE(f.row(list, r)->text(), idText(0x2800000 + slotOfRow(list, max, r)));
            QCOMPARE(rowNumber(list, r), QString::number(max + r + 1));
        }
        WindowFixture::retype(f.row(list, 11), u"2801FFF"_s);
        f.window->gather();
        const int last = idListInfo(list).firstSlot + idListInfo(list).slotCount - 1;
        QCOMPARE(f.document().table().ids[last], 0x2801FFF);
        QCOMPARE(f.document().table().ids[last - 1], 0x2800000 + last - 1);
    }

    void typedIdMovesWithTheScroll()
    {
        WindowFixture::retype(f.row(IdList::HeavyMachines, 3), u"2801111"_s);
        f.bar(0)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(f.document().table().ids[116], 0x2801111);
        QCOMPARE(f.row(IdList::HeavyMachines, 2)->text(), u"2801111");
        QCOMPARE(f.row(IdList::HeavyMachines, 3)->text(), NoId);
        QCOMPARE(rowNumber(IdList::HeavyMachines, 2), u"4");
        // What assistive technology is told follows the row numbers.
        QCOMPARE(QAccessible::queryAccessibleInterface(f.row(IdList::HeavyMachines, 2))
                     ->text(QAccessible::Name),
            u"重機 4");
        f.bar(0)->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(f.row(IdList::HeavyMachines, 3)->text(), u"2801111");
        QCOMPARE(rowNumber(IdList::Drivers, 11), u"12"); // drivers never renumber
    }

    void oneGatherReportsBothParametersHoldTimeFirstAndStillScrolls()
    {
        WindowFixture::retype(f.row(IdList::Drivers, 0), u"2800ABC"_s);
        f.holdTime()->setText(u"100"_s);
        f.allowance()->setText(u"5"_s);
        f.bar(2)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(f.messenger.texts(),
            QStringList({ u"警報時間設定が範囲外です。"_s, u"重機オペ許可人数が範囲外です。"_s }));
        for (const Message &m : f.messenger.messages()) {
            QCOMPARE(m.icon, MessageIcon::Information);
            QCOMPARE(m.buttons, MessageButtons::Ok);
            QCOMPARE(m.title, applicationTitle());
        }
        QCOMPARE(f.holdTime()->text(), u"2");
        QCOMPARE(f.allowance()->text(), u"1");
        QCOMPARE(f.document().table().ids[101], 0x2800ABC);
        QCOMPARE(rowNumber(IdList::Operators, 0), u"2");
    }

    void changingTheBaseKeepsRowsOutOfViewEmpty()
    {
        f.base()->setText(u"2810000"_s);
        WindowFixture::retype(f.row(IdList::HeavyMachines, 0), u"2800000"_s); // the old base
        f.bar(0)->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(f.rowTexts(IdList::HeavyMachines), QStringList(RowsPerList, NoId));
        QCOMPARE(f.rowTexts(IdList::Vehicles), QStringList(RowsPerList, NoId));
        QCOMPARE(f.document().table().ids[212], 0x2810000);
        f.bar(0)->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(f.row(IdList::HeavyMachines, 0)->text(), u"2800000");
        QCOMPARE(f.row(IdList::HeavyMachines, 1)->text(), NoId);
    }

    void modifiedOnlyWhenARowOrTheBaseChanges()
    {
        TableDocument &document = f.document();
        document.table().ids[130] = 0x2801234; // out of view until the heavy list scrolls
        const auto modifiedBy = [&document](const auto &action) {
            document.setModified(false);
            action();
            return document.isModified();
        };
        QVERIFY(!modifiedBy([&] { f.bar(1)->setValue(12); })); // over empty rows
        QVERIFY(!modifiedBy([&] {
            WindowFixture::retype(f.holdTime(), u"30"_s);
            WindowFixture::retype(f.allowance(), u"3"_s);
        }));
        QVERIFY(modifiedBy([&] { f.bar(0)->setValue(12); })); // shows slot 130
        QVERIFY(modifiedBy([&] { QTest::keyClick(f.row(IdList::Drivers, 5), Qt::Key_7); }));
        QVERIFY(modifiedBy([&] { QTest::keyClick(f.base(), Qt::Key_1); }));
        QCOMPARE(f.base()->text(), u"FFFFFFF"); // eight characters; the base takes no mark
    }
};

QTEST_MAIN(TestIdLists)
#include "tst_idlists.moc"
