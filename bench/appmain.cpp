// kalvidor-bench-app PROGRAM_DIR [--transfer]
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
// and ends. The bench (kalvidor-bench) starts it and reads these lines.

#include "app/application.h"
#include "app/mainwindow.h"

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

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !m_exposedSeen && watched == m_window.windowHandle()
            && m_window.windowHandle()->isExposed()) {
            m_exposedSeen = true;
            QTimer::singleShot(0, this, m_exposed);
        } else if (event->type() == QEvent::Show) {
            if (auto *box = qobject_cast<QMessageBox *>(watched)) {
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
    const bool transfer = argc > 2 && qstrcmp(argv[2], "--transfer") == 0;

    // From here on as the application's main().
    QApplication app(argc, argv);
    kalvidor::Application application(programDir);
    kalvidor::MainWindow &window = application.window();

    Probe probe(window, [&] {
        const qint64 shownNs = monotonicNs();
        print(u"MAIN %1"_s.arg(enteredNs));
        print(u"SHOWN %1"_s.arg(shownNs));
        print(u"HWM_SHOWN %1"_s.arg(peakResidentKb()));
        if (transfer) {
            // As a user would: the menu items, one after the other. Each
            // returns once its exchange and its message are over.
            window.action(kalvidor::MainCommand::WriteToUnit)->trigger();
            window.action(kalvidor::MainCommand::ReadFromUnit)->trigger();
            print(u"HWM %1"_s.arg(peakResidentKb()));
        }
        // Leave without closing the window: quit() would close it and so ask
        // the close box's save question.
        QCoreApplication::exit(0);
    });
    app.installEventFilter(&probe);
    window.show();
    return app.exec();
}
