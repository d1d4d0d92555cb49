// Which device a port number opens, which port the settings file stores, and
// which port number leads to a device the system reports.
#include "filebytes.h"
#include "files/idtablefile.h"
#include "files/inifile.h"
#include "ports/portsettings.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(kalvidor::SerialPortEntry)

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// A program folder whose settings file maps COM1..COM4 to distinct paths
// that do not exist. Windows opens port n as COMn whatever the file says.
struct ProgramDir
{
    QTemporaryDir dir;
    QString settings() const { return settingsFilePath(dir.path()); }
    QString device(int n) const
    {
#ifdef Q_OS_WIN
        return u"COM%1"_s.arg(n);
#else
        return dir.filePath(u"no-such-port-%1"_s.arg(n));
#endif
    }
    ProgramDir()
    {
        forgetPort();
    }
    // A settings file with the port mapping only.
    void forgetPort()
    {
        QFile::remove(settings());
        for (int n = 1; n <= 4; ++n)
            writeIni(u"PORTS"_s, u"COM%1"_s.arg(n), settings(), device(n));
    }
    void storePort(const QString &value)
    {
        writeIni(u"CONF"_s, u"PORT"_s, settings(), value);
    }
};

SerialPortEntry deviceFile(const QString &path)
{
    return { path.section(u'/', -1), path, {}, {} };
}

} // namespace

class TestPortSettings : public QObject
{
    Q_OBJECT

private slots:
    void storedPortOpensItsDevice_data()
    {
        QTest::addColumn<QString>("stored"); // null: no PORT key
        QTest::addColumn<int>("port");
        QTest::newRow("3") << u"3"_s << 3;
        QTest::newRow("4.9 rounds down") << u"4.9"_s << 4;
        QTest::newRow("0 clamps to 1") << u"0"_s << 1;
        QTest::newRow("no digits") << u"abc"_s << 1;
        QTest::newRow("missing keeps COM1") << QString() << 1;
    }
    // The window's link asks at every load: a port stored meanwhile is the
    // one opened, and while none is stored the port in use stays.
    void storedPortOpensItsDevice()
    {
        QFETCH(QString, stored);
        QFETCH(int, port);
        ProgramDir program;
        if (!stored.isNull())
            program.storePort(stored);
        const StoredPort resolved = resolveStoredPort(program.settings());
        QCOMPARE(resolved.number, port);
        QCOMPARE(resolved.device, program.device(port));
        QCOMPARE(resolved.stored, !stored.isNull());

        StoredPortDevice linkDevice(program.settings());
        QCOMPARE(linkDevice(), program.device(port));
        program.storePort(u"2"_s);
        QCOMPARE(linkDevice(), program.device(2));
        program.forgetPort(); // a missing setting keeps the port in use
        QCOMPARE(linkDevice(), program.device(2));
        QCOMPARE(resolveStoredPort(program.settings()).device, program.device(1));
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
        QCOMPARE(PortMap(settings, naming).device(port), device);
    }

    // The number `kalvidor-cli ports` shows and the port dialog lists a port
    // under: the lowest that opens it.
    void portNumberOfADevice_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<SerialPortEntry>("entry");
        QTest::addColumn<int>("number");
        const QByteArray mapping = "[PORTS]\r\nCOM7=/dev/ttyUSB0\r\nCOM3=/dev/ttyS5\r\n"
                                   "COM9=/dev/ttyUSB0\r\nCOM20=/dev/ttyS0\r\n";
        QTest::newRow("Windows COM7")
            << true << mapping << SerialPortEntry { u"COM7"_s, u"\\\\.\\COM7"_s, {}, {} } << 7;
        QTest::newRow("Windows com12, any case")
            << true << mapping << SerialPortEntry { u"com12"_s, {}, {}, {} } << 12;
        QTest::newRow("Windows COM05: no such name")
            << true << mapping << SerialPortEntry { u"COM05"_s, {}, {}, {} } << 0;
        QTest::newRow("Windows COM257")
            << true << mapping << SerialPortEntry { u"COM257"_s, {}, {}, {} } << 0;
        QTest::newRow("mapped twice: the lower")
            << false << mapping << deviceFile(u"/dev/ttyUSB0"_s) << 7;
        QTest::newRow("legacy") << false << mapping << deviceFile(u"/dev/ttyS4"_s) << 5;
        QTest::newRow("legacy, mapped lower")
            << false << mapping << deviceFile(u"/dev/ttyS5"_s) << 3;
        QTest::newRow("legacy number lower than its mapping")
            << false << mapping << deviceFile(u"/dev/ttyS0"_s) << 1;
        QTest::newRow("legacy number taken by another device")
            << false << mapping << deviceFile(u"/dev/ttyS2"_s) << 0;
        QTest::newRow("legacy beyond COM256")
            << false << QByteArray() << deviceFile(u"/dev/ttyS256"_s) << 0;
        QTest::newRow("no number leads to it")
            << false << mapping << deviceFile(u"/dev/ttyACM0"_s) << 0;
    }
    void portNumberOfADevice()
    {
        QFETCH(bool, windows);
        QFETCH(QByteArray, settings);
        QFETCH(SerialPortEntry, entry);
        QFETCH(int, number);
        QTemporaryDir dir;
        const QString file = settingsFilePath(dir.path());
        QVERIFY(settings.isNull() || writeBytes(file, settings));
        const PortNaming naming = windows ? PortNaming::Windows : PortNaming::DeviceFiles;
        QCOMPARE(PortMap(file, naming).numberOf(entry), number);
    }

#ifdef Q_OS_UNIX
    // A mapping that names a link to a device leads to that device: `ports`
    // shows its number (before: no number).
    void deviceMappedThroughALinkHasItsNumber()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath(u"ttyUSB0"_s);
        const QString link = dir.filePath(u"by-id-adapter"_s);
        QVERIFY(writeBytes(device, "") && QFile::link(device, link));
        const QString file = settingsFilePath(dir.path());
        QVERIFY(writeBytes(file, "[PORTS]\r\nCOM8=" + link.toLocal8Bit() + "\r\n"));
        QCOMPARE(PortMap(file, PortNaming::DeviceFiles).numberOf(deviceFile(device)), 8);
    }
#endif
};

QTEST_GUILESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
