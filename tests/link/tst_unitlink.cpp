// The link without a unit: it opens the device it is told, asking anew at
// every load, and a device that cannot be opened leaves the port closed.
#include "link/unitlink.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

class TestUnitLink : public QObject
{
    Q_OBJECT

private slots:
    // What the configuration names at the moment of each load is opened:
    // the port dialog stores another port between two loads.
    void eachLoadOpensTheDeviceNamedThen()
    {
        QTemporaryDir dir;
        QStringList asked;
        QString device = dir.filePath(u"no-such-port-1"_s);
        UnitLink link({ .device = [&] {
            asked << device;
            return device;
        } });
        link.load();
        QCOMPARE(link.deviceName(), dir.filePath(u"no-such-port-1"_s));
        QVERIFY(link.isLoaded());
        QVERIFY(!link.isPortOpen());

        device = dir.filePath(u"no-such-port-2"_s);
        link.unload();
        // An exchange on the unloaded link loads it, so it asks again.
        QCOMPARE(link.readId(0).status, ExchangeStatus::PortNotOpen);
        QCOMPARE(link.deviceName(), device);
        QCOMPARE(asked, (QStringList { dir.filePath(u"no-such-port-1"_s), device }));
    }
};

QTEST_GUILESS_MAIN(TestUnitLink)
#include "tst_unitlink.moc"
