// The link without a unit: choosing the port from the settings file, and a
// port that cannot be opened.
#include "common/objectnames.h"
#include "files/idtablefile.h"
#include "files/inifile.h"
#include "link/serialports.h"
#include "link/unitlink.h"

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
            writeIni(u"PORTS"_s, u"COM%1"_s.arg(n), settings(), device(n));
    }
    void storePort(const QString &value) { writeIni(u"CONF"_s, u"PORT"_s, settings(), value); }
};

QString openedDevice(UnitLink &link)
{
    return link.findChild<QSerialPort *>(ObjectName::SerialPort)->portName();
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
        QTest::newRow("4.9 rounds down") << u"4.9"_s << 4;
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

    void withoutPortMappingTheSerialDeviceIsUsed_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        QTest::newRow("Windows COM12, mapped or not") << true << 12 << u"COM12"_s;
        QTest::newRow("Windows COM256") << true << 256 << u"COM256"_s;
        QTest::newRow("device COM1") << false << 1 << u"/dev/ttyS0"_s;
        QTest::newRow("device COM9") << false << 9 << u"/dev/ttyS8"_s;
        QTest::newRow("device COM12, mapped") << false << 12 << u"/dev/ttyUSB0"_s;
    }
    void withoutPortMappingTheSerialDeviceIsUsed()
    {
        QFETCH(bool, windows);
        QFETCH(int, port);
        QFETCH(QString, device);
        QTemporaryDir dir;
        const QString settings = settingsFilePath(dir.path());
        QVERIFY(writeIni(u"PORTS"_s, u"COM12"_s, settings, u"/dev/ttyUSB0"_s));
        const PortNaming naming = windows ? PortNaming::Windows : PortNaming::DeviceFiles;
        QCOMPARE(portDeviceName(port, settings, naming), device);
#ifdef Q_OS_WIN
        QCOMPARE(hostPortNaming(), PortNaming::Windows);
#else
        QCOMPARE(hostPortNaming(), PortNaming::DeviceFiles);
#endif
    }
};

QTEST_MAIN(TestUnitLink)
#include "tst_unitlink.moc"
