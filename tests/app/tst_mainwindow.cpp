// The main window at start-up, a few layout checks, the menus, the tab
// order, the base-ID panel and the reset command.
#include "common/objectnames.h"
#include "link/unitlink.h"
#include "windowfixture.h"

#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {
const QString NoId = NoIdMark.toString();
constexpr IdList AllLists[]
    = { IdList::Operators, IdList::Drivers, IdList::HeavyMachines, IdList::Vehicles };
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    WindowFixture f;

private slots:
    void init() { f.create(); }
    void cleanup() { f.destroy(); }

    void firstStartShowsTheDefaultTable()
    {
        for (IdList list : AllLists)
            QCOMPARE(f.rowTexts(list), QStringList(RowsPerList, NoId));
        QCOMPARE(f.base()->text(), u"2800000");
        QCOMPARE(f.holdTime()->text(), u"2");
        QCOMPARE(f.allowance()->text(), u"1");
        QVERIFY(f.document().isModified()); // the defaults are not saved yet
        QCOMPARE(f.child<QLabel>(ObjectName::VersionLabel)->text(), u"Ver3.40");
        QCOMPARE(f.child<QLabel>(ObjectName::FileNameLabel)->text(),
            QDir::toNativeSeparators(f.dir.path() + u"/IdCodeTable.csv"_s));
        QVERIFY(f.child(ObjectName::BaseIdPanel)->isHidden());
        QVERIFY(f.messenger.messages().isEmpty());
        // The unit's time limits, in ms: SID, RID, STM, SNM, RTM, RNM.
        const LinkLimits limits = f.ops().link().limits();
        QCOMPARE((QList<int> { limits.sid, limits.rid, limits.stm, limits.snm, limits.rtm,
                     limits.rnm }),
            (QList<int> { 20000, 2000, 10000, 10000, 2000, 2000 }));
    }

    // A few samples of the design layout; the fonts fall back to an installed one.
    void layoutSamples()
    {
        QVERIFY(f.showActive());
        QCOMPARE(f.window->centralWidget()->size(), QSize(808, 588));
        QCOMPARE(f.child(ObjectName::rowName(ObjectName::HeavyMachineRows, 0))->geometry(),
            QRect(88, 58, 97, 28)); // design row
        QCOMPARE(f.child(ObjectName::rowName(ObjectName::HeavyMachineRows, 11))->geometry(),
            QRect(88, 366, 97, 28)); // created
        QCOMPARE(f.child(ObjectName::WriteButton)->geometry(),
            QRect(96, 680, 81, 33)); // below the design
        const QFont rowFont = f.row(IdList::Vehicles, 4)->font();
        QCOMPARE(rowFont.pointSizeF(), 14.25);
        QVERIFY(rowFont.bold());
        QCOMPARE(QFontInfo(rowFont).family(), u"IPAPGothic");
        auto *notice = f.child<QLabel>(ObjectName::UnregisteredNote);
        QCOMPARE(notice->font().pointSizeF(), 15.75);
        QCOMPARE(QFontInfo(notice->font()).family(), u"IPAPGothic");
        // One line, within the label.
        QVERIFY(QFontMetrics(notice->font()).horizontalAdvance(notice->text()) <= notice->width());
    }

    void everyCommandIsInTheMenus()
    {
        QStringList items;
        for (QAction *menu : f.window->menuBar()->actions()) {
            for (QAction *a : menu->menu()->actions())
                items << a->objectName();
        }
        QCOMPARE(items,
            QStringList({ ObjectName::SaveAction, ObjectName::LoadAction, ObjectName::ExitAction,
                ObjectName::WriteAction, ObjectName::ReadAction, ObjectName::CompareAction,
                ObjectName::PortSettingsAction, ObjectName::ResetAction }));
    }

    void tabOrder()
    {
        QStringList expected { ObjectName::WriteButton, ObjectName::HoldTimeField,
            ObjectName::rowName(ObjectName::ScrollBars, 0),
            ObjectName::rowName(ObjectName::ScrollBars, 1), ObjectName::ClearReceiveDisplay,
            ObjectName::BaseIdPanel, ObjectName::AllowanceField,
            ObjectName::rowName(ObjectName::BaseIdFields, 0),
            ObjectName::rowName(ObjectName::HeavyMachineRows, 0),
            ObjectName::rowName(ObjectName::ScrollBars, 2) };
        for (int r = 1; r < RowsPerList; ++r)
            expected << WindowFixture::rowName(IdList::HeavyMachines, r);
        for (IdList l : { IdList::Operators, IdList::Vehicles, IdList::Drivers }) {
            for (int r = 0; r < RowsPerList; ++r)
                expected << WindowFixture::rowName(l, r);
        }
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

    void versionLabelTogglesTheBaseIdPanel()
    {
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

        QTest::mouseClick(version, Qt::LeftButton); // hides without asking
        QVERIFY(panel->isHidden());
        QCOMPARE(panel->pos(), QPoint(28, 440));
        QCOMPARE(f.messenger.messages().size(), 2);
    }

    void resetKeepsTheBasePrefixAndTheScrollPositions()
    {
        f.base()->setText(u"2812345"_s);
        f.row(IdList::Drivers, 2)->setText(u"2801234"_s);
        f.bar(0)->setValue(5);
        f.holdTime()->setText(u"50"_s);
        f.document().setModified(false);
        f.trigger(ObjectName::ResetAction);
        QCOMPARE(f.base()->text(), u"2810000");
        for (IdList list : AllLists)
            QCOMPARE(f.rowTexts(list), QStringList(RowsPerList, NoId));
        QCOMPARE(f.holdTime()->text(), u"2");
        QCOMPARE(f.bar(0)->value(), 5);
        QVERIFY(f.document().isModified());
        QVERIFY(f.messenger.messages().isEmpty());
    }

    void clearButtonEmptiesTheReceiveDisplay()
    {
        f.window->setReceivedText(u"ROM Ver1.00\r"_s);
        QSignalSpy cleared(f.window, &MainWindow::receiveDisplayCleared);
        QTest::mouseClick(f.child(ObjectName::ClearReceiveDisplay), Qt::LeftButton);
        QVERIFY(f.window->receivedText().isEmpty());
        QCOMPARE(cleared.size(), 1); // the link empties its receive buffer on it
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
