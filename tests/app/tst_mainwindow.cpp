// The main window: start-up, a few layout checks, the menus, the tab order,
// the base-ID panel, the reset command, and the four ID lists (typing,
// leaving a row, F1/F2, Enter and Tab, scrolling, gathering into the table).
#include "app/objectnames.h"
#include "expectedtexts.h"
#include "files/idtablefile.h"
#include "link/unitlink.h"
#include "windowfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {
const QString NoId = NoIdMark.toString();
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    WindowFixture f;

    QString focusName() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
    QString rowNumber(IdList list, int r) const
    {
        return f.child<QLabel>(ObjectName::rowName(ObjectName::ListRowNumbers[int(list)], r))
            ->text();
    }

private slots:
    void init() { f.create(); }

    // At start-up and after the reset command: the default table, every row
    // empty, not saved yet. The reset keeps the base ID's upper digits and
    // the scroll positions.
    void defaultTableAtStartUpAndAfterReset()
    {
        const auto showsDefaults = [this](const QString &base) {
            for (int list = 0; list < ListCount; ++list)
                QCOMPARE(f.rowTexts(IdList(list)), QStringList(RowsPerList, NoId));
            QCOMPARE(f.base()->text(), base);
            QCOMPARE(f.holdTime()->text(), u"2");
            QCOMPARE(f.allowance()->text(), u"1");
            QVERIFY(f.document().isModified());
            QVERIFY(f.messenger.messages().isEmpty());
        };
        showsDefaults(u"2800000"_s);
        QCOMPARE(f.child<QLabel>(ObjectName::VersionLabel)->text(), u"Ver3.40");
        // The unit's time limits, in ms: SID, RID, STM, SNM, RTM, RNM.
        const LinkLimits limits = f.ops().link().limits();
        QCOMPARE(
            (QList<int> { limits.sid, limits.rid, limits.stm, limits.snm, limits.rtm, limits.rnm }),
            (QList<int> { 20000, 2000, 10000, 10000, 2000, 2000 }));

        f.base()->setText(u"2812345"_s);
        f.row(IdList::Drivers, 2)->setText(u"2801234"_s);
        f.bar(0)->setValue(5);
        f.holdTime()->setText(u"50"_s);
        f.allowance()->setText(u"3"_s);
        f.document().setModified(false);
        f.run(ObjectName::ResetAction);
        showsDefaults(u"2810000"_s);
        QCOMPARE(f.bar(0)->value(), 5);
    }

    // A few samples of the design layout; the fonts fall back to an installed one.
    void layoutSamples()
    {
        QVERIFY(f.showActive());
        QCOMPARE(f.window->centralWidget()->size(), QSize(808, 588));
        QCOMPARE(f.child(ObjectName::rowName(ObjectName::HeavyMachineRows, 11))->geometry(),
            QRect(88, 366, 97, 28)); // a row built from the design's first
        QCOMPARE(f.child(ObjectName::WriteButton)->geometry(),
            QRect(96, 680, 81, 33)); // below the design
        const QFont rowFont = f.row(IdList::Vehicles, 4)->font();
        QCOMPARE(rowFont.pointSizeF(), 14.25);
        QVERIFY(rowFont.bold());
        QCOMPARE(QFontInfo(rowFont).family(), u"IPAPGothic");
        auto *notice = f.child<QLabel>(ObjectName::UnregisteredNote);
        QCOMPARE(notice->font().pointSizeF(), 15.75);
        // One line, within the label.
        QVERIFY(QFontMetrics(notice->font()).horizontalAdvance(notice->text()) <= notice->width());
    }

    // The menus as designed: every item is a row of the menu commands, and
    // every row has a handler.
    void everyMenuItemIsACommandWithAHandler()
    {
        QStringList items;
        for (QAction *menu : f.window->menuBar()->actions()) {
            for (QAction *a : menu->menu()->actions())
                items << a->objectName();
        }
        QCOMPARE(items,
            QStringList({ u"mnu_保存"_s, u"mnu_読込み"_s, u"mnu_終了"_s, u"mnu_設定"_s,
                u"mnu_警報読込"_s, u"mnu_比較"_s, u"mnu_comp設定"_s, u"mnu_Reset"_s }));
        QStringList declared;
        for (const MenuCommand &command : f.app->menuCommands()) {
            QVERIFY2(command.handler, qPrintable(command.objectName));
            declared << command.objectName;
        }
        QCOMPARE(declared, items);
    }

    // The window fills its fields from the table it is built with, the
    // fields' own normalising included, and that is no change: a table read
    // from its file stays unmodified.
    void fillingTheFieldsAtStartUpIsNoChange()
    {
        IdCodeTable table;
        resetTableToDefaults(table);
        table.ids[101] = 0x12345678; // eight digits: the field shows FFFFFFF
        const QTemporaryDir dir; // the fixture's program folder has no table file
        QVERIFY(saveIdCodeTable(tableFilePath(dir.path()), table));
        TableDocument document(dir.path());
        document.loadAtStartUp();
        QVERIFY(!document.isModified());
        MainWindow window(document, f.services, {});
        QCOMPARE(
            window.findChild<QLineEdit *>(ObjectName::rowName(ObjectName::DriverRows, 0))->text(),
            u"FFFFFFF");
        QVERIFY(!document.isModified());
    }

    void tabOrder()
    {
        const auto rows = [](const QString &name, int first, int last) {
            QStringList out;
            for (int r = first; r <= last; ++r)
                out << name + u'(' + QString::number(r) + u')';
            return out;
        };
        const QStringList expected = QStringList { u"cmd_設定"_s, u"txt_保持時間"_s,
            u"VScroll(0)"_s, u"VScroll(1)"_s, u"Command1"_s, u"Picture1"_s, u"txt_許可人数"_s,
            u"txt_ID作業員(0)"_s, u"txt_ID重機(0)"_s, u"VScroll(2)"_s }
            + rows(u"txt_ID重機"_s, 1, 11) + rows(u"txt_ID重機工夫"_s, 0, 11)
            + rows(u"txt_ID車両"_s, 0, 11) + rows(u"txt_IDダンプ工夫"_s, 0, 11);
        QWidget *start = f.child(ObjectName::WriteButton);
        QStringList walked;
        QWidget *w = start;
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->window() == f.window)
                walked << w->objectName();
            w = w->nextInFocusChain();
        } while (w != start && walked.size() <= expected.size());
        QCOMPARE(walked, expected);
    }

    // The version label shows the base-ID panel, after asking, and hides it;
    // Enter in the panel's field moves on as Tab does.
    void versionLabelTogglesTheBaseIdPanel()
    {
        QVERIFY(f.showActive());
        QWidget *panel = f.child(ObjectName::BaseIdPanel);
        QWidget *version = f.child(ObjectName::VersionLabel);
        f.messenger.queueAnswer(MessageAnswer::Cancel); // Cancel leaves it where it was
        QTest::mouseClick(version, Qt::LeftButton);
        QVERIFY(panel->isHidden());
        QCOMPARE(panel->pos(), QPoint(360, 592));

        QTest::mouseClick(version, Qt::LeftButton); // OK
        QCOMPARE(f.messenger.messages().size(), 2);
        const Message &question = f.messenger.messages().last();
        QCOMPARE(question.text, u"基準IDコードを設定しますか？");
        QCOMPARE(question.title, u"確認");
        QCOMPARE(question.icon, MessageIcon::Exclamation);
        QCOMPARE(question.buttons, MessageButtons::OkCancel);
        QVERIFY(!panel->isHidden());
        QCOMPARE(panel->pos(), QPoint(28, 440)); // Shape1 + (60, 120) twips
        for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter }) { // move on as Tab does
            f.base()->setFocus();
            QTRY_COMPARE(focusName(), u"txt_ID作業員(0)"_s);
            QTest::keyClick(f.base(), key);
            QTRY_COMPARE(focusName(), u"txt_ID重機(0)"_s);
            QCOMPARE(f.base()->text(), u"2800000");
        }

        QTest::mouseClick(version, Qt::LeftButton); // hides without asking
        QVERIFY(panel->isHidden());
        QCOMPARE(panel->pos(), QPoint(28, 440));
        QCOMPARE(f.messenger.messages().size(), 2);
    }

    // Shown, the base-ID panel covers the allowance panel: between its lower
    // edge and the frame nothing red shows, though the allowance note
    // reaches lower than the panel; hidden again, the note is back.
    void baseIdPanelCoversTheAllowancePanel()
    {
        QVERIFY(f.showActive());
        const QRect frame = f.child(ObjectName::AllowancePanel)->geometry();
        const QRect panel(QPoint(28, 440), f.child(ObjectName::BaseIdPanel)->size());
        const auto redBelowThePanel = [&] {
            const QImage image = f.window->centralWidget()->grab().toImage();
            int red = 0;
            for (int y = panel.bottom() + 1; y < frame.bottom(); ++y) {
                for (int x = frame.left() + 1; x < frame.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    red += c.red() > 160 && c.green() < 120 && c.blue() < 120;
                }
            }
            return red;
        };
        QVERIFY(redBelowThePanel() > 0); // the note's second line
        QWidget *version = f.child(ObjectName::VersionLabel);
        QTest::mouseClick(version, Qt::LeftButton); // OK
        QCOMPARE(f.child(ObjectName::BaseIdPanel)->geometry(), panel);
        QCOMPARE(redBelowThePanel(), 0);
        QTest::mouseClick(version, Qt::LeftButton);
        QVERIFY(redBelowThePanel() > 0);
    }

    void clearButtonEmptiesTheReceiveDisplay()
    {
        f.window->setReceivedText(u"ROM Ver1.00\r"_s);
        QSignalSpy cleared(f.window, &MainWindow::receiveDisplayCleared);
        QTest::mouseClick(f.child(ObjectName::ClearReceiveDisplay), Qt::LeftButton);
        QVERIFY(f.window->receivedText().isEmpty());
        QCOMPARE(cleared.size(), 1); // the link empties its receive buffer on it
    }

    // Each key rewrites the row at once, the caret after its last character.
    void typingIsNormalisedAtOnce()
    {
        QLineEdit *row = f.row(IdList::Vehicles, 4);
        const auto type = [row](char key, const QString &text) {
            QTest::keyClick(row, key);
            QCOMPARE(row->text(), text);
            QCOMPARE(row->cursorPosition(), text.size());
            QVERIFY(!row->hasSelectedText());
        };
        row->selectAll();
        type('1', u"1"_s);
        type('a', u"1A"_s);
        type('g', u"1A0"_s);
        row->setText(u"2800000"_s);
        type('1', u"FFFFFFF"_s); // an eighth character: the largest ID
    }

    // A row that keeps its text when left: see tabFromARow.
    void leavingARowChecksItAgainstTheBase()
    {
        QVERIFY(f.showActive());
        QLineEdit *row = f.row(IdList::Drivers, 3);
        row->setFocus();
        WindowFixture::retype(row, u"2811234"_s); // the base is 2800000
        f.allowance()->setFocus();
        QCOMPARE(row->text(), NoId);
    }

    // F1 numbers its row, F2 its row and every row below it, each after the
    // row above, Shift or not; row 0 follows the slot above the rows in view.
    void numberingKeys()
    {
        f.row(IdList::Vehicles, 2)->setText(u"2800005"_s);
        f.row(IdList::HeavyMachines, 3)->setText(u"280FFFE"_s);
        for (Qt::KeyboardModifier m : { Qt::NoModifier, Qt::ShiftModifier }) {
            f.row(IdList::Vehicles, 3)->setText(NoId);
            f.row(IdList::HeavyMachines, 4)->setText(NoId);
            QTest::keyClick(f.row(IdList::Vehicles, 3), Qt::Key_F1, m);
            QCOMPARE(f.rowTexts(IdList::Vehicles).mid(2, 3),
                (QStringList { u"2800005"_s, u"2800006"_s, NoId }));
            // 2810000 follows, loses its prefix and empties; every row after it too.
            QTest::keyClick(f.row(IdList::HeavyMachines, 4), Qt::Key_F2, m);
            QCOMPARE(f.rowTexts(IdList::HeavyMachines).mid(3),
                QStringList({ u"280FFFE"_s, u"280FFFF"_s }) + QStringList(7, NoId));
        }
        QVERIFY(f.messenger.messages().isEmpty());

        // Row 0 follows slot 100, read by a gather, which reports a bad hold time first.
        f.document().table().ids[100] = 0x2800050;
        f.holdTime()->setText(u"abc"_s);
        QTest::keyClick(f.row(IdList::Drivers, 0), Qt::Key_F1);
        QCOMPARE(f.row(IdList::Drivers, 0)->text(), u"2800051");
        QCOMPARE(f.messenger.texts(), QStringList { expected::HoldTimeOutOfRange });

        f.base()->setText(u"1234"_s); // no prefix check
        QTest::keyClick(f.row(IdList::Vehicles, 5), Qt::Key_F1); // below an empty row
        QCOMPARE(f.row(IdList::Vehicles, 5)->text(), u"1");

        f.bar(0)->setValue(1);
        f.document().table().ids[113] = 0x7FFFFFFF; // above the rows in view: no successor
        f.row(IdList::HeavyMachines, 0)->setText(u"1230"_s);
        QTest::keyClick(f.row(IdList::HeavyMachines, 0), Qt::Key_F2);
        QCOMPARE(f.rowTexts(IdList::HeavyMachines).mid(0, 3),
            QStringList({ u"1230"_s, u"1231"_s, u"1232"_s }));
    }

    // Tab (or Shift+Tab) from the last row pages its list on, then moves to
    // the next list; from any other row it never scrolls. Every slot holds
    // an ID of another prefix than the base's, and only the row left is
    // checked: the rows the focus did not stop at keep theirs, also the one
    // next in the tab order. The row left is typed with `typed` and stored
    // in `slot`.
    void tabFromARow_data()
    {
        QTest::addColumn<IdList>("list");
        QTest::addColumn<int>("bar"); // -1: no scroll bar
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("typed");
        const IdList v = IdList::Vehicles, h = IdList::HeavyMachines;
        const QString fits = u"2801234"_s;
        QTest::newRow("heavy at 0") << h << 0 << 0 << 11 << false << u"txt_ID重機(0)"_s << 12 << 124
                                    << fits; // past operator 1
        QTest::newRow("heavy at 0, another prefix typed")
            << h << 0 << 0 << 11 << false << u"txt_ID重機(0)"_s << 12 << 124 << u"2901234"_s;
        QTest::newRow("heavy at 12, Shift+Tab") // past row 10, heavy machine 35 by then
            << h << 0 << 12 << 11 << true << u"txt_ID重機(0)"_s << 24 << 136 << fits;
        QTest::newRow("heavy at 38")
            << h << 0 << 38 << 11 << false << u"txt_ID重機工夫(0)"_s << 38 << 162 << fits;
        QTest::newRow("heavy at 38, Shift+Tab")
            << h << 0 << 38 << 11 << true << u"txt_ID重機工夫(0)"_s << 38 << 162 << fits;
        QTest::newRow("heavy row 10")
            << h << 0 << 0 << 10 << false << u"txt_ID重機(11)"_s << 0 << 123 << fits;
        QTest::newRow("vehicles at 0") << v << 1 << 0 << 11 << false << u"txt_ID車両(0)"_s << 12
                                       << 174 << fits; // past driver 1
        QTest::newRow("vehicles at 36")
            << v << 1 << 36 << 11 << false << u"txt_ID車両(10)"_s << 38 << 210 << fits;
        QTest::newRow("vehicles at 37: the last row shows the next entry")
            << v << 1 << 37 << 11 << false << u"txt_ID車両(11)"_s << 38 << 211 << fits;
        QTest::newRow("vehicles at 38")
            << v << 1 << 38 << 11 << false << u"txt_IDダンプ工夫(0)"_s << 38 << 212 << fits;
        QTest::newRow("vehicles row 0, Shift+Tab")
            << v << 1 << 0 << 0 << true << u"txt_ID重機工夫(11)"_s << 0 << 163 << fits;
        QTest::newRow("operators")
            << IdList::Operators << 2 << 0 << 11 << false << u"txt_ID車両(0)"_s << 0 << 12 << fits;
        QTest::newRow("drivers") << IdList::Drivers << -1 << 0 << 11 << false << u"txt_ID重機(0)"_s
                                 << 0 << 112 << fits;
        QTest::newRow("drivers, Shift+Tab") // past driver 11
            << IdList::Drivers << -1 << 0 << 11 << true << u"txt_ID重機(0)"_s << 0 << 112 << fits;
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
        QFETCH(int, slot);
        QFETCH(QString, typed);
        const auto otherPrefix = [](int s) { return 0x2900000 + s; };
        IdCodeTable &table = f.document().table();
        for (int s = 1; s < SlotCount; ++s)
            table.ids[s] = otherPrefix(s);
        f.window->showTable();
        QVERIFY(f.showActive());
        if (bar >= 0)
            f.bar(bar)->setValue(from);
        QLineEdit *field = f.row(list, row);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        WindowFixture::retype(field, typed);
        QTest::keyClick(field, Qt::Key_Tab, shift ? Qt::ShiftModifier : Qt::NoModifier);
        QTRY_COMPARE(focusName(), focus);
        if (bar >= 0)
            QCOMPARE(f.bar(bar)->value(), to);
        f.window->gather();
        QCOMPARE(table.ids[slot], typed.startsWith(u"280") ? 0x2801234 : table.ids[0]);
        for (int s = 1; s < SlotCount; ++s) {
            if (s != slot)
                QCOMPARE(table.ids[s], otherPrefix(s));
        }
    }

    void scrollingStoresAndShowsEachRowAtItsSlot()
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

        // The operators at their end: rows 89 to 100 (the other two lists end
        // in tabFromARow).
        for (int s = 1; s < SlotCount; ++s)
            f.document().table().ids[s] = 0x2800000 + s;
        f.window->showTable();
        f.bar(2)->setValue(100);
        QCOMPARE(f.bar(2)->value(), 88);
        for (int r = 0; r < RowsPerList; ++r) {
            QCOMPARE(
                f.row(IdList::Operators, r)->text(), QString::number(0x2800059 + r, 16).toUpper());
            QCOMPARE(rowNumber(IdList::Operators, r), QString::number(89 + r));
        }
        WindowFixture::retype(f.row(IdList::Operators, 11), u"2801FFF"_s);
        f.window->gather();
        QCOMPARE(f.document().table().ids[100], 0x2801FFF);
    }

    void oneGatherReportsBothParametersHoldTimeFirstAndStillScrolls()
    {
        WindowFixture::retype(f.row(IdList::Drivers, 0), u"2800ABC"_s);
        f.holdTime()->setText(u"100"_s);
        f.allowance()->setText(u"5"_s);
        f.bar(2)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(f.messenger.texts(),
            QStringList({ expected::HoldTimeOutOfRange, expected::AllowanceOutOfRange }));
        for (const Message &m : f.messenger.messages()) {
            QCOMPARE(m.icon, MessageIcon::Information);
            QCOMPARE(m.buttons, MessageButtons::Ok);
            QCOMPARE(m.title, u"Kalvidor装置");
        }
        QCOMPARE(f.holdTime()->text(), u"2");
        QCOMPARE(f.allowance()->text(), u"1");
        QCOMPARE(f.document().table().ids[101], 0x2800ABC);
        QCOMPARE(rowNumber(IdList::Operators, 0), u"2");
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

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
