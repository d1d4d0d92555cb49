// The port dialog with port lists the tests supply: that it is a modeless
// dialog, what it lists and preselects, and what each way of closing it
// stores in the settings file, byte for byte.
#include "app/designfonts.h"
#include "app/portdialog.h"
#include "filebytes.h"
#include "files/idtablefile.h"
#include "link/unitlink.h"
#include "listedports.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// A program folder with the given settings file (null: none) and the dialog
// open on it, over a loaded link on a device that does not exist, so that
// the dialog's unloading shows.
struct Rig
{
    QTemporaryDir dir;
    UnitLink link { LinkConfig { .device = [] { return u"/nonexistent/tty"_s; } } };
    QPointer<PortDialog> dialog;

    QString settings() const { return settingsFilePath(dir.path()); }
    bool open(const QByteArray &settings, const ListedPorts &ports)
    {
        // A null array stands for no settings file.
        if (!settings.isNull() && !writeBytes(this->settings(), settings))
            return false;
        link.load();
        dialog = new PortDialog(dir.path(), link, ports);
        dialog->show();
        return link.isLoaded();
    }
    ~Rig() { delete dialog; }
};

} // namespace

class TestPortDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutions(); }

    // Windows, a stored COM9 that is absent: each item as "text|tooltip", a
    // port that exists with its description and maker; names that cannot be
    // stored are left out, and the PORTS section plays no part. Assistive
    // technology announces a modeless dialog.
    void listsEveryPort()
    {
        Rig rig;
        QVERIFY(rig.open("[CONF]\r\nPORT=9\r\n[PORTS]\r\nCOM5=/dev/ttyUSB0\r\n",
            ListedPorts(true,
                { u"COM1"_s, u"COM12"_s, u"COM3"_s, u"COM7"_s, u"COM05"_s, u"CNCA0"_s, u"COM257"_s,
                    u"COM256"_s, u"/dev/ttyUSB0"_s })));
        QComboBox *list = rig.dialog->portList();
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->itemText(i) + u'|' + list->itemData(i, Qt::ToolTipRole).toString();
        QCOMPARE(shown,
            (QStringList { u"COM1|COM1\nMaker"_s, u"COM2|"_s, u"COM3|COM3\nMaker"_s, u"COM4|"_s,
                u"COM7|COM7\nMaker"_s, u"COM9|"_s, u"COM12|COM12\nMaker"_s,
                u"COM256|COM256\nMaker"_s }));
        QCOMPARE(list->currentText(), u"COM9"_s);

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(rig.dialog);
        QVERIFY(accessible && accessible->role() == QAccessible::Dialog);
        QVERIFY(!rig.dialog->isModal() && !QApplication::activeModalWidget());
        QCOMPARE(rig.dialog->windowTitle(), u"通信ポート設定"_s);
        QVERIFY(rig.dialog->minimumSize() == QSize(338, 79)
            && rig.dialog->maximumSize() == QSize(338, 79));
        QCOMPARE(rig.dialog->okButton()->nextInFocusChain(), rig.dialog->cancelButton());
        QCOMPARE(rig.dialog->cancelButton()->nextInFocusChain(), list);
    }

    // Windows has COM3, COM7 and COM12; the device files are /dev/ttyS6
    // (COM7 unless mapped), /dev/ttyUSB0 and /dev/ttyUSB1.
    void closing_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QByteArray>("before"); // null: no settings file
        QTest::addColumn<QString>("choice"); // an item's text, or "type TEXT"
        QTest::addColumn<QString>("action");
        QTest::addColumn<QByteArray>("after");

        const QByteArray windows = "; Kalvidor\r\n[CONF]\r\nPORT=3\r\n\r\n[OTHER]\r\nKEY=1\r\n";
        const auto windowsWith = [&](const char *port) {
            return QByteArray(windows).replace("PORT=3", QByteArray("PORT=") + port);
        };
        const QByteArray devices = "[CONF]\r\nPORT=3\r\n[PORTS]\r\nCOM6=/dev/ttyUSB0\r\n"
                                   "; end\r\n[OTHER]\r\nKEY=1\r\n";
        QByteArray allTaken = "[CONF]\r\nPORT=2\r\n[PORTS]\r\n";
        for (int n = 5; n <= 256; ++n)
            allTaken += "COM" + QByteArray::number(n) + "=/tmp/x" + QByteArray::number(n) + "\r\n";

        QTest::newRow("Windows: OK on COM7")
            << true << windows << u"COM7"_s << u"ok"_s << windowsWith("7");
        QTest::newRow("Windows: Enter on OK with COM12")
            << true << windows << u"COM12"_s << u"enter"_s << windowsWith("12");
        // COM5 is mapped, COM6 stored, COM7 the legacy /dev/ttyS6: the device is
        // mapped to COM8, the new line put after the section's last key.
        QTest::newRow("devices: OK on a device not mapped yet")
            << false
            << QByteArray("[CONF]\nPORT=6\n[PORTS]\nCOM5=/tmp/gone\n; end\n[OTHER]\nKEY=1\n")
            << u"/dev/ttyUSB1"_s << u"ok"_s
            << QByteArray("[CONF]\nPORT=8\n[PORTS]\nCOM5=/tmp/gone\nCOM8=/dev/ttyUSB1\r\n; end\n"
                          "[OTHER]\nKEY=1\n");
        QTest::newRow("devices: no settings file")
            << false << QByteArray() << u"/dev/ttyUSB1"_s << u"ok"_s
            << QByteArray("[PORTS]\r\nCOM5=/dev/ttyUSB1\r\n[CONF]\r\nPORT=5\r\n");
        QTest::newRow("devices: no number free, nothing stored")
            << false << allTaken << u"/dev/ttyUSB1"_s << u"ok"_s << allTaken;
        QTest::newRow("typed text stores 0")
            << false << devices << u"type /dev/ttyUSB7"_s << u"ok"_s
            << QByteArray(devices).replace("PORT=3", "PORT=0");
        QTest::newRow("typed an item's text stores 0")
            << true << windows << u"type COM7"_s << u"ok"_s << windowsWith("0");
        QTest::newRow("Cancel writes nothing")
            << false << devices << u"/dev/ttyUSB1"_s << u"cancel"_s << devices;
        QTest::newRow("the close box writes nothing")
            << true << windows << u"COM7"_s << u"close"_s << windows;
        QTest::newRow("Escape closes as Cancel does")
            << true << windows << u"COM7"_s << u"escape"_s << windows;
        QTest::newRow("Escape in the list's field")
            << false << devices << u"type /dev/ttyUSB7"_s << u"escape in the list"_s << devices;
    }
    void closing()
    {
        QFETCH(bool, windows);
        QFETCH(QByteArray, before);
        QFETCH(QString, choice);
        QFETCH(QString, action);
        QFETCH(QByteArray, after);
        Rig rig;
        QVERIFY(rig.open(before,
            ListedPorts(windows,
                windows ? QStringList { u"COM3"_s, u"COM7"_s, u"COM12"_s }
                        : QStringList { u"/dev/ttyS6"_s, u"/dev/ttyUSB0"_s, u"/dev/ttyUSB1"_s })));
        QComboBox *list = rig.dialog->portList();
        if (choice.startsWith(u"type ")) {
            list->lineEdit()->selectAll();
            QTest::keyClicks(list->lineEdit(), choice.mid(5));
        } else {
            QVERIFY(list->findText(choice) >= 0);
            list->setCurrentIndex(list->findText(choice));
        }

        if (action == u"ok" || action == u"cancel") {
            (action == u"ok" ? rig.dialog->okButton() : rig.dialog->cancelButton())->click();
        } else if (action == u"close") {
            rig.dialog->close();
        } else if (action == u"escape in the list") {
            QTest::keyClick(list->lineEdit(), Qt::Key_Escape);
        } else {
            QVERIFY(QTest::qWaitForWindowActive(rig.dialog));
            QCOMPARE(QApplication::focusWidget(), rig.dialog->okButton());
            QTest::keyClick(
                rig.dialog->okButton(), action == u"enter" ? Qt::Key_Return : Qt::Key_Escape);
        }
        // Every way closes the dialog and unloads the link.
        QTRY_VERIFY(rig.dialog.isNull());
        QVERIFY(!rig.link.isLoaded());
        QCOMPARE(readBytes(rig.settings()), after);
    }
};

QTEST_MAIN(TestPortDialog)
#include "tst_portdialog.moc"
