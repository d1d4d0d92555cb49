// The link without a unit: choosing the port from the settings file, and a
// port that cannot be opened.
#include "files/idtablefile.h"
#include "files/inifile.h"
#include "link/serialports.h"
#include "link/unitlink.h"
#include "recordingmessenger.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

const QString PortMessage = u"通信ポート番号が正しくありません。設定を行ってください。"_s;

// A program folder whose settings file maps COM1..COM4 to distinct paths
// that do not exist.
struct ProgramDir
{
    QTemporaryDir dir;
    QString settings() const { return settingsFilePath(dir.path()); }
    QString device(int n) const { return dir.filePath(u"no-such-port-%1"_s.arg(n)); }
    ProgramDir() { forgetPort(); }
    // A settings file with the port mapping only.
    void forgetPort()
    {
        QFile::remove(settings());
        for (int n = 1; n <= 4; ++n)
            WriteIni(u"PORTS"_s, u"COM%1"_s.arg(n), settings(), device(n));
    }
    void storePort(const QString &value) { WriteIni(u"CONF"_s, u"PORT"_s, settings(), value); }
};

QString openedDevice(UnitLink &link)
{
    return link.findChild<QSerialPort *>(u"com_Unit"_s)->portName();
}

} // namespace

class TestUnitLink : public QObject
{
    Q_OBJECT

private slots:
    void portNumberFromTheSettingsFile_data()
    {
        QTest::addColumn<QString>("stored"); // empty: no PORT key
        QTest::addColumn<int>("port");
        QTest::newRow("3") << u"3"_s << 3;
        QTest::newRow("9 clamps to 4") << u"9"_s << 4;
        QTest::newRow("0 clamps to 1") << u"0"_s << 1;
        QTest::newRow("no digits") << u"abc"_s << 1;
        QTest::newRow("missing keeps COM1") << QString() << 1;
    }
    void portNumberFromTheSettingsFile()
    {
        QFETCH(QString, stored);
        QFETCH(int, port);
        ProgramDir program;
        if (!stored.isNull())
            program.storePort(stored);
        RecordingMessenger messenger;
        UnitLink link({ program.dir.path(), {} }, messenger);
        link.load();
        QCOMPARE(link.portNumber(), port);
        QCOMPARE(openedDevice(link), program.device(port));
        QVERIFY(!link.isPortOpen());
        QVERIFY(messenger.messages().isEmpty()); // a failed open is not reported at load

        program.forgetPort(); // a missing setting keeps the port in use
        link.unload();
        link.load();
        QCOMPARE(link.portNumber(), port);
    }

    void withoutPortMappingTheSerialDeviceIsUsed()
    {
#ifdef Q_OS_WIN
        QCOMPARE(portDeviceName(2, u"x"_s), u"COM2"_s);
#else
        QTemporaryDir dir;
        QCOMPARE(portDeviceName(1, settingsFilePath(dir.path())), u"/dev/ttyS0"_s);
        QCOMPARE(portDeviceName(4, settingsFilePath(dir.path())), u"/dev/ttyS3"_s);
#endif
    }

    // Each exchange reports the closed port once; setout and setin also hide the window.
    void portThatCannotBeOpened()
    {
        ProgramDir program;
        program.storePort(u"1"_s);
        RecordingMessenger messenger;
        UnitLink link({ program.dir.path(), {} }, messenger);
        QSignalSpy hidden(&link, &UnitLink::hideRequested);
        QSignalSpy sent(&link, &UnitLink::sentCaptionChanged);
        std::array<qint32, SlotCount> table {};
        table.fill(7);

        QCOMPARE(link.setout(table), ExchangeNotOpen);
        QVERIFY(link.isLoaded()); // the exchange loaded the link first
        QCOMPARE(link.setin(table), ExchangeNotOpen);
        QCOMPARE(hidden.count(), 2);
        QCOMPARE(link.timout(5, 0), ExchangeNotOpen);
        QCOMPARE(link.timin(0), ExchangeNotOpen);
        QCOMPARE(hidden.count(), 2);
        QCOMPARE(messenger.texts(), QStringList(4, PortMessage));
        QCOMPARE(messenger.messages().first().icon, MessageIcon::Exclamation);
        QCOMPARE(sent.count(), 0); // no command went out
        QCOMPARE(table[0], 7);
        QVERIFY(!link.isBusy());
    }
};

QTEST_MAIN(TestUnitLink)
#include "tst_unitlink.moc"
