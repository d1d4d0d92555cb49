// The main window at start-up, a few layout checks, the menus, the tab
// order, the base-ID panel and the reset command.
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
        QCOMPARE(f.child<QLabel>(u"lblVersion"_s)->text(), u"Ver3.40");
        QCOMPARE(f.child<QLabel>(u"lbl_ファイル名"_s)->text(),
            QDir::toNativeSeparators(f.dir.path() + u"/IdCodeTable.csv"_s));
        QVERIFY(f.child(u"Picture1"_s)->isHidden());
        QVERIFY(f.messenger.messages().isEmpty());
    }

    // A few samples of the design layout; the fonts fall back to an installed one.
    void layoutSamples()
    {
        QVERIFY(f.showActive());
        QCOMPARE(f.window->centralWidget()->size(), QSize(808, 588));
        QCOMPARE(f.child(u"txt_ID重機(0)"_s)->geometry(), QRect(88, 58, 97, 28)); // design row
        QCOMPARE(f.child(u"txt_ID重機(11)"_s)->geometry(), QRect(88, 366, 97, 28)); // created
        QCOMPARE(f.child(u"cmd_設定"_s)->geometry(), QRect(96, 680, 81, 33)); // below the design
        const QFont rowFont = f.row(IdList::Vehicles, 4)->font();
        QCOMPARE(rowFont.pointSizeF(), 14.25);
        QVERIFY(rowFont.bold());
        QCOMPARE(QFontInfo(rowFont).family(), u"IPAPGothic");
        auto *notice = f.child<QLabel>(u"Label4"_s);
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
            QStringList({ u"mnu_保存"_s, u"mnu_読込み"_s, u"mnu_終了"_s, u"mnu_設定"_s,
                u"mnu_警報読込"_s, u"mnu_比較"_s, u"mnu_comp設定"_s, u"mnu_Reset"_s }));
    }

    void tabOrder()
    {
        QStringList expected { u"cmd_設定"_s, u"txt_保持時間"_s, u"VScroll(0)"_s, u"VScroll(1)"_s,
            u"Command1"_s, u"Picture1"_s, u"txt_許可人数"_s, u"txt_ID作業員(0)"_s,
            u"txt_ID重機(0)"_s, u"VScroll(2)"_s };
        for (int r = 1; r < RowsPerList; ++r)
            expected << WindowFixture::rowName(IdList::HeavyMachines, r);
        for (IdList l : { IdList::Operators, IdList::Vehicles, IdList::Drivers }) {
            for (int r = 0; r < RowsPerList; ++r)
                expected << WindowFixture::rowName(l, r);
        }
        QWidget *start = f.child(u"cmd_設定"_s);
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
        QWidget *panel = f.child(u"Picture1"_s);
        QWidget *version = f.child(u"lblVersion"_s);
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
        f.trigger(u"mnu_Reset"_s);
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
        QTest::mouseClick(f.child(u"Command1"_s), Qt::LeftButton);
        QVERIFY(f.window->receivedText().isEmpty());
        QCOMPARE(cleared.size(), 1); // the link empties its receive buffer on it
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
