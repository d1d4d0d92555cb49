// The link without a unit: choosing the port from the settings file, and a
// port that cannot be opened.
#include "files/idtablefile.h"
#include "files/inifile.h"
#include "link/serialports.h"
#include "link/unitlink.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

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
        UnitLink link({ program.dir.path(), {} });
        link.load();
        QCOMPARE(link.portNumber(), port);
        QCOMPARE(openedDevice(link), program.device(port));
        QVERIFY(!link.isPortOpen());

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

    // Every exchange finds the closed port, loading the link first, and sends nothing.
    void portThatCannotBeOpened()
    {
        ProgramDir program;
        program.storePort(u"1"_s);
        UnitLink link({ program.dir.path(), {} });
        QSignalSpy sent(&link, &UnitLink::commandSent);

        QCOMPARE(link.writeId(0, 7).status, ExchangeStatus::PortNotOpen);
        QVERIFY(link.isLoaded()); // the exchange loaded the link first
        QCOMPARE(link.readId(0).status, ExchangeStatus::PortNotOpen);
        QCOMPARE(link.writeParameter(UnitParameter::HoldTime, 5).status, ExchangeStatus::PortNotOpen);
        QCOMPARE(link.readParameter(UnitParameter::OperatorAllowance).status,
            ExchangeStatus::PortNotOpen);
        QCOMPARE(sent.count(), 0);
        QVERIFY(!link.isBusy());
    }
};

QTEST_MAIN(TestUnitLink)
#include "tst_unitlink.moc"
