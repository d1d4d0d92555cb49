// Loaded into the packaged program by the packaging test, through Qt's
// generic plugin mechanism (QT_QPA_GENERIC_PLUGINS=kalvidorprobe): once the
// main window is shown it writes what the program found to the file that
// KALVIDOR_PROBE_REPORT names, one "name=value" line each, and closes the main
// window, which ends the program as the user would.
#include "common/objectnames.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QWidget *shownWindow(const QString &name)
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->objectName() == name && w->isVisible())
            return w;
    }
    return nullptr;
}

class Probe : public QObject
{
public:
    Probe() { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show
            && watched->objectName() == kalvidor::ObjectName::MainWindow && !m_seen) {
            m_seen = true;
            // Once the event loop runs, that is once start-up is over.
            QTimer::singleShot(0, this, &Probe::inspect);
        }
        return false;
    }

private:
    void inspect()
    {
        QWidget *main = shownWindow(kalvidor::ObjectName::MainWindow);
        QStringList report;
        report << u"folder="_s + QCoreApplication::applicationDirPath();
        report << u"platform="_s + QGuiApplication::platformName();
        const auto field = [&](const QString &name) {
            auto *edit = main ? main->findChild<QLineEdit *>(name) : nullptr;
            return edit ? edit->text() : u"(missing)"_s;
        };
        auto *holdTime
            = main ? main->findChild<QLineEdit *>(kalvidor::ObjectName::HoldTimeField) : nullptr;
        report << u"font="_s + (holdTime ? QFontInfo(holdTime->font()).family() : u"(missing)"_s);
        report << u"base="_s
                + field(kalvidor::ObjectName::rowName(kalvidor::ObjectName::BaseIdFields, 0));
        report << u"holdTime="_s + field(kalvidor::ObjectName::HoldTimeField);
        report << u"allowance="_s + field(kalvidor::ObjectName::AllowanceField);
        report << u"port="_s + storedPortShown(main);

        writeReport(report);
        if (!main) {
            QCoreApplication::exit(3);
            return;
        }
        // Closing should end the program at once. A message box that comes
        // up instead (the question whether to save) is noted and cancelled.
        QTimer::singleShot(0, this, [report]() mutable {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            report << u"unexpected="_s + box->text();
            writeReport(report);
            box->reject();
        });
        main->close();
    }

    static void writeReport(const QStringList &report)
    {
        QFile out(qEnvironmentVariable("KALVIDOR_PROBE_REPORT"));
        if (out.open(QIODevice::WriteOnly))
            out.write(report.join(u'\n').toUtf8() + '\n');
    }

    // What the port dialog preselects: the port stored in the settings file.
    static QString storedPortShown(QWidget *main)
    {
        auto *menu
            = main ? main->findChild<QAction *>(kalvidor::ObjectName::PortSettingsAction) : nullptr;
        if (!menu)
            return u"(missing)"_s;
        menu->trigger();
        QWidget *dialog = shownWindow(kalvidor::ObjectName::PortDialog);
        auto *list
            = dialog ? dialog->findChild<QComboBox *>(kalvidor::ObjectName::PortList) : nullptr;
        auto *cancel = dialog
            ? dialog->findChild<QPushButton *>(kalvidor::ObjectName::PortCancelButton)
            : nullptr;
        if (!list || !cancel)
            return u"(missing)"_s;
        const QString shown = list->currentText();
        cancel->click();
        return shown;
    }

    bool m_seen = false;
};

} // namespace

class ProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")

public:
    QObject *create(const QString &key, const QString &) override
    {
        return key == u"kalvidorprobe" ? new Probe : nullptr;
    }
};

#include "probe.moc"
