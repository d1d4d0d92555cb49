// The port list and what choosing a port stores, with port lists the tests
// supply: Windows names and device files, mapped and not.
#include "files/idtablefile.h"
#include "link/portchoices.h"
#include "listedports.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

QStringList texts(const PortChoices &choices)
{
    QStringList out;
    for (const PortChoice &choice : choices.items())
        out << choice.text;
    return out;
}

const QStringList FirstFour { u"COM1"_s, u"COM2"_s, u"COM3"_s, u"COM4"_s };

} // namespace

class TestPortChoices : public QObject
{
    Q_OBJECT

private slots:
    void listAndPreselection_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QByteArray>("settings"); // null: no settings file
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("listed"); // after COM1 to COM4
        QTest::addColumn<QString>("preselected");

        const QByteArray none;
        QTest::newRow("Windows: other ports in natural order")
            << true << none << QStringList { u"COM12"_s, u"COM3"_s, u"COM7"_s, u"COM1"_s }
            << QStringList { u"COM7"_s, u"COM12"_s } << u"COM1"_s;
        QTest::newRow("Windows: a stored COM9 that is absent")
            << true << QByteArray("[CONF]\r\nPORT=9\r\n")
            << QStringList { u"COM1"_s, u"COM3"_s, u"COM7"_s, u"COM12"_s }
            << QStringList { u"COM7"_s, u"COM9"_s, u"COM12"_s } << u"COM9"_s;
        QTest::newRow("Windows: names that cannot be stored are left out")
            << true << none
            << QStringList { u"COM05"_s, u"CNCA0"_s, u"COM257"_s, u"COM6"_s, u"COM256"_s }
            << QStringList { u"COM6"_s, u"COM256"_s } << u"COM1"_s;
        QTest::newRow("Windows: the PORTS section plays no part")
            << true << QByteArray("[CONF]\r\nPORT=2\r\n[PORTS]\r\nCOM5=/dev/ttyUSB0\r\n")
            << QStringList { u"/dev/ttyUSB0"_s } << QStringList() << u"COM2"_s;
        QTest::newRow("earlier settings: 4") << true << QByteArray("[CONF]\r\nPORT=4\r\n")
                                             << QStringList() << QStringList() << u"COM4"_s;
        QTest::newRow("stored 0") << true << QByteArray("[CONF]\r\nPORT=0\r\n") << QStringList()
                                  << QStringList() << u"COM1"_s;
        QTest::newRow("stored text without digits")
            << false << QByteArray("[CONF]\r\nPORT=COM3\r\n") << QStringList() << QStringList()
            << u"COM1"_s;
        QTest::newRow("stored 5.9 rounds down")
            << true << QByteArray("[CONF]\r\nPORT=5.9\r\n") << QStringList()
            << QStringList { u"COM5"_s } << u"COM5"_s;
        QTest::newRow("stored 300 is kept to COM256")
            << true << QByteArray("[CONF]\r\nPORT=300\r\n") << QStringList()
            << QStringList { u"COM256"_s } << u"COM256"_s;

        QTest::newRow("devices: unmapped ones by name in natural order")
            << false << none
            << QStringList { u"/dev/ttyUSB10"_s, u"/dev/ttyUSB2"_s, u"/dev/ttyACM0"_s }
            << QStringList { u"/dev/ttyACM0"_s, u"/dev/ttyUSB2"_s, u"/dev/ttyUSB10"_s }
            << u"COM1"_s;
        QTest::newRow("devices: a mapped one under its number")
            << false << QByteArray("[CONF]\r\nPORT=6\r\n[PORTS]\r\nCOM6=/dev/ttyUSB0\r\n")
            << QStringList { u"/dev/ttyUSB1"_s, u"/dev/ttyUSB0"_s }
            << QStringList { u"COM6"_s, u"/dev/ttyUSB1"_s } << u"COM6"_s;
        QTest::newRow("devices: mapped ports that are not present")
            << false
            << QByteArray("[PORTS]\r\nCOM12=/dev/ttyUSB3\r\nCOM1=/tmp/a\r\nCOM5=/tmp/b\r\n")
            << QStringList() << QStringList { u"COM5"_s, u"COM12"_s } << u"COM1"_s;
        QTest::newRow("devices: legacy serial devices keep their numbers")
            << false << none << QStringList { u"/dev/ttyS4"_s, u"/dev/ttyS0"_s }
            << QStringList { u"COM5"_s } << u"COM1"_s;
        QTest::newRow("devices: a legacy device whose number leads elsewhere")
            << false << QByteArray("[PORTS]\r\nCOM1=/dev/ttyUSB0\r\n")
            << QStringList { u"/dev/ttyS0"_s, u"/dev/ttyUSB0"_s } << QStringList { u"/dev/ttyS0"_s }
            << u"COM1"_s;
        QTest::newRow("devices: a stored COM7 that is not mapped")
            << false << QByteArray("[CONF]\r\nPORT=7\r\n") << QStringList()
            << QStringList { u"COM7"_s } << u"COM7"_s;
    }
    void listAndPreselection()
    {
        QFETCH(bool, windows);
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, ports);
        QFETCH(QStringList, listed);
        QFETCH(QString, preselected);
        QTemporaryDir dir;
        const QString file = settingsFilePath(dir.path());
        QVERIFY(writeBytes(file, settings));

        const PortChoices choices(file, ListedPorts(windows, ports));
        QCOMPARE(texts(choices), FirstFour + listed);
        QCOMPARE(choices.items().at(choices.preselectedIndex()).text, preselected);
        QCOMPARE(readBytes(file), settings); // reading writes nothing
    }

#ifdef Q_OS_UNIX
    // A mapping that names a link to the device found is that device's number.
    void deviceMappedThroughALink()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath(u"ttyUSB0"_s);
        const QString link = dir.filePath(u"by-id-adapter"_s);
        QVERIFY(writeBytes(device, ""));
        QVERIFY(QFile::link(device, link));
        const QString file = settingsFilePath(dir.path());
        QVERIFY(writeBytes(file, "[PORTS]\r\nCOM8=" + link.toLocal8Bit() + "\r\n"));

        const PortChoices choices(file, ListedPorts(false, { device }));
        QCOMPARE(texts(choices), FirstFour + QStringList { u"COM8"_s });
    }
#endif

    void storing_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QByteArray>("before"); // null: no settings file
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<int>("chosen"); // list index; -1: typed text
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("device"); // what the stored number opens under device naming

        const QByteArray commented = "; Kalvidor\r\n[CONF]\r\nPORT=2\r\n\r\n[OTHER]\r\nKEY=1\r\n";
        QTest::newRow("Windows: COM7, other lines kept")
            << true << commented << QStringList { u"COM3"_s, u"COM7"_s, u"COM12"_s } << 4 << u"7"_s
            << QByteArray("; Kalvidor\r\n[CONF]\r\nPORT=7\r\n\r\n[OTHER]\r\nKEY=1\r\n")
            << u"/dev/ttyS6"_s;
        QTest::newRow("Windows: COM12 without a settings file")
            << true << QByteArray() << QStringList { u"COM7"_s, u"COM12"_s } << 5 << u"12"_s
            << QByteArray("[CONF]\r\nPORT=12\r\n") << u"/dev/ttyS11"_s;
        QTest::newRow("Windows: COM2 as before")
            << true << QByteArray("[CONF]\nPORT=4\n") << QStringList() << 1 << u"2"_s
            << QByteArray("[CONF]\nPORT=2\n") << u"/dev/ttyS1"_s;
        QTest::newRow("typed text")
            << true << commented << QStringList { u"COM7"_s } << -1 << u"0"_s
            << QByteArray("; Kalvidor\r\n[CONF]\r\nPORT=0\r\n\r\n"
                          "[OTHER]\r\nKEY=1\r\n")
            << u"/dev/ttyS0"_s;

        const QByteArray mapped = "[CONF]\r\nPORT=1\r\n[PORTS]\r\nCOM1=/dev/ttyS0\r\n"
                                  "COM6=/dev/ttyUSB0\r\n; end\r\n";
        QTest::newRow("devices: a mapped one stores its number only")
            << false << mapped << QStringList { u"/dev/ttyUSB0"_s } << 4 << u"6"_s
            << QByteArray("[CONF]\r\nPORT=6\r\n[PORTS]\r\nCOM1=/dev/ttyS0\r\n"
                          "COM6=/dev/ttyUSB0\r\n; end\r\n")
            << u"/dev/ttyUSB0"_s;
        QTest::newRow("devices: an unmapped one is mapped to COM5")
            << false << mapped << QStringList { u"/dev/ttyUSB1"_s, u"/dev/ttyUSB0"_s } << 5
            << u"5"_s
            << QByteArray("[CONF]\r\nPORT=5\r\n[PORTS]\r\nCOM1=/dev/ttyS0\r\n"
                          "COM6=/dev/ttyUSB0\r\nCOM5=/dev/ttyUSB1\r\n; end\r\n")
            << u"/dev/ttyUSB1"_s;
        QTest::newRow("devices: no settings file")
            << false << QByteArray() << QStringList { u"/dev/ttyACM0"_s } << 4 << u"5"_s
            << QByteArray("[PORTS]\r\nCOM5=/dev/ttyACM0\r\n[CONF]\r\nPORT=5\r\n")
            << u"/dev/ttyACM0"_s;
        // COM5 is mapped, COM6 stored, COM7 the legacy /dev/ttyS6.
        QTest::newRow("devices: the lowest number nothing uses")
            << false << QByteArray("[CONF]\nPORT=6\n[PORTS]\nCOM5=/tmp/gone\n")
            << QStringList { u"/dev/ttyS6"_s, u"/dev/ttyUSB0"_s } << 7 << u"8"_s
            << QByteArray("[CONF]\nPORT=8\n[PORTS]\nCOM5=/tmp/gone\nCOM8=/dev/ttyUSB0\r\n")
            << u"/dev/ttyUSB0"_s;
    }
    void storing()
    {
        QFETCH(bool, windows);
        QFETCH(QByteArray, before);
        QFETCH(QStringList, ports);
        QFETCH(int, chosen);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        QFETCH(QString, device);
        QTemporaryDir dir;
        const QString file = settingsFilePath(dir.path());
        QVERIFY(writeBytes(file, before));

        const PortChoices choices(file, ListedPorts(windows, ports));
        QCOMPARE(choices.portValue(chosen), value);
        QVERIFY(choices.store(chosen));
        QCOMPARE(readBytes(file), after);
        // The next load of the link opens the device chosen.
        const int port = storedPortNumber(file);
        QCOMPARE(portDeviceName(port, file, PortNaming::DeviceFiles), device);
    }

    // With every number from 5 on taken, a device cannot be mapped: nothing
    // is stored.
    void noFreeNumberStoresNothing()
    {
        QTemporaryDir dir;
        const QString file = settingsFilePath(dir.path());
        QByteArray settings = "[CONF]\r\nPORT=2\r\n[PORTS]\r\n";
        for (int n = 5; n <= 256; ++n)
            settings += "COM" + QByteArray::number(n) + "=/tmp/x" + QByteArray::number(n) + "\r\n";
        QVERIFY(writeBytes(file, settings));

        const PortChoices choices(file, ListedPorts(false, { u"/dev/ttyUSB0"_s }));
        QCOMPARE(choices.items().size(), 4 + 252 + 1);
        QCOMPARE(choices.items().last().text, u"/dev/ttyUSB0"_s);
        QCOMPARE(choices.portValue(choices.items().size() - 1), QString());
        QVERIFY(!choices.store(choices.items().size() - 1));
        QCOMPARE(readBytes(file), settings);
    }

    // A mapping that cannot be written leaves the stored port as it was.
    void unwritableFolderStoresNothing()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"missing/Kalvidor.ini"_s);
        const PortChoices choices(file, ListedPorts(false, { u"/dev/ttyUSB0"_s }));
        QVERIFY(!choices.store(4));
        QVERIFY(!choices.store(2));
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_GUILESS_MAIN(TestPortChoices)
#include "tst_portchoices.moc"
