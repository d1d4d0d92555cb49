// The port dialog with port lists the tests supply: what it lists and
// preselects, what each way of closing it stores, and that it is a dialog.
#include "app/designfonts.h"
#include "app/portdialog.h"
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

// A program folder for the dialog, and a loaded link whose own settings lead
// to a port that does not exist, so that the dialog's unloading shows.
struct Rig
{
    QTemporaryDir dir;
    QTemporaryDir linkDir;
    std::unique_ptr<UnitLink> link;
    QPointer<PortDialog> dialog;

    QString settings() const { return settingsFilePath(dir.path()); }

    bool open(const SerialPortSource &ports)
    {
        if (!writeBytes(settingsFilePath(linkDir.path()),
                "[PORTS]\r\nCOM1=" + linkDir.filePath(u"none"_s).toLocal8Bit() + "\r\n"))
            return false;
        link = std::make_unique<UnitLink>(LinkConfig { linkDir.path(), {} });
        link->load();
        dialog = new PortDialog(dir.path(), *link, ports);
        dialog->show();
        return link->isLoaded();
    }
    ~Rig() { delete dialog; }

    QStringList items() const
    {
        QStringList out;
        for (int i = 0; i < dialog->portList()->count(); ++i)
            out << dialog->portList()->itemText(i);
        return out;
    }
};

} // namespace

class TestPortDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutions(); }

    // Assistive technology announces a dialog; the main window stays usable.
    void isAModelessDialog()
    {
        Rig rig;
        QVERIFY(rig.open(ListedPorts(true, {})));
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(rig.dialog);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Dialog);
        QVERIFY(!rig.dialog->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(rig.dialog->windowTitle(), u"通信ポート設定"_s);
        QCOMPARE(rig.dialog->minimumSize(), QSize(338, 79));
        QCOMPARE(rig.dialog->maximumSize(), QSize(338, 79));
        QCOMPARE(rig.dialog->okButton()->nextInFocusChain(), rig.dialog->cancelButton());
        QCOMPARE(rig.dialog->cancelButton()->nextInFocusChain(), rig.dialog->portList());
    }

    void listsEveryPort_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("preselected");
        QTest::addColumn<QStringList>("toolTips");

        QTest::newRow("Windows, a stored COM9 that is absent")
            << true << QByteArray("[CONF]\r\nPORT=9\r\n")
            << QStringList { u"COM1"_s, u"COM2"_s, u"COM3"_s, u"COM4"_s, u"COM7"_s, u"COM9"_s,
                   u"COM12"_s }
            << u"COM9"_s
            << QStringList { u"Port 1\nMaker 1"_s, QString(), u"Port 3\nMaker 3"_s, QString(),
                   u"Port 7\nMaker 7"_s, QString(), u"Port 12\nMaker 12"_s };
        QTest::newRow("devices, mapped and not")
            << false << QByteArray("[CONF]\r\nPORT=12\r\n[PORTS]\r\nCOM7=/dev/ttyUSB0\r\n")
            << QStringList { u"COM1"_s, u"COM2"_s, u"COM3"_s, u"COM4"_s, u"COM7"_s, u"COM12"_s,
                   u"/dev/ttyACM0"_s, u"/dev/ttyUSB1"_s }
            << u"COM12"_s
            << QStringList { u"Port 1\nMaker 1"_s, QString(), QString(), QString(),
                   u"Port 3\nMaker 3"_s, QString(), u"Port 7\nMaker 7"_s, u"Port 12\nMaker 12"_s };
    }
    void listsEveryPort()
    {
        QFETCH(bool, windows);
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, items);
        QFETCH(QString, preselected);
        QFETCH(QStringList, toolTips);
        const QStringList names = windows
            ? QStringList { u"COM1"_s, u"COM12"_s, u"COM3"_s, u"COM7"_s }
            : QStringList { u"/dev/ttyS0"_s, u"/dev/ttyUSB1"_s, u"/dev/ttyUSB0"_s,
                  u"/dev/ttyACM0"_s };
        ListedPorts ports(windows, names);
        ports.describe(0, u"Port 1"_s, u"Maker 1"_s);
        ports.describe(1, u"Port 12"_s, u"Maker 12"_s);
        ports.describe(2, u"Port 3"_s, u"Maker 3"_s);
        ports.describe(3, u"Port 7"_s, u"Maker 7"_s);
        Rig rig;
        QVERIFY(writeBytes(rig.settings(), settings));
        QVERIFY(rig.open(ports));

        QCOMPARE(rig.items(), items);
        QCOMPARE(rig.dialog->portList()->currentText(), preselected);
        QStringList tips;
        for (int i = 0; i < rig.dialog->portList()->count(); ++i)
            tips << rig.dialog->portList()->itemData(i, Qt::ToolTipRole).toString();
        QCOMPARE(tips, toolTips);
    }

    void closing_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QByteArray>("before"); // null: no settings file
        QTest::addColumn<QString>("pick"); // null: keep the preselected item
        QTest::addColumn<QString>("typed"); // null: type nothing
        QTest::addColumn<QString>("action");
        QTest::addColumn<QByteArray>("after");

        const QByteArray windows = "; Kalvidor\r\n[CONF]\r\nPORT=3\r\n\r\n[OTHER]\r\nKEY=1\r\n";
        const QByteArray devices = "[CONF]\r\nPORT=3\r\n[PORTS]\r\nCOM6=/dev/ttyUSB0\r\n"
                                   "; end\r\n[OTHER]\r\nKEY=1\r\n";
        const QString none;
        QTest::newRow("Windows: OK on COM7")
            << true << windows << u"COM7"_s << none << u"ok"_s
            << QByteArray("; Kalvidor\r\n[CONF]\r\nPORT=7\r\n\r\n[OTHER]\r\nKEY=1\r\n");
        QTest::newRow("Windows: Enter on OK with COM12")
            << true << windows << u"COM12"_s << none << u"enter"_s
            << QByteArray("; Kalvidor\r\n[CONF]\r\nPORT=12\r\n\r\n[OTHER]\r\nKEY=1\r\n");
        QTest::newRow("devices: OK on a device not mapped yet")
            << false << devices << u"/dev/ttyUSB1"_s << none << u"ok"_s
            << QByteArray("[CONF]\r\nPORT=5\r\n[PORTS]\r\nCOM6=/dev/ttyUSB0\r\n"
                          "COM5=/dev/ttyUSB1\r\n; end\r\n[OTHER]\r\nKEY=1\r\n");
        QTest::newRow("devices: OK on a mapped device")
            << false << devices << u"COM6"_s << none << u"ok"_s
            << QByteArray("[CONF]\r\nPORT=6\r\n[PORTS]\r\nCOM6=/dev/ttyUSB0\r\n"
                          "; end\r\n[OTHER]\r\nKEY=1\r\n");
        QTest::newRow("typed text stores 0")
            << false << devices << none << u"/dev/ttyUSB7"_s << u"ok"_s
            << QByteArray("[CONF]\r\nPORT=0\r\n[PORTS]\r\nCOM6=/dev/ttyUSB0\r\n"
                          "; end\r\n[OTHER]\r\nKEY=1\r\n");
        QTest::newRow("typed an item's text stores 0")
            << true << windows << none << u"COM7"_s << u"ok"_s
            << QByteArray("; Kalvidor\r\n[CONF]\r\nPORT=0\r\n\r\n[OTHER]\r\nKEY=1\r\n");
        QTest::newRow("no settings file: OK stores COM1")
            << true << QByteArray() << none << none << u"ok"_s
            << QByteArray("[CONF]\r\nPORT=1\r\n");
        QTest::newRow("Cancel writes nothing")
            << false << devices << u"/dev/ttyUSB1"_s << none << u"cancel"_s << devices;
        QTest::newRow("the close box writes nothing")
            << true << windows << u"COM7"_s << none << u"close"_s << windows;
        QTest::newRow("no settings file: Cancel makes none")
            << false << QByteArray() << u"/dev/ttyUSB1"_s << none << u"cancel"_s << QByteArray();
        QTest::newRow("Escape does nothing")
            << true << windows << u"COM7"_s << none << u"escape"_s << windows;
    }
    void closing()
    {
        QFETCH(bool, windows);
        QFETCH(QByteArray, before);
        QFETCH(QString, pick);
        QFETCH(QString, typed);
        QFETCH(QString, action);
        QFETCH(QByteArray, after);
        const QStringList ports = windows ? QStringList { u"COM3"_s, u"COM7"_s, u"COM12"_s }
                                          : QStringList { u"/dev/ttyUSB0"_s, u"/dev/ttyUSB1"_s };
        Rig rig;
        QVERIFY(writeBytes(rig.settings(), before));
        QVERIFY(rig.open(ListedPorts(windows, ports)));
        QComboBox *list = rig.dialog->portList();
        if (!pick.isNull()) {
            QVERIFY(list->findText(pick) >= 0);
            list->setCurrentIndex(list->findText(pick));
        }
        if (!typed.isNull()) {
            list->lineEdit()->selectAll();
            QTest::keyClicks(list->lineEdit(), typed);
        }

        if (action == u"ok") {
            rig.dialog->okButton()->click();
        } else if (action == u"cancel") {
            rig.dialog->cancelButton()->click();
        } else if (action == u"close") {
            rig.dialog->close();
        } else {
            QVERIFY(QTest::qWaitForWindowActive(rig.dialog));
            QCOMPARE(QApplication::focusWidget(), rig.dialog->okButton());
            QTest::keyClick(
                rig.dialog->okButton(), action == u"enter" ? Qt::Key_Return : Qt::Key_Escape);
        }

        if (action == u"escape") {
            QVERIFY(rig.dialog->isVisible());
            QVERIFY(rig.link->isLoaded());
        } else {
            QTRY_VERIFY(!rig.dialog);
            QVERIFY(!rig.link->isLoaded());
        }
        QCOMPARE(readBytes(rig.settings()), after);
    }
};

QTEST_MAIN(TestPortDialog)
#include "tst_portdialog.moc"
