// How the ID fields react to typing, leaving a row, F1/F2, Enter and Tab.
#include "common/objectnames.h"
#include "windowfixture.h"

#include <QApplication>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {
const QString NoId = NoIdMark.toString();
} // namespace

class TestIdEntry : public QObject
{
    Q_OBJECT
    WindowFixture f;

    QString focusName() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
    // Twelve row texts: the given IDs, every other row empty.
    static QStringList rows(std::initializer_list<std::pair<int, QString>> ids)
    {
        QStringList out(RowsPerList, NoId);
        for (const auto &[r, text] : ids)
            out[r] = text;
        return out;
    }
    // Focuses a row, then another widget, so that the row loses the focus.
    void leave(QLineEdit *row)
    {
        row->setFocus();
        f.child(ObjectName::AllowanceField)->setFocus();
    }

private slots:
    void init() { f.create(); }
    void cleanup() { f.destroy(); }

    void typingIsNormalisedAtOnce_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("caret"); // -1: whole text selected
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("after"); // the text after each key
        QTest::newRow("1, a, g") << NoId << -1 << u"1ag"_s
                                 << QStringList { u"1"_s, u"1A"_s, u"1A0"_s };
        QTest::newRow("eighth character")
            << u"2800000"_s << 7 << u"1"_s << QStringList { u"FFFFFFF"_s };
        QTest::newRow("before the mark") << NoId << 0 << u"5"_s << QStringList { u"50"_s };
    }
    void typingIsNormalisedAtOnce()
    {
        QFETCH(QString, initial);
        QFETCH(int, caret);
        QFETCH(QString, keys);
        QFETCH(QStringList, after);
        QLineEdit *row = f.row(IdList::Vehicles, 4);
        row->setText(initial);
        caret < 0 ? row->selectAll() : row->setCursorPosition(caret);
        for (int i = 0; i < keys.size(); ++i) {
            QTest::keyClick(row, keys.at(i).toLatin1());
            QCOMPARE(row->text(), after.at(i));
            QCOMPARE(row->cursorPosition(), row->text().size());
            QVERIFY(!row->hasSelectedText());
        }
    }

    void leavingARowChecksItAgainstTheBase_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");
        QTest::newRow("same prefix") << u"2800000"_s << u"2801234"_s << u"2801234"_s;
        QTest::newRow("prefix differs") << u"2800000"_s << u"2811234"_s << NoId;
        QTest::newRow("emptied") << u"2800000"_s << QString() << NoId;
    }
    void leavingARowChecksItAgainstTheBase()
    {
        QFETCH(QString, base);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        QVERIFY(f.showActive());
        f.base()->setText(base);
        QLineEdit *row = f.row(IdList::Drivers, 3);
        WindowFixture::retype(row, typed);
        leave(row);
        QCOMPARE(row->text(), result);
    }

    void numberingKeys_data()
    {
        QTest::addColumn<IdList>("list");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("after");
        const QString id5 = u"2800005"_s, edge = u"280FFFE"_s;
        QTest::newRow("F1 below an ID")
            << IdList::Vehicles << rows({ { 2, id5 } }) << 3 << int(Qt::Key_F1)
            << rows({ { 2, id5 }, { 3, u"2800006"_s } });
        QStringList all;
        for (int r = 0; r < RowsPerList; ++r)
            all << idText(0x2800001 + r);
        QTest::newRow("F2 from row 0")
            << IdList::Operators << rows({}) << 0 << int(Qt::Key_F2) << all;
        // 2810000 follows, loses its prefix and empties; every row after it too.
        QTest::newRow("F2 across the prefix")
            << IdList::HeavyMachines << rows({ { 3, edge } }) << 4 << int(Qt::Key_F2)
            << rows({ { 3, edge }, { 4, u"280FFFF"_s } });
    }
    void numberingKeys()
    {
        QFETCH(IdList, list);
        QFETCH(QStringList, before);
        QFETCH(int, row);
        QFETCH(int, key);
        QFETCH(QStringList, after);
        for (Qt::KeyboardModifier m : { Qt::NoModifier, Qt::ShiftModifier }) {
            for (int r = 0; r < RowsPerList; ++r)
                f.row(list, r)->setText(before[r]);
            QTest::keyClick(f.row(list, row), Qt::Key(key), m);
            QCOMPARE(f.rowTexts(list), after);
        }
        QVERIFY(f.messenger.messages().isEmpty());
    }

    void numberingAfterTheSlotAboveTheRowsAndAfterTheLargestValue()
    {
        // Row 0 follows slot 100, read by a gather, which reports a bad hold time first.
        f.document().table().ids[100] = 0x2800050;
        f.holdTime()->setText(u"abc"_s);
        QTest::keyClick(f.row(IdList::Drivers, 0), Qt::Key_F1);
        QCOMPARE(f.row(IdList::Drivers, 0)->text(), u"2800051");
        QCOMPARE(f.messenger.texts(), QStringList { u"警報時間設定が範囲外です。"_s });
        QTest::keyClick(f.base(), Qt::Key_F1); // nothing in the base field
        QCOMPARE(f.base()->text(), u"2800000");

        f.base()->setText(u"1234"_s); // no prefix check
        QTest::keyClick(f.row(IdList::Vehicles, 5), Qt::Key_F1); // below an empty row
        QCOMPARE(f.row(IdList::Vehicles, 5)->text(), u"1");
        f.row(IdList::Vehicles, 1)->setText(u"FFFFFFF"_s);
        QTest::keyClick(f.row(IdList::Vehicles, 2), Qt::Key_F1);
        QCOMPARE(f.row(IdList::Vehicles, 2)->text(), u"FFFFFFF");

        f.bar(0)->setValue(1);
        f.document().table().ids[113] = 0x7FFFFFFF; // just above the visible rows
        f.row(IdList::HeavyMachines, 0)->setText(u"1230"_s);
        QTest::keyClick(f.row(IdList::HeavyMachines, 0), Qt::Key_F2);
        QCOMPARE(f.rowTexts(IdList::HeavyMachines).mid(0, 3),
            QStringList({ u"1230"_s, u"1231"_s, u"1232"_s }));
    }

    void enterInTheBaseFieldMovesOnAsTab()
    {
        QVERIFY(f.showActive());
        QTest::mouseClick(f.child(ObjectName::VersionLabel), Qt::LeftButton); // show the panel
        for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter }) {
            f.base()->setFocus();
            QTRY_COMPARE(focusName(), ObjectName::rowName(ObjectName::BaseIdFields, 0));
            QTest::keyClick(f.base(), key);
            QTRY_COMPARE(focusName(), ObjectName::rowName(ObjectName::HeavyMachineRows, 0));
            QCOMPARE(f.base()->text(), u"2800000");
        }
    }

    // Tab (or Shift+Tab) from the last row pages its list on, then moves to
    // the next list; from any other row it never scrolls.
    void tabFromARow_data()
    {
        QTest::addColumn<IdList>("list");
        QTest::addColumn<int>("bar"); // -1: no scroll bar
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("to");
        const IdList v = IdList::Vehicles, h = IdList::HeavyMachines;
        QTest::newRow("vehicles at 0")
            << v << 1 << 0 << 11 << false << ObjectName::rowName(ObjectName::VehicleRows, 0) << 12;
        QTest::newRow("vehicles at 36") << v << 1 << 36 << 11 << false
                                        << ObjectName::rowName(ObjectName::VehicleRows, 10) << 38;
        QTest::newRow("vehicles at 38")
            << v << 1 << 38 << 11 << false << ObjectName::rowName(ObjectName::DriverRows, 0) << 38;
        QTest::newRow("heavy, Shift+Tab")
            << h << 0 << 0 << 11 << true << ObjectName::rowName(ObjectName::HeavyMachineRows, 0)
            << 12;
        QTest::newRow("heavy at 38") << h << 0 << 38 << 11 << false
                                     << ObjectName::rowName(ObjectName::OperatorRows, 0) << 38;
        QTest::newRow("operators") << IdList::Operators << 2 << 0 << 11 << false
                                   << ObjectName::rowName(ObjectName::VehicleRows, 0) << 0;
        QTest::newRow("drivers") << IdList::Drivers << -1 << 0 << 11 << false
                                 << ObjectName::rowName(ObjectName::HeavyMachineRows, 0) << 0;
        QTest::newRow("heavy row 10") << h << 0 << 0 << 10 << false
                                      << ObjectName::rowName(ObjectName::HeavyMachineRows, 11) << 0;
        QTest::newRow("vehicles row 0, Shift+Tab")
            << v << 1 << 0 << 0 << true << ObjectName::rowName(ObjectName::OperatorRows, 11) << 0;
    }
    void tabFromARow()
    {
        QFETCH(IdList, list);
        QFETCH(int, bar);
        QFETCH(int, from);
        QFETCH(int, row);
        QFETCH(bool, shift);
        QFETCH(QString, focus);
        QFETCH(int, to);
        QVERIFY(f.showActive());
        if (bar >= 0)
            f.bar(bar)->setValue(from);
        QLineEdit *field = f.row(list, row);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        WindowFixture::retype(field, u"2801234"_s);
        QTest::keyClick(field, Qt::Key_Tab, shift ? Qt::ShiftModifier : Qt::NoModifier);
        QTRY_COMPARE(focusName(), focus);
        if (bar >= 0)
            QCOMPARE(f.bar(bar)->value(), to);
        f.window->gather(); // the ID left behind was stored where it was typed
        QCOMPARE(f.document().table().ids[slotOfRow(list, from, row)], 0x2801234);
    }
};

QTEST_MAIN(TestIdEntry)
#include "tst_identry.moc"
