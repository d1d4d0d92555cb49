// A port chosen in the port dialog serves the next write to the unit: the
// main window driven through its menus, the unit simulator on a
// pseudo-terminal at the far end.
#include "../app/windowfixture.h"
#include "app/portdialog.h"
#include "common/objectnames.h"
#include "files/idtablefile.h"
#include "files/inifile.h"
#include "link/unitlink.h"
#include "listedports.h"
#include "unitsimulator.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

const QString WriteDone = u"警報ユニットへ設定が完了しました。"_s;

QWidget *shownWindow(const QString &name)
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->objectName() == name && w->isVisible())
            return w;
    }
    return nullptr;
}

// Picks the item of that text in dlg_PortNo and presses OK.
bool chooseAndConfirm(QWidget *dialog, const QString &text)
{
    auto *list = dialog->findChild<QComboBox *>(ObjectName::PortList);
    auto *ok = dialog->findChild<QPushButton *>(ObjectName::PortOkButton);
    if (!list || !ok || list->findText(text) < 0)
        return false;
    list->setCurrentIndex(list->findText(text));
    ok->click();
    return true;
}

} // namespace

class TestPortWrite : public QObject
{
    Q_OBJECT

private slots:
    // The settings map COM7 to the unit; COM1, the port in use, leads nowhere.
    void chosenMappedPortServesTheNextWrite()
    {
        WindowFixture fixture;
        UnitSimulator unit;
        START_UNIT_SIMULATOR(unit, fixture.dir.path(), 7);
        const QString settings = settingsFilePath(fixture.dir.path());
        QVERIFY(writeIni(u"CONF"_s, u"PORT"_s, settings, u"1"_s));
        QVERIFY(writeIni(u"PORTS"_s, u"COM1"_s, settings, fixture.dir.filePath(u"none"_s)));
        fixture.create();
        fixture.window->show();

        fixture.trigger(ObjectName::PortSettingsAction);
        QPointer<QWidget> dialog = shownWindow(ObjectName::PortDialog);
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox *>(ObjectName::PortList)->currentText(), u"COM1"_s);
        QVERIFY(chooseAndConfirm(dialog, u"COM7"_s));
        QTRY_VERIFY(!dialog);
        QCOMPARE(readIni(u"CONF"_s, u"PORT"_s, settings), u"7"_s);

        fixture.trigger(ObjectName::WriteAction);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.messenger.texts(), QStringList { WriteDone }, 60000);
        QCOMPARE(unit.commandLog().size(), 215);
        QCOMPARE(unit.commandLog().first(), u"SID 000,041943040"_s);
    }

    // A device that no number leads to yet, chosen by its own name: the
    // dialog maps it, and the main window's next write goes there.
    void chosenUnmappedDeviceServesTheNextWrite()
    {
        WindowFixture fixture;
        UnitSimulator unit;
        START_UNIT_SIMULATOR(unit, fixture.dir.path(), 1);
        const QString settings = settingsFilePath(fixture.dir.path());
        const QByteArray none = fixture.dir.filePath(u"none"_s).toLocal8Bit();
        QVERIFY(writeBytes(settings, "[CONF]\r\nPORT=1\r\n[PORTS]\r\nCOM1=" + none + "\r\n"));

        QTemporaryDir linkDir;
        UnitLink link(LinkConfig { linkDir.path(), {} });
        QPointer<PortDialog> dialog
            = new PortDialog(fixture.dir.path(), link, ListedPorts(false, { unit.devicePath() }));
        dialog->show();
        QVERIFY(chooseAndConfirm(dialog, unit.devicePath()));
        QTRY_VERIFY(!dialog);
        QCOMPARE(readBytes(settings),
            "[CONF]\r\nPORT=5\r\n[PORTS]\r\nCOM1=" + none
                + "\r\nCOM5=" + unit.devicePath().toLocal8Bit() + "\r\n");

        fixture.create();
        fixture.window->show();
        fixture.trigger(ObjectName::WriteAction);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.messenger.texts(), QStringList { WriteDone }, 60000);
        QCOMPARE(unit.commandLog().size(), 215);
    }
};

QTEST_MAIN(TestPortWrite)
#include "tst_portwrite.moc"
