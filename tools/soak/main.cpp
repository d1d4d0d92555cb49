// kalvidor-soak: write, read and compare cycles through the real main window
// against the unit simulator, one injected fault per cycle. POSIX only.
#include "soak.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

const char Usage[] = R"(usage: kalvidor-soak [options] [CYCLES]

Drives the main window headless through write, read and compare cycles against
kalvidor-unit-sim, with one fault per cycle (none, silence, refusal, split
replies, CR LF, garbage, hang-up and reopening), and checks the messages, the
table, the unit's command log and the receive display after every step.
Exits 1 on a mismatch or when resident memory grows.

  --cycles N        cycles to run (default 200)
  --seed N          seed of the random faults and tables (default 1)
  --only N          run only cycle N (to replay a mismatch with its seed)
  --each-kind       cycle n injects fault kind n mod 7 instead of a random one
  --limit MS        reply time limit of every command (default 300)
  --max-growth MB   allowed memory growth after the first cycle (default 4)
  --simulator PATH  the unit simulator (default: the one built beside this)
  --verbose         print each cycle's fault
)";

bool parseNumber(const QString &text, qint64 min, qint64 &out)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < min)
        return false;
    out = value;
    return true;
}

// The offscreen platform's notes about window operations it cannot do
// (raise, size hints) would bury the report.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg
        || (type == QtWarningMsg
            && (message.startsWith(u"This plugin does not support")
                || message.startsWith(u"QStandardPaths:"))))
        return;
    QTextStream(stderr) << qFormatLogMessage(type, context, message) << '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    kalvidor::soak::SoakOptions options;
    options.simulator
        = qEnvironmentVariable("KALVIDOR_UNIT_SIM", QStringLiteral(KALVIDOR_UNIT_SIM_PATH));
    QStringList args = app.arguments().mid(1);
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        const auto value = [&](qint64 min, qint64 &number) {
            return !args.isEmpty() && parseNumber(args.takeFirst(), min, number);
        };
        qint64 n = 0;
        bool ok = true;
        if (arg == u"--help" || arg == u"-h") {
            out << Usage;
            return 0;
        } else if (arg == u"--cycles") {
            ok = value(1, n);
            options.cycles = int(n);
        } else if (arg == u"--seed") {
            ok = value(0, n);
            options.seed = quint64(n);
        } else if (arg == u"--only") {
            ok = value(1, n);
            options.only = int(n);
        } else if (arg == u"--limit") {
            ok = value(50, n);
            options.limitMs = int(n);
        } else if (arg == u"--max-growth") {
            ok = value(0, n);
            options.maxGrowthMb = double(n);
        } else if (arg == u"--each-kind") {
            options.eachKind = true;
        } else if (arg == u"--verbose") {
            options.verbose = true;
        } else if (arg == u"--simulator") {
            ok = !args.isEmpty();
            if (ok)
                options.simulator = args.takeFirst();
        } else if (!arg.startsWith(u'-') && parseNumber(arg, 1, n)) {
            options.cycles = int(n);
        } else {
            ok = false;
        }
        if (!ok) {
            err << "kalvidor-soak: bad option or value: " << arg << "\n" << Usage;
            return 2;
        }
    }
    if (!QFileInfo(options.simulator).isExecutable()) {
        err << "kalvidor-soak: the unit simulator is not at " << options.simulator
            << " (--simulator PATH)\n";
        return 2;
    }

    kalvidor::soak::Soak soak(options, out);
    return soak.run();
}
