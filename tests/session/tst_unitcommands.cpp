// The unit operations end to end through the main window against the unit
// simulator on a pseudo-terminal.
#include "app/objectnames.h"
#include "filebytes.h"
#include "unitwindowfixture.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

using namespace kalvidor;
using namespace Qt::StringLiterals;
using namespace expected;

namespace {

using Rig = UnitWindowFixture;
const QString NoId = NoIdMark.toString();

QString caption(const Rig &rig, int row)
{
    return rig.linkWindow()
        .findChild<QLabel *>(ObjectName::rowName(ObjectName::LinkCaptions, row))
        ->text();
}

} // namespace

class TestUnitCommands : public QObject
{
    Q_OBJECT

private slots:
    // Building the program opens no port: the port opens once the event
    // loop runs, after main() has shown the window, so that a port that is
    // slow to open never keeps the window from showing. The unit's banner,
    // sent before, is then shown as usual.
    void thePortOpensOnlyOnceTheWindowIsUp()
    {
        Rig rig;
        START_UNIT(rig, (QStringList { u"--banner"_s, u"NELOR Ver1.00"_s }), 1);
        QVERIFY(!rig.ops().link().isLoaded());
        rig.window->show();
        QTRY_VERIFY(rig.ops().link().isPortOpen());
        QTRY_COMPARE(rig.window->receivedText(), u"ROM Ver1.00\r"_s);
    }

    void writeReadCompareRoundTrip()
    {
        Rig rig;
        START_UNIT(rig, QStringList(), 1);
        // Typed but not yet gathered: the write takes it at the current position.
        rig.bar(0)->setValue(38);
        rig.row(IdList::HeavyMachines, 11)->setText(u"280ABCD"_s); // heavy machine 50, slot 162
        rig.holdTime()->setText(u"12"_s);
        rig.allowance()->setText(u"3"_s);

        rig.run(ObjectName::WriteAction);
        const QStringList log = rig.unit->commandLog();
        QCOMPARE(log.size(), 215);
        QCOMPARE(log[162], u"SID 162,000043981"_s);
        QCOMPARE(log.mid(213), QStringList({ u"STM 12"_s, u"SNM 03"_s }));
        QVERIFY(!rig.linkWindow().isVisible());
        QCOMPARE(caption(rig, 0), u"送信：SNM 03\r"_s);
        QCOMPARE(caption(rig, 1), u"受信：OK\r"_s);
        QCOMPARE(rig.linkWindow().progressBar()->maximum(), 215);
        QCOMPARE(rig.linkWindow().progressBar()->value(), 215);

        rig.run(ObjectName::ResetAction);
        QCOMPARE(rig.row(IdList::HeavyMachines, 11)->text(), NoId);
        rig.run(ObjectName::ReadAction);
        QCOMPARE(rig.unit->commandLog().size(), 430);
        QCOMPARE(rig.row(IdList::HeavyMachines, 11)->text(), u"280ABCD"_s);
        QCOMPARE(rig.holdTime()->text(), u"12"_s);
        QCOMPARE(rig.allowance()->text(), u"3"_s);

        rig.run(ObjectName::CompareAction);
        QCOMPARE(rig.unit->commandLog().size(), 643);
        QCOMPARE(rig.messenger.texts(), (QStringList { WriteDone, ReadDone, Match }));
        for (const Message &m : rig.messenger.messages())
            QCOMPARE(m.icon, MessageIcon::Information);
    }

    void compareLooksAtTheListSlotsOnly_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("details"); // empty: the IDs match
        const QString head = u"相違している ID（画面 / 警報ユニット）\n"_s;
        QTest::newRow("vehicle 50 differs")
            << QStringList { u"--set"_s, u"212=FFFF"_s } << head + u"車　両 50：― / 280FFFF"_s;
        QTest::newRow("operator 1 and driver 12") << QStringList { u"--set"_s, u"1=1"_s, u"--set"_s,
            u"112=C"_s } << head + u"重機オペ 1：― / 2800001\n車両運転手 12：― / 280000C"_s;
        QTest::newRow("base ID only") << QStringList { u"--set"_s, u"0=280ABCD"_s } << QString();
        QTest::newRow("parameters only")
            << QStringList { u"--hold"_s, u"50"_s, u"--allowance"_s, u"4"_s } << QString();
    }
    void compareLooksAtTheListSlotsOnly()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, details);
        Rig rig;
        START_UNIT(rig, options, 1);
        rig.run(ObjectName::CompareAction);
        QCOMPARE(rig.messenger.messages().size(), 1);
        const Message m = rig.messenger.messages().first();
        QCOMPARE(m.text, details.isEmpty() ? Match : Differ);
        QCOMPARE(m.icon, details.isEmpty() ? MessageIcon::Information : MessageIcon::Exclamation);
        QCOMPARE(m.details, details);
        QVERIFY(!rig.linkWindow().isVisible()); // neither shown nor hidden
    }

    // A failed command's box comes as it fails, with its sequence still
    // running and the link window up: a read whose RTM gets no answer says
    // so before the window shows the IDs read; a write whose line is gone
    // after the STM reports the port as the SNM finds it closed, and then
    // where the write stopped.
    void failureBoxComesAsTheCommandFails_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("command"); // a menu item
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("lastDetails");
        QTest::addColumn<QString>("operator5"); // what operator row 5 shows at the first box

        QTest::newRow("RTM unanswered")
            << QStringList { u"--silent-rtm"_s } << ObjectName::ReadAction
            << QStringList { NotConnected } << QString() << NoId;
        QTest::newRow("line gone at the STM")
            << QStringList { u"--hangup-after"_s, u"214"_s } << ObjectName::WriteAction
            << QStringList { PortMessage, NotConnected }
            << u"失敗した箇所：警報時間設定\n書き込み済み：213 件（全 215 件中）\n"_s
                + PartlyWritten
            << NoId;
    }
    void failureBoxComesAsTheCommandFails()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, command);
        QFETCH(QStringList, texts);
        QFETCH(QString, lastDetails);
        QFETCH(QString, operator5);
        Rig rig;
        START_UNIT(rig, (options + QStringList { u"--set"_s, u"5=1234"_s }), 1);
        bool linkWindowShown = false;
        QString shownAtFirstBox;
        rig.messenger.setOnShow([&](const Message &) {
            if (rig.messenger.messages().size() > 1)
                return;
            linkWindowShown = rig.linkWindow().isVisible();
            shownAtFirstBox = rig.row(IdList::Operators, 4)->text();
        });

        rig.run(command);
        QCOMPARE(rig.messenger.texts(), texts);
        QCOMPARE(rig.messenger.messages().last().details, lastDetails);
        QVERIFY(linkWindowShown);
        QCOMPARE(shownAtFirstBox, operator5);
        QVERIFY(!rig.linkWindow().isVisible());
    }

    void failuresStopWithOneMessage_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("command"); // a menu item
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("lastCommand");
        QTest::addColumn<int>("minMs");
        QTest::addColumn<QString>("operator5"); // what operator row 5 shows afterwards

        const QStringList silent { u"--silent"_s };
        const QStringList once { NotConnected };
        const QString write = ObjectName::WriteAction, read = ObjectName::ReadAction;
        QTest::newRow("silent unit, write")
            << silent << write << once
            << u"失敗した箇所：基準IDCODE\n書き込み済み：0 件（全 215 件中）"_s
            << u"SID 000,041943040"_s << 600 << NoId;
        QTest::newRow("silent unit, read")
            << silent << read << once
            << u"失敗した箇所：基準IDCODE\n読み込み済み：0 件（全 215 件中）"_s << u"RID 00"_s
            << 300 << NoId;
        QTest::newRow("silent unit, compare") << silent << ObjectName::CompareAction << once
                                              << QString() << u"RID 00"_s << 300 << NoId;
        const QString partly
            = u"\n警報ユニットの設定は一部だけ書き換わっている可能性があります。"_s;
        QTest::newRow("SID of heavy machine 38 refused")
            << QStringList { u"--refuse-sid"_s, u"150"_s } << write << once
            << u"失敗した箇所：重　機 38\n書き込み済み：150 件（全 215 件中）"_s + partly
            << u"SID 150,000000000"_s << 0 << NoId;
        QTest::newRow("STM refused, SNM still sent")
            << QStringList { u"--refuse-stm"_s } << write << once
            << u"失敗した箇所：警報時間設定\n書き込み済み：214 件（全 215 件中）"_s + partly
            << u"SNM 01"_s << 0 << NoId;
        // The link reports the missing answer itself; the IDs read are shown.
        QTest::newRow("RTM unanswered") << QStringList { u"--silent-rtm"_s } << read << once
                                        << QString() << u"RTM"_s << 300 << u"2801234"_s;
        QTest::newRow("RTM refused keeps the hold time")
            << QStringList { u"--refuse-rtm"_s } << read << QStringList { ReadDone } << QString()
            << u"RNM"_s << 0 << u"2801234"_s;
    }
    void failuresStopWithOneMessage()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, command);
        QFETCH(QStringList, texts);
        QFETCH(QString, details);
        QFETCH(QString, lastCommand);
        QFETCH(int, minMs);
        QFETCH(QString, operator5);
        Rig rig;
        START_UNIT(rig, (options + QStringList { u"--set"_s, u"5=1234"_s }), 1);
        rig.document().table().holdTime = 7; // what a refused RTM leaves alone
        rig.window->showTable();

        QElapsedTimer clock;
        clock.start();
        rig.run(command);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= minMs && elapsed < minMs + 5000, qPrintable(QString::number(elapsed)));
        QCOMPARE(rig.messenger.texts(), texts);
        QCOMPARE(rig.messenger.messages().first().details, details);
        QCOMPARE(rig.unit->commandLog().last(), lastCommand);
        QCOMPARE(rig.row(IdList::Operators, 4)->text(), operator5);
        QCOMPARE(rig.holdTime()->text(), u"7"_s);
        QVERIFY(!rig.linkWindow().isVisible());
    }

    void windowTakesNoCommandsWhileAnExchangeWaits()
    {
        Rig rig;
        START_UNIT(rig, QStringList { u"--silent"_s }, 1);
        rig.window->show();
        rig.ops().openPortDialog();
        QPointer<PortDialog> dialog = rig.ops().portDialog();
        QVERIFY(dialog);

        const QByteArray settings = readBytes(rig.settings());
        bool checked = false;
        QTimer::singleShot(200, [&] {
            checked = true;
            QVERIFY(!rig.window->menuBar()->isEnabled());
            QVERIFY(!rig.window->centralWidget()->isEnabled());
            QVERIFY(!rig.window->writeButton()->isEnabled() && !rig.bar(2)->isEnabled());
            QVERIFY(rig.linkWindow().isVisible());
            QCOMPARE(caption(rig, 0), u"送信：SID 000,041943040\r"_s);
            QCOMPARE(caption(rig, 1), u"受信待ち"_s);
            // Neither the window nor the dialog closes now, and OK stores nothing.
            QVERIFY(!rig.window->close());
            dialog->cancelButton()->click();
            dialog->close();
            dialog->portList()->setCurrentIndex(dialog->portList()->findText(u"COM3"_s));
            dialog->okButton()->click();
            QCOMPARE(readBytes(rig.settings()), settings);
            QVERIFY(dialog && dialog->isVisible());
            QVERIFY(rig.ops().link().isLoaded());
        });
        rig.window->writeButton()->click(); // "ID登録" writes as the menu does
        QVERIFY(checked);
        QCOMPARE(rig.messenger.texts().first(), NotConnected);
        QCOMPARE(rig.unit->commandLog().first(), u"SID 000,041943040"_s);
        QVERIFY(rig.window->menuBar()->isEnabled() && rig.window->centralWidget()->isEnabled());

        // A second opening brings the same dialog to the front.
        rig.ops().openPortDialog();
        QCOMPARE(rig.ops().portDialog(), dialog.data());
        // The close asked for during the write follows now.
        QTRY_VERIFY(!rig.window->isVisible());
    }
};

QTEST_MAIN(TestUnitCommands)
#include "tst_unitcommands.moc"
