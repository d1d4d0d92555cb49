// The main window's elements, start-up state, menus, tab order, the base-ID
// panel, the reset command and what assistive technology is told.
#include "windowfixture.h"

#include "common/appinfo.h"

#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
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
    void cleanup() { f.window.reset(); }

    void firstStartShowsTheDefaultTable()
    {
        for (IdList list : AllLists)
            QCOMPARE(f.rowTexts(list), QStringList(RowsPerList, NoId));
        QCOMPARE(f.base()->text(), u"2800000");
        QCOMPARE(f.field(u"txt_保持時間"_s)->text(), u"2");
        QCOMPARE(f.field(u"txt_許可人数"_s)->text(), u"1");
        QVERIFY(f.window->table().Modified);
        QCOMPARE(f.child<QLabel>(u"lblVersion"_s)->text(), u"Ver3.40");
        QCOMPARE(f.child<QLabel>(u"lbl_ファイル名"_s)->text(),
            QDir::toNativeSeparators(f.dir.path() + u"/IdCodeTable.csv"_s));
        QCOMPARE(f.window->currentFilePath(), f.dir.path() + u"/IdCodeTable.csv"_s);
        QVERIFY(f.child<QLabel>(u"lblVer"_s)->text().isEmpty());
        QVERIFY(f.child(u"Picture1"_s)->isHidden());
        QCOMPARE(f.window->windowTitle(), u"Kalvidor装置「NELOR」設定アプリケーション");
        const int maxima[] = { 38, 38, 88 };
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(f.bar(i)->value(), 0);
            QCOMPARE(f.bar(i)->maximum(), maxima[i]);
            QCOMPARE(f.bar(i)->pageStep(), 12);
            QCOMPARE(f.bar(i)->singleStep(), 1);
        }
        QVERIFY(f.messenger.messages().isEmpty());
    }

    void elementsSitAtTheirDesignPositions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("title") << u"lbl_TL重機"_s << QRect(24, 24, 185, 35);
        QTest::newRow("design row") << u"txt_ID重機(0)"_s << QRect(88, 58, 97, 28);
        QTest::newRow("created row") << u"txt_ID重機(11)"_s << QRect(88, 366, 97, 28);
        QTest::newRow("created label") << u"lbl_No車両(5)"_s << QRect(408, 198, 65, 28);
        QTest::newRow("driver row") << u"txt_IDダンプ工夫(7)"_s << QRect(664, 254, 121, 28);
        QTest::newRow("scroll bar") << u"VScroll(2)"_s << QRect(376, 59, 25, 335);
        QTest::newRow("notice") << u"Label4"_s << QRect(24, 400, 793, 25);
        QTest::newRow("hold time") << u"txt_保持時間"_s << QRect(552, 480, 57, 33);
        QTest::newRow("version") << u"lblVersion"_s << QRect(712, 8, 57, 11);
        QTest::newRow("panel") << u"Picture1"_s << QRect(360, 592, 361, 121);
        QTest::newRow("write button") << u"cmd_設定"_s << QRect(96, 680, 81, 33);
        QTest::newRow("file name") << u"lbl_ファイル名"_s << QRect(184, 688, 537, 17);
    }
    void elementsSitAtTheirDesignPositions()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QCOMPARE(f.child(name)->geometry(), geometry);
    }

    void clientAreaHasTheDesignSize()
    {
        QVERIFY(f.showActive());
        QCOMPARE(f.window->centralWidget()->size(), QSize(808, 588));
    }

    void fontsResolveAndCaptionsFit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        QTest::newRow("title") << u"Label2"_s << 18.0 << false;
        QTest::newRow("row") << u"txt_ID車両(4)"_s << 14.25 << true;
        QTest::newRow("row number") << u"lbl_No重機工夫(9)"_s << 14.25 << true;
        QTest::newRow("notice") << u"Label4"_s << 15.75 << true;
        QTest::newRow("caption") << u"Label10"_s << 15.75 << true;
        QTest::newRow("hint") << u"Label11"_s << 14.25 << true;
        QTest::newRow("range note") << u"Label9"_s << 14.25 << true;
        QTest::newRow("field") << u"txt_保持時間"_s << 18.0 << false;
        QTest::newRow("default font") << u"lblVersion"_s << 9.0 << false;
    }
    void fontsResolveAndCaptionsFit()
    {
        QFETCH(QString, name);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        QWidget *w = f.child(name);
        QCOMPARE(w->font().pointSizeF(), points);
        QCOMPARE(w->font().bold(), bold);
        QCOMPARE(QFontInfo(w->font()).family(), u"IPAPGothic");
        if (auto *label = qobject_cast<QLabel *>(w)) // one line, within the label
            QVERIFY(QFontMetrics(w->font()).horizontalAdvance(label->text()) <= w->width());
    }

    void colours()
    {
        const auto colour = [this](const QString &name, QPalette::ColorRole role) {
            return f.child(name)->palette().color(role);
        };
        QCOMPARE(colour(u"lbl_TL重機"_s, QPalette::Window), QColor(255, 255, 128));
        QCOMPARE(colour(u"lbl_No車両(3)"_s, QPalette::Window), QColor(128, 255, 128));
        QCOMPARE(colour(u"Label1"_s, QPalette::Window), QColor(255, 192, 128));
        QCOMPARE(colour(u"Label4"_s, QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(f.child(u"lbl_No重機(0)"_s)->autoFillBackground());
    }

    void menusAndCommands()
    {
        const QList<QAction *> top = f.window->menuBar()->actions();
        QCOMPARE(top.size(), 2);
        QCOMPARE(top[0]->text(), u"ファイル(F)");
        QCOMPARE(top[0]->menu()->objectName(), u"mnu_File");
        QCOMPARE(top[1]->text(), u"設定");
        QCOMPARE(top[1]->menu()->objectName(), u"pum_InfSet");
        QStringList items;
        for (QAction *menu : top) {
            for (QAction *a : menu->menu()->actions())
                items << a->objectName() + u'=' + a->text();
        }
        QCOMPARE(items,
            QStringList({ u"mnu_保存=CSV保存"_s, u"mnu_読込み=CSV読込み"_s,
                u"mnu_終了=アプリケーション終了"_s, u"mnu_設定=NELORへ流し込み"_s,
                u"mnu_警報読込=NELORから読込み"_s, u"mnu_比較=比較確認"_s,
                u"mnu_comp設定=通信ポート設定"_s, u"mnu_Reset=初期設定に戻す"_s }));
        QCOMPARE(f.window->action(MainCommand::PortSettings)->objectName(), u"mnu_comp設定");
        QCOMPARE(f.window->action(MainCommand::ReadFromUnit)->objectName(), u"mnu_警報読込");
        QCOMPARE(f.window->writeButton()->objectName(), u"cmd_設定");
        QCOMPARE(f.window->writeButton()->text(), u"ID登録");
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
            if ((w->focusPolicy() & Qt::TabFocus) && w->window() == f.window.get())
                walked << w->objectName();
            w = w->nextInFocusChain();
        } while (w != start && walked.size() <= expected.size());
        QCOMPARE(walked, expected);
    }

    void versionLabelTogglesTheBaseIdPanel()
    {
        QWidget *panel = f.child(u"Picture1"_s);
        QWidget *version = f.child(u"lblVersion"_s);
        QTest::mouseClick(version, Qt::LeftButton);
        QCOMPARE(f.messenger.messages().size(), 1);
        const Message &question = f.messenger.messages().first();
        QCOMPARE(question.text, u"基準IDコードを設定しますか？");
        QCOMPARE(question.title, u"確認");
        QCOMPARE(question.icon, MessageIcon::Exclamation);
        QCOMPARE(question.buttons, MessageButtons::OkCancel);
        QVERIFY(!panel->isHidden());
        QCOMPARE(panel->pos(), QPoint(28, 440)); // Shape1 + (60, 120) twips

        QTest::mouseClick(version, Qt::LeftButton); // hides without asking
        QVERIFY(panel->isHidden());
        QCOMPARE(panel->pos(), QPoint(28, 440));
        QCOMPARE(f.messenger.messages().size(), 1);

        f.messenger.queueAnswer(MessageAnswer::Cancel); // asks again; Cancel keeps it hidden
        QTest::mouseClick(version, Qt::LeftButton);
        QCOMPARE(f.messenger.messages().size(), 2);
        QVERIFY(panel->isHidden());
    }

    void cancelLeavesThePanelWhereItWas()
    {
        f.messenger.queueAnswer(MessageAnswer::Cancel);
        QTest::mouseClick(f.child(u"lblVersion"_s), Qt::LeftButton);
        QVERIFY(f.child(u"Picture1"_s)->isHidden());
        QCOMPARE(f.child(u"Picture1"_s)->pos(), QPoint(360, 592));
    }

    void resetKeepsTheBasePrefixAndTheScrollPositions()
    {
        f.base()->setText(u"2812345"_s);
        f.row(IdList::Drivers, 2)->setText(u"2801234"_s);
        f.bar(0)->setValue(5);
        f.field(u"txt_保持時間"_s)->setText(u"50"_s);
        f.window->table().Modified = false;
        f.child<QAction>(u"mnu_Reset"_s)->trigger();
        QCOMPARE(f.base()->text(), u"2810000");
        for (IdList list : AllLists)
            QCOMPARE(f.rowTexts(list), QStringList(RowsPerList, NoId));
        QCOMPARE(f.field(u"txt_保持時間"_s)->text(), u"2");
        QCOMPARE(f.field(u"txt_許可人数"_s)->text(), u"1");
        QCOMPARE(f.bar(0)->value(), 5);
        QVERIFY(f.window->table().Modified);
        QVERIFY(f.messenger.messages().isEmpty());
    }

    void clearButtonEmptiesTheReceiveDisplay()
    {
        f.window->setReceivedText(u"ROM Ver1.00\r"_s);
        QSignalSpy cleared(f.window.get(), &MainWindow::receiveDisplayCleared);
        QTest::mouseClick(f.child(u"Command1"_s), Qt::LeftButton);
        QVERIFY(f.window->receivedText().isEmpty());
        QCOMPARE(cleared.size(), 1);
    }

    void accessibleNamesFollowTheRowNumbers()
    {
        const auto name = [](QWidget *w) {
            return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        };
        QCOMPARE(name(f.base()), u"基準IDCODE");
        QCOMPARE(name(f.field(u"txt_保持時間"_s)), u"警報時間設定");
        QCOMPARE(name(f.field(u"txt_許可人数"_s)), u"重機オペ許可人数");
        QCOMPARE(name(f.row(IdList::HeavyMachines, 0)), u"重機 1");
        QCOMPARE(name(f.row(IdList::Drivers, 11)), u"車両運転手 12");
        f.bar(0)->setValue(5);
        f.bar(2)->setValue(88);
        QCOMPARE(name(f.row(IdList::HeavyMachines, 0)), u"重機 6");
        QCOMPARE(name(f.row(IdList::HeavyMachines, 11)), u"重機 17");
        QCOMPARE(name(f.row(IdList::Operators, 11)), u"重機オペ 100");
        QCOMPARE(name(f.row(IdList::Vehicles, 3)), u"車両 4");
        QCOMPARE(name(f.child(u"lbl_No重機(0)"_s)), u"6"); // labels keep their visible text
        QCOMPARE(name(f.child(u"Label5"_s)), u"重機オペ許可人数");
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
