// A port chosen in the port dialog serves the next write to the unit: the
// main window's link, loaded on a port that leads nowhere, the unit simulator
// on a pseudo-terminal at the far end.
#include "../app/windowfixture.h"
#include "app/portdialog.h"
#include "expectedtexts.h"
#include "files/idtablefile.h"
#include "listedports.h"
#include "unitsimulator.h"

#include <QComboBox>
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
        fixture.run(MainCommand::WriteToUnit);
        QCOMPARE(fixture.messenger.texts(), QStringList { expected::PortMessage });

        QPointer<PortDialog> dialog = new PortDialog(
            fixture.dir.path(), fixture.ops().link(), ListedPorts(false, { unit.devicePath() }));
        const int item = dialog->portList()->findText(mapped ? u"COM7"_s : unit.devicePath());
        dialog->portList()->setCurrentIndex(item);
        dialog->okButton()->click();
        QTRY_VERIFY(!dialog);

        fixture.messenger.clear();
        fixture.run(MainCommand::WriteToUnit);
        QCOMPARE(fixture.messenger.texts(), QStringList { expected::WriteDone });
        QCOMPARE(unit.commandLog().size(), 215);
    }
};

QTEST_MAIN(TestPortWrite)
#include "tst_portwrite.moc"
