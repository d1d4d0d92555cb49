// The port list and its preselection, with port lists the tests supply:
// device files, mapped and not (Windows names: tst_portdialog, with what
// choosing a port stores).
#include "filebytes.h"
#include "files/idtablefile.h"
#include "listedports.h"
#include "ports/portchoices.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// Each item as "text|tooltip"; a port that exists has its description and maker.
QStringList items(const PortChoices &choices)
{
    QStringList out;
    for (const PortChoice &choice : choices.items())
        out << choice.text + u'|' + choice.toolTip;
    return out;
}

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
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("preselected");

        // ttyUSB0 is mapped to COM1; ttyS4 keeps its legacy number (COM5),
        // ttyS0 cannot (COM1 leads elsewhere); COM12 is mapped, not present;
        // the stored 300 is kept to COM256.
        QTest::newRow("devices: mapped, legacy, and by name in natural order")
            << false
            << QByteArray(
                   "[CONF]\r\nPORT=300\r\n[PORTS]\r\nCOM12=/dev/ttyUSB3\r\nCOM1=/dev/ttyUSB0\r\n")
            << QStringList { u"/dev/ttyUSB10"_s, u"/dev/ttyS4"_s, u"/dev/ttyS0"_s,
                   u"/dev/ttyUSB0"_s, u"/dev/ttyUSB2"_s, u"/dev/ttyACM0"_s }
            << QStringList { u"COM1|/dev/ttyUSB0\nMaker"_s, u"COM2|"_s, u"COM3|"_s, u"COM4|"_s,
                   u"COM5|/dev/ttyS4\nMaker"_s, u"COM12|"_s, u"COM256|"_s,
                   u"/dev/ttyACM0|/dev/ttyACM0\nMaker"_s, u"/dev/ttyS0|/dev/ttyS0\nMaker"_s,
                   u"/dev/ttyUSB2|/dev/ttyUSB2\nMaker"_s, u"/dev/ttyUSB10|/dev/ttyUSB10\nMaker"_s }
            << u"COM256"_s;
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
        QVERIFY(settings.isNull() || writeBytes(file, settings));

        const PortChoices choices(file, ListedPorts(windows, ports));
        QCOMPARE(items(choices), listed);
        QCOMPARE(choices.items().at(choices.preselectedIndex()).text, preselected);
        QCOMPARE(readBytes(file), settings); // reading writes nothing
    }
};

QTEST_GUILESS_MAIN(TestPortChoices)
#include "tst_portchoices.moc"
