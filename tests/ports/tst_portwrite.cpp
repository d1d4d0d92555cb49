// A port chosen in the port dialog serves the next write to the unit: the
// main window's link, loaded on a port that leads nowhere, the unit simulator
// on a pseudo-terminal at the far end.
#include "../app/windowfixture.h"
#include "app/portdialog.h"
#include "expectedtexts.h"
#include "filebytes.h"
#include "files/idtablefile.h"
#include "listedports.h"
#include "unitsimulator.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace kalvidor;
using namespace Qt::StringLiterals;

class TestPortWrite : public QObject
{
    Q_OBJECT

private slots:
    // The unit's device is mapped to COM7, or not mapped yet (the dialog
    // lists it under its own name and maps it to COM5).
    void chosenPortServesTheNextWrite_data()
    {
        QTest::addColumn<bool>("mapped");
        QTest::newRow("COM7, mapped") << true;
        QTest::newRow("a device not mapped yet") << false;
    }
    void chosenPortServesTheNextWrite()
    {
        QFETCH(bool, mapped);
        WindowFixture fixture;
        UnitSimulator unit;
        START_UNIT_SIMULATOR(unit, fixture.dir.path(), 7);
        const QString settings = settingsFilePath(fixture.dir.path());
        QVERIFY(writeBytes(settings,
            "[CONF]\r\nPORT=1\r\n[PORTS]\r\nCOM1=/nonexistent/tty\r\n"
                + (mapped ? "COM7=" + unit.devicePath().toLocal8Bit() + "\r\n" : QByteArray())));
        fixture.create();
        fixture.run(ObjectName::WriteAction);
        QCOMPARE(fixture.messenger.texts(), QStringList { expected::PortMessage });

        QPointer<PortDialog> dialog = new PortDialog(
            fixture.dir.path(), fixture.ops().link(), ListedPorts(false, { unit.devicePath() }));
        const int item = dialog->portList()->findText(mapped ? u"COM7"_s : unit.devicePath());
        dialog->portList()->setCurrentIndex(item);
        dialog->okButton()->click();
        QTRY_VERIFY(!dialog);

        fixture.messenger.clear();
        fixture.run(ObjectName::WriteAction);
        QCOMPARE(fixture.messenger.texts(), QStringList { expected::WriteDone });
        QCOMPARE(unit.commandLog().size(), 215);
    }

    // A stored port without a number of its own opens COM1, whatever port
    // the link had open before: 0, which the dialog stores for typed text,
    // or a value without digits written by hand.
    void portWithoutANumberOpensCom1_data()
    {
        QTest::addColumn<QString>("stored"); // empty: typed into the dialog
        QTest::newRow("typed text, stored as 0") << QString();
        QTest::newRow("no digits") << u"COM"_s;
    }
    void portWithoutANumberOpensCom1()
    {
        QFETCH(QString, stored);
        WindowFixture fixture;
        UnitSimulator unit;
        START_UNIT_SIMULATOR(unit, fixture.dir.path(), 1);
        const QString settings = settingsFilePath(fixture.dir.path());
        const QByteArray ports = "[PORTS]\r\nCOM1=" + unit.devicePath().toLocal8Bit()
            + "\r\nCOM3=/nonexistent/tty\r\n";
        QVERIFY(writeBytes(settings, "[CONF]\r\nPORT=3\r\n" + ports));
        fixture.create();
        fixture.run(ObjectName::WriteAction);
        QCOMPARE(fixture.messenger.texts(), QStringList { expected::PortMessage });

        fixture.ops().openPortDialog();
        QPointer<PortDialog> dialog = fixture.ops().portDialog();
        if (stored.isNull()) {
            dialog->portList()->lineEdit()->selectAll();
            QTest::keyClicks(dialog->portList()->lineEdit(), u"nelor"_s);
            dialog->okButton()->click();
            QCOMPARE(readBytes(settings), "[CONF]\r\nPORT=0\r\n" + ports);
        } else {
            QVERIFY(writeBytes(settings, "[CONF]\r\nPORT=" + stored.toLatin1() + "\r\n" + ports));
            dialog->cancelButton()->click();
        }
        QTRY_VERIFY(!dialog);

        fixture.messenger.clear();
        fixture.run(ObjectName::WriteAction);
        QCOMPARE(fixture.messenger.texts(), QStringList { expected::WriteDone });
        QCOMPARE(unit.commandLog().size(), 215);
    }
};

QTEST_MAIN(TestPortWrite)
#include "tst_portwrite.moc"
