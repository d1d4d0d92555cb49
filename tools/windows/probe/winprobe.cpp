// Loaded into kalvidor.exe under Wine by tools/windows/wine-check.sh through
// Qt's generic plugins (QT_QPA_GENERIC_PLUGINS=kalvidorwinprobe). Once the
// main window is up it chooses 設定 › NELORへ流し込み as a user would, takes
// every message box the program shows, writes what it saw to the file
// KALVIDOR_PROBE_REPORT names (UTF-8, one "name=value" line each), grabs the
// main window into KALVIDOR_PROBE_SHOT, and closes the program. Under Wine
// with Xvfb, windows opened after the main window are often not painted in a
// screenshot of the display, so their texts are read here instead.
#include "app/objectnames.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

using namespace Qt::StringLiterals;
namespace name = kalvidor::ObjectName;

namespace {

QStringList report;

void writeReport()
{
    QFile out(qEnvironmentVariable("KALVIDOR_PROBE_REPORT"));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(report.join(u'\n').toUtf8() + '\n');
}

template <typename T = QWidget> T *element(const QString &objectName)
{
    for (QWidget *w : QApplication::allWidgets()) {
        if (w->objectName() == objectName)
            return qobject_cast<T *>(w);
    }
    return nullptr;
}

// Answers every message box with its default button, noting its text.
void takeMessageBoxes()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
        return;
    report << u"message="_s + box->text();
    if (!box->detailedText().isEmpty())
        report << u"details="_s + QString(box->detailedText()).replace(u'\n', u" / "_s);
    writeReport();
    box->accept();
}

void run()
{
    QWidget *main = element(name::MainWindow);
    if (!main || !main->isVisible()) {
        report << u"error=no main window"_s;
        writeReport();
        return QCoreApplication::exit(3);
    }
    report << u"platform="_s + QGuiApplication::platformName() << u"title="_s + main->windowTitle()
           << u"font="_s + QFontInfo(element(name::HoldTimeField)->font()).family()
           << u"base="_s + element<QLineEdit>(name::rowName(name::BaseIdFields, 0))->text();
    writeReport();

    auto *boxes = new QTimer(qApp);
    QObject::connect(boxes, &QTimer::timeout, &takeMessageBoxes);
    boxes->start(100);

    QElapsedTimer clock;
    clock.start();
    main->findChild<QAction *>(name::WriteAction)->trigger(); // returns when the write has ended
    report << u"writeMs="_s + QString::number(clock.elapsed());
    const QString shot = qEnvironmentVariable("KALVIDOR_PROBE_SHOT");
    if (!shot.isEmpty())
        report << u"shot="_s + (main->grab().save(shot) ? u"saved"_s : u"failed"_s);
    writeReport();
    main->close(); // a save question that comes up is answered by the timer
}

} // namespace

class WindowsProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "winprobe.json")

public:
    QObject *create(const QString &key, const QString &) override
    {
        if (key != u"kalvidorwinprobe")
            return nullptr;
        // A moment after the main window shows, as a user would start.
        QTimer::singleShot(500, &run);
        return new QObject;
    }
};

#include "winprobe.moc"
