// Loaded into the packaged program by the packaging test through Qt's
// generic plugin mechanism (QT_QPA_GENERIC_PLUGINS=kalvidorprobe). Once
// start-up is over (the event loop runs) it writes what the program found to
// the file KALVIDOR_PROBE_REPORT names, one "name=value" line each, and closes
// the main window, which ends the program as the user would. An element that
// is missing crashes the program, which fails the test.
#include "app/objectnames.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

using namespace Qt::StringLiterals;
namespace name = kalvidor::ObjectName;

namespace {

// The element of that name in any window.
template <typename T = QWidget> T *element(const QString &objectName)
{
    for (QWidget *w : QApplication::allWidgets()) {
        if (w->objectName() == objectName)
            return qobject_cast<T *>(w);
    }
    return nullptr;
}

void writeReport(const QStringList &report)
{
    QFile out(qEnvironmentVariable("KALVIDOR_PROBE_REPORT"));
    if (out.open(QIODevice::WriteOnly))
        out.write(report.join(u'\n').toUtf8() + '\n');
}

void inspect()
{
    QWidget *main = element(name::MainWindow);
    if (!main || !main->isVisible())
        return QCoreApplication::exit(3);
    const auto text = [](const QString &field) { return element<QLineEdit>(field)->text(); };
    QStringList report { u"folder="_s + QCoreApplication::applicationDirPath(),
        u"platform="_s + QGuiApplication::platformName(),
        u"font="_s + QFontInfo(element(name::HoldTimeField)->font()).family(),
        u"base="_s + text(name::rowName(name::BaseIdFields, 0)),
        u"holdTime="_s + text(name::HoldTimeField), u"allowance="_s + text(name::AllowanceField) };
    // The port dialog preselects the port stored in the settings file.
    main->findChild<QAction *>(name::PortSettingsAction)->trigger();
    report << u"port="_s + element<QComboBox>(name::PortList)->currentText();
    element(name::PortDialog)->close();
    writeReport(report);
    // Closing should end the program at once; a message box that comes up
    // instead (the question whether to save) is noted and cancelled.
    QTimer::singleShot(0, [report]() mutable {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            writeReport(report << u"unexpected="_s + box->text());
            box->reject();
        }
    });
    main->close();
}

} // namespace

class ProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")

public:
    QObject *create(const QString &key, const QString &) override
    {
        if (key != u"kalvidorprobe")
            return nullptr;
        QTimer::singleShot(0, &inspect);
        return new QObject;
    }
};

#include "probe.moc"
