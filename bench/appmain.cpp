// kalvidor-bench-app PROGRAM_DIR [--transfer | --timed-transfer]
//
// The application's start-up exactly as its main() runs it, against the
// program folder PROGRAM_DIR instead of the executable's own folder, with
// probes around it. Prints to stdout, one item a line:
//   MAIN <ns>      CLOCK_MONOTONIC on entering main()
//   SHOWN <ns>     CLOCK_MONOTONIC once the main window's first expose (and
//                  with it its first paint) has been processed
//   HWM_SHOWN <kB> peak resident memory at that moment
// With --transfer it then writes the table to the unit and reads it back
// through the window's own menu commands, answering each message box with
// its default button as a user would, and prints:
//   MESSAGE <text> each message box shown
//   HWM <kB>       peak resident memory (VmHWM) at the end
// and ends. --timed-transfer does the same and also prints, for the write
// and then the read:
//   TRANSFER <name> <wall ns> <processor ns> <bytes out> <bytes in> <commands>
// The bench (kalvidor-bench) starts it and reads these lines.

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/objectnames.h"
#include "app/translations.h"
#include "app/unitoperations.h"
#include "link/unitlink.h"

#include "benchclock.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <functional>

#include <cstdio>

using namespace Qt::StringLiterals;
using kalvidor::bench::monotonicNs;

namespace {

void print(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

qint64 peakResidentKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // A /proc file has no size; read it whole.
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Watches the whole application: answers every message box with its default
// button once it is shown (and reports its text), and calls `exposed` once
// the main window's first expose has been handled. Qt paints a widget window
// synchronously while it handles the expose, so by then the window is on
// screen with its contents.
class Probe : public QObject
{
public:
    Probe(QWidget &window, std::function<void()> exposed)
        : m_window(window)
        , m_exposed(std::move(exposed))
    {
    }

    // When the last message box appeared, and the process's processor time then.
    qint64 messageShownNs = 0;
    double messageShownCpuS = 0;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !m_exposedSeen && watched == m_window.windowHandle()
            && m_window.windowHandle()->isExposed()) {
            m_exposedSeen = true;
            QTimer::singleShot(0, this, m_exposed);
        } else if (event->type() == QEvent::Show) {
            if (auto *box = qobject_cast<QMessageBox *>(watched)) {
                messageShownNs = monotonicNs();
                messageShownCpuS = kalvidor::bench::processCpuSeconds();
                QPointer<QMessageBox> guarded(box);
                QTimer::singleShot(0, this, [guarded] {
                    if (!guarded)
                        return;
                    print(u"MESSAGE "_s + guarded->text());
                    guarded->defaultButton()->click();
                });
            }
        }
        return false;
    }

private:
    QWidget &m_window;
    std::function<void()> m_exposed;
    bool m_exposedSeen = false;
};

} // namespace

int main(int argc, char *argv[])
{
    const qint64 enteredNs = monotonicNs();
    if (argc < 2) {
        std::fputs("usage: kalvidor-bench-app PROGRAM_DIR [--transfer]\n", stderr);
        return 2;
    }
    const QString programDir = QString::fromLocal8Bit(argv[1]);
    const bool timed = argc > 2 && qstrcmp(argv[2], "--timed-transfer") == 0;
    const bool transfer = timed || (argc > 2 && qstrcmp(argv[2], "--transfer") == 0);

    // From here on as the application's main().
    QApplication app(argc, argv);
    kalvidor::installQtTranslation(programDir);
    kalvidor::Application application(programDir);
    kalvidor::MainWindow &window = application.window();

    // What goes over the line, one byte a character, as the link reports it.
    qint64 bytesOut = 0, bytesIn = 0, commands = 0;
    const kalvidor::UnitLink &link = application.unitOperations().link();
    QObject::connect(&link, &kalvidor::UnitLink::commandSent, [&](const QString &command) {
        bytesOut += command.size();
        ++commands;
    });
    QObject::connect(&link, &kalvidor::UnitLink::replyReceived,
        [&](const QString &reply) { bytesIn += reply.size(); });
    Probe *probe = nullptr;
    // The user's wait ends when the command's message appears.
    const auto run = [&](const char *name, const QString &menuItem) {
        bytesOut = bytesIn = commands = 0;
        probe->messageShownNs = 0;
        const double cpuAtStart = kalvidor::bench::processCpuSeconds();
        const qint64 start = monotonicNs();
        window.action(menuItem)->trigger();
        const bool told = probe->messageShownNs != 0;
        const qint64 wallNs = (told ? probe->messageShownNs : monotonicNs()) - start;
        const double cpuS
            = (told ? probe->messageShownCpuS : kalvidor::bench::processCpuSeconds()) - cpuAtStart;
        if (timed)
            print(u"TRANSFER %1 %2 %3 %4 %5 %6"_s.arg(QLatin1StringView(name))
                      .arg(wallNs)
                      .arg(qint64(cpuS * 1e9))
                      .arg(bytesOut)
                      .arg(bytesIn)
                      .arg(commands));
    };

    Probe probeObject(window, [&] {
        const qint64 shownNs = monotonicNs();
        print(u"MAIN %1"_s.arg(enteredNs));
        print(u"SHOWN %1"_s.arg(shownNs));
        print(u"HWM_SHOWN %1"_s.arg(peakResidentKb()));
        if (transfer) {
            // As a user would: the menu items, one after the other. Each
            // returns once its exchange and its message are over.
            run("write", kalvidor::ObjectName::WriteAction);
            run("read", kalvidor::ObjectName::ReadAction);
            print(u"HWM %1"_s.arg(peakResidentKb()));
        }
        // Leave without closing the window: quit() would close it and so ask
        // the close box's save question.
        QCoreApplication::exit(0);
    });
    probe = &probeObject;
    app.installEventFilter(probe);
    window.show();
    return app.exec();
}
