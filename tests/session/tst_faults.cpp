// Faults of the serial port, the settings file and the unit as the user meets
// them through the main window: what is shown, and that the next command
// works once the cause is gone.
#include "app/filedialogs.h"
#include "app/objectnames.h"
#include "filebytes.h"
#include "files/inifile.h"
#include "unitwindowfixture.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

using namespace kalvidor;
using namespace Qt::StringLiterals;
using namespace expected;

namespace {

using Rig = UnitWindowFixture;

// While it lives, no process may write a file beyond a few bytes; a write
// fails with EFBIG instead. Permission bits do not stop root, this does.
class FileSizeLimit
{
public:
    FileSizeLimit()
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = m_old;
        tight.rlim_cur = 4;
        setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    // The port cannot be opened: the first command says so once, sends
    // nothing and changes nothing; once the cause is gone and the port
    // dialog has closed, the next write goes through.
    void portThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("held by another program") << u"held"_s;
        QTest::newRow("settings map it to a folder") << u"folder"_s;
        QTest::newRow("settings map it to a device that is no serial line") << u"null"_s;
    }
    void portThatCannotBeOpened()
    {
        QFETCH(QString, cause);
        Rig rig;
        rig.unit = std::make_unique<UnitSimulator>();
        START_UNIT_SIMULATOR(*rig.unit, rig.dir.path(), 1);
        UnitSimulator &unit = *rig.unit;
        // Another program has the port open, with its lock, before the window starts.
        QSerialPort other(unit.devicePath());
        if (cause == u"held") {
            QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
        } else {
            QString path = u"/dev/null"_s;
            if (cause == u"folder")
                path = rig.dir.path();
            QVERIFY(writeIni(u"PORTS"_s, u"COM1"_s, rig.settings(), path));
        }
        rig.create();
        const IdCodeTable before = rig.document().table();

        rig.run(ObjectName::WriteAction);
        QCOMPARE(rig.messenger.texts(), QStringList { PortMessage });
        QCOMPARE(rig.messenger.messages().first().icon, MessageIcon::Exclamation);
        QVERIFY(unit.commandLog().isEmpty());
        QCOMPARE(rig.document().table(), before);
        QVERIFY(!rig.ops().linkWindow()->isVisible());

        other.close();
        UnitSimulator::writeSettings(rig.dir.path(), 1, unit.devicePath());
        rig.messenger.clear();
        rig.reloadLink();
        rig.run(ObjectName::WriteAction);
        QCOMPARE(rig.messenger.texts(), QStringList { WriteDone });
        QCOMPARE(unit.commandLog().size(), 215);
    }

    // The line goes away during a write and comes back: the write stops at
    // once with the not-connected message; until the port dialog closes,
    // commands report the port; then they work again.
    void portVanishesAndComesBack()
    {
        Rig rig;
        // The 100th command (operator 99's SID) is never answered.
        UnitSimulator unit({ u"--hangup-after"_s, u"100"_s, u"--reopen-after"_s, u"300"_s });
        START_UNIT_SIMULATOR(unit, rig.dir.path(), 1);
        rig.services.linkLimits.sid = 5000;
        rig.create();

        QElapsedTimer clock;
        clock.start();
        rig.run(ObjectName::WriteAction);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(rig.messenger.texts(), QStringList { NotConnected });
        QCOMPARE(rig.messenger.messages().first().details,
            u"失敗した箇所：重機オペ 99\n書き込み済み：99 件（全 215 件中）\n"_s + PartlyWritten);

        rig.messenger.clear();
        const IdCodeTable before = rig.document().table();
        rig.run(ObjectName::ReadAction);
        QCOMPARE(rig.messenger.texts(), QStringList { PortMessage });
        QCOMPARE(rig.document().table(), before);

        // The simulator points its symlink at a fresh line when it is back.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(unit.devicePath()), 5000);
        rig.messenger.clear();
        rig.reloadLink();
        rig.run(ObjectName::WriteAction);
        QCOMPARE(rig.messenger.texts(), QStringList { WriteDone });
        QCOMPARE(unit.commandLog().size(), 100 + 215);
    }

    // A disk that fills up while the settings file is rewritten: the old
    // file stays whole, the port dialog closes as usual without a message,
    // and the port stored before stays in effect. (The table file's save on
    // a full disk is tested with kalvidor-cli, its message with CSV保存.)
    void writeThatRunsOutOfRoomKeepsTheOldFile()
    {
        Rig rig;
        START_UNIT(rig, QStringList(), 1);
        const QByteArray old = readBytes(rig.settings());
        rig.run(ObjectName::PortSettingsAction);
        QPointer<PortDialog> dialog = rig.ops().portDialog();
        dialog->portList()->setCurrentIndex(2);
        {
            const FileSizeLimit full;
            dialog->okButton()->click();
        }
        QCOMPARE(readBytes(rig.settings()), old);
        QTRY_VERIFY(!dialog);
        QVERIFY(!rig.ops().link().isLoaded());
        QVERIFY(rig.messenger.messages().isEmpty());
        rig.run(ObjectName::WriteAction);
        QCOMPARE(rig.messenger.texts(), QStringList { WriteDone });
        QCOMPARE(rig.ops().link().deviceName(), rig.unit->devicePath());
    }

    // Text from the unit that is no reply to the command waiting: the
    // command fails with the not-connected message and nothing of it
    // reaches the receive display; only the write's last reply does, once.
    void unitTextInPlaceOfAReply_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bytes without a line end, endlessly")
            << QStringList { u"--silent"_s, u"--stream-garbage"_s }
            << u"失敗した箇所：基準IDCODE\n書き込み済み：0 件（全 215 件中）"_s << QString();
        // The banner comes while STM waits for its answer and is taken as it.
        QTest::newRow("banner while a command waits")
            << QStringList { u"--silent-stm"_s, u"--banner"_s, u"NELOR Ver1.00"_s }
            << u"失敗した箇所：警報時間設定\n書き込み済み：214 件（全 215 件中）\n"_s
                + PartlyWritten
            << u"OK\r"_s;
    }
    void unitTextInPlaceOfAReply()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, details);
        QFETCH(QString, shown);
        Rig rig;
        rig.unit = std::make_unique<UnitSimulator>(options);
        START_UNIT_SIMULATOR(*rig.unit, rig.dir.path(), 1);
        UnitSimulator &unit = *rig.unit;
        rig.services.linkTickInterval = 50;
        rig.services.linkLimits.stm = 5000; // the banner ends the wait
        rig.create();
        if (options.contains(u"--banner"_s)) {
            // The banner sent at the start is shown, as it should be.
            QTRY_COMPARE(rig.window->receivedText(), u"ROM Ver1.00\r"_s);
            rig.window->setReceivedText(QString());
        }
        // Once STM has gone out: a zero timer fires in the wait for its reply.
        connect(&rig.ops().link(), &UnitLink::commandSent, &unit, [&unit](const QString &command) {
            if (command.startsWith(u"STM"))
                QTimer::singleShot(0, &unit, &UnitSimulator::sendBanner);
        });

        rig.run(ObjectName::WriteAction);
        QCOMPARE(rig.messenger.texts(), QStringList { NotConnected });
        QCOMPARE(rig.messenger.messages().first().details, details);
        // Nor later: a few looks for unit text pass, the streaming unit goes on.
        QSignalSpy ticks(rig.ops().link().findChild<QTimer *>(), &QTimer::timeout);
        QTRY_VERIFY(ticks.count() >= 3);
        QCOMPARE(rig.window->receivedText(), shown);
    }

    // A command timed out and its reply comes just after the next command
    // went out. A reply of the other kind is the unit's own text, not the
    // waiting command's answer: the next command goes through. The receive
    // display shows, once each: the last reply of the command that timed
    // out (if any), the late reply, and the last reply of the next command.
    void lateReplyIsNotTakenForTheNextCommands_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("first"); // a menu item whose command times out
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("second"); // the menu item given right after it
        QTest::addColumn<QString>("done");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("ridLimit");
        QTest::newRow("a write after a timed-out read")
            << QStringList { u"--delay-line"_s, u"RID 00=400"_s, u"--delay-line"_s,
                   u"SID 000,041943040=800"_s, u"--crlf"_s }
            << ObjectName::ReadAction
            << u"失敗した箇所：基準IDCODE\n読み込み済み：0 件（全 215 件中）"_s
            << ObjectName::WriteAction << WriteDone << u"41943040\r\nOK\r\n"_s << 200;
        QTest::newRow("a read after a timed-out write")
            << QStringList { u"--set"_s, u"0=2812345"_s, u"--delay-line"_s, u"SNM 01=400"_s,
                   u"--delay-line"_s, u"RID 00=800"_s }
            << ObjectName::WriteAction
            << u"失敗した箇所：重機オペ許可人数\n書き込み済み：214 件（全 215 件中）\n"_s
                + PartlyWritten
            << ObjectName::ReadAction << ReadDone << u"OK\rOK\r1\r"_s << 2000;
    }
    void lateReplyIsNotTakenForTheNextCommands()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, first);
        QFETCH(QString, details);
        QFETCH(QString, second);
        QFETCH(QString, done);
        QFETCH(QString, shown);
        QFETCH(int, ridLimit);
        Rig rig;
        rig.unit = std::make_unique<UnitSimulator>(options);
        START_UNIT_SIMULATOR(*rig.unit, rig.dir.path(), 1);
        rig.services.linkLimits
            = { .sid = 2000, .rid = ridLimit, .stm = 2000, .snm = 200, .rtm = 2000, .rnm = 2000 };
        rig.services.linkTickInterval = 50;
        rig.create();

        rig.run(first);
        QCOMPARE(rig.messenger.texts(), QStringList { NotConnected });
        QCOMPARE(rig.messenger.messages().first().details, details);
        rig.messenger.clear();
        rig.window->setReceivedText(QString());
        rig.run(second);
        QCOMPARE(rig.messenger.texts(), QStringList { done });
        // The read took the unit's real base ID, not the late "OK".
        QCOMPARE(rig.base()->text(), u"2800000"_s);
        QTRY_COMPARE(rig.window->receivedText(), shown);
        QSignalSpy ticks(rig.ops().link().findChild<QTimer *>(), &QTimer::timeout);
        QTRY_VERIFY(ticks.count() >= 3);
        QCOMPARE(rig.window->receivedText(), shown);
    }

    // Text waiting for the receive display is held up to the receive
    // buffer's size, however much piles up before a tick hands it out: here
    // four reads in a row, each refused at once with a reply of 20 000
    // bytes, the last reply of each kept for the display.
    void textWaitingForTheReceiveDisplayIsCapped()
    {
        Rig rig;
        const QString refusal = u"N"_s + QString(20000, u'x');
        START_UNIT(rig, (QStringList { u"--answer-rid"_s, u"0="_s + refusal }), 1);
        for (int i = 0; i < 4; ++i)
            rig.run(ObjectName::ReadAction);
        QCOMPARE(rig.messenger.texts(), QStringList(4, NotConnected));
        QCOMPARE(rig.unit->commandLog(), QStringList(4, u"RID 00"_s));

        QSignalSpy ticks(rig.ops().link().findChild<QTimer *>(), &QTimer::timeout);
        QTRY_VERIFY(ticks.count() >= 3);
        const QString shown = rig.window->receivedText();
        QVERIFY2(
            shown.size() <= UnitLink::ReceiveBufferCap, qPrintable(QString::number(shown.size())));
        const QString reply = refusal + u'\r';
        QVERIFY(shown.startsWith(reply + reply + reply));
    }

    // A write never sends a hold time or an allowance the unit cannot
    // hold. A damaged table file leaves either at 0: the write says which is
    // out of range, sends nothing, so the unit keeps what it holds, and says
    // so. A file whose lines 214 and 215 hold 0 loads the defaults instead,
    // which go out.
    void writeNeverSendsParametersOutOfRange_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("parameters"); // empty: nothing sent
        QByteArray random(4096, '\0');
        for (int i = 0; i < random.size(); ++i)
            random[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("random bytes")
            << random << QStringList { HoldTimeOutOfRange, AllowanceOutOfRange, WriteStopped }
            << QStringList();
        QByteArray lines;
        for (int line = 1; line <= 213; ++line)
            lines += QByteArray::number(line) + ",2800000\r\n";
        QTest::newRow("the allowance alone: line 215 holds no number")
            << lines + "214,5\r\n215,x\r\n"
            << QStringList { AllowanceOutOfRange, WriteStopped } << QStringList();
        QTest::newRow("lines 214 and 215 hold 0")
            << lines + "214,0\r\n215,0\r\n"
            << QStringList { WriteDone } << QStringList { u"STM 02"_s, u"SNM 01"_s };
    }
    void writeNeverSendsParametersOutOfRange()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, parameters);
        Rig rig;
        rig.unit = std::make_unique<UnitSimulator>();
        START_UNIT_SIMULATOR(*rig.unit, rig.dir.path(), 1);
        UnitSimulator &unit = *rig.unit;
        QFile table(tableFilePath(rig.dir.path()));
        QVERIFY(table.open(QIODevice::WriteOnly) && table.write(file) == file.size());
        table.close();
        rig.create();
        // What the start-up says about the file itself is not this test's.
        QCoreApplication::processEvents();
        rig.messenger.clear();

        rig.run(ObjectName::WriteAction);
        QCOMPARE(rig.messenger.texts(), texts);
        QCOMPARE(unit.commandLog().mid(213), parameters);
        QVERIFY(!rig.ops().linkWindow()->isVisible());
        if (!parameters.isEmpty())
            return;
        QVERIFY(unit.commandLog().isEmpty());
        const Message &stopped = rig.messenger.messages().last();
        QCOMPARE(stopped.icon, MessageIcon::Information);
        QCOMPARE(stopped.title, u"Kalvidor装置"_s);
        // The values the user then types go out as usual.
        rig.messenger.clear();
        rig.holdTime()->setText(u"5"_s);
        rig.allowance()->setText(u"2"_s);
        rig.run(ObjectName::WriteAction);
        QCOMPARE(rig.messenger.texts(), QStringList { WriteDone });
        QCOMPARE(unit.commandLog().mid(213), (QStringList { u"STM 05"_s, u"SNM 02"_s }));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
