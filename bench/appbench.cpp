#include "appbench.h"

#include "benchclock.h"
#include "benchtable.h"

#include "files/idtablefile.h"
#include "simulatedunit.h"

#include <QMap>
#include <QProcess>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace kalvidor::bench {

namespace {

const QString StartUp = u"Start-up to the main window shown"_s;
const QString Memory = u"Peak resident memory after a write and a read"_s;
const QString AppWrite = u"Write through the windows, unit paced at 38400 bit/s"_s;
const QString AppRead = u"Read through the windows, unit paced at 38400 bit/s"_s;
const QString AppWriteCpu = u"Processor time per command, write through the windows"_s;
const QString AppReadCpu = u"Processor time per command, read through the windows"_s;

constexpr double StartUpTargetMs = 300;
constexpr double MemoryTargetMB = 60;
constexpr double CpuPerCommandTargetMs = 0.2;

// One menu command as the application timed it, up to its message.
struct TimedTransfer
{
    qint64 wallNs = 0;
    qint64 cpuNs = 0;
    qint64 bytesOut = 0;
    qint64 bytesIn = 0;
    int commands = 0;
};

// What one run of the application reported.
struct AppRun
{
    double startUpMs = 0; // launch to the first expose handled
    double inMainMs = 0; // main() entered to the first expose handled
    qint64 hwmShownKb = 0;
    qint64 hwmKb = 0; // after the write and the read
    QStringList messages;
    QMap<QString, TimedTransfer> transfers; // "write", "read"
    QString error;
};

AppRun runApplication(const QString &programDir, const QString &mode = u"--transfer"_s)
{
    AppRun run;
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    app.setProcessEnvironment(env);
    const qint64 launchNs = monotonicNs();
    app.start(QStringLiteral(KALVIDOR_BENCH_APP_PATH), { programDir, mode });
    if (!app.waitForFinished(60000) || app.exitStatus() != QProcess::NormalExit
        || app.exitCode() != 0) {
        // Its warnings (the offscreen platform has many) only matter then.
        run.error = u"the application did not end normally: "_s + app.errorString() + u"\n"_s
            + QString::fromLocal8Bit(app.readAllStandardError());
        app.kill();
        app.waitForFinished(3000);
        return run;
    }
    qint64 mainNs = 0, shownNs = 0;
    for (const QByteArray &raw : app.readAllStandardOutput().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const QString word = line.section(u' ', 0, 0);
        const QString rest = line.section(u' ', 1);
        if (word == u"MAIN")
            mainNs = rest.toLongLong();
        else if (word == u"SHOWN")
            shownNs = rest.toLongLong();
        else if (word == u"HWM_SHOWN")
            run.hwmShownKb = rest.toLongLong();
        else if (word == u"HWM")
            run.hwmKb = rest.toLongLong();
        else if (word == u"MESSAGE")
            run.messages.append(rest);
        else if (word == u"TRANSFER") {
            const QStringList f = rest.split(u' ');
            if (f.size() == 6)
                run.transfers[f[0]] = { f[1].toLongLong(), f[2].toLongLong(), f[3].toLongLong(),
                    f[4].toLongLong(), f[5].toInt() };
        }
    }
    if (shownNs == 0 || run.hwmKb <= 0) {
        run.error = u"the application did not report its window shown and its memory:\n"_s
            + QString::fromLocal8Bit(app.readAllStandardError());
        return run;
    }
    run.startUpMs = (shownNs - launchNs) / 1e6;
    run.inMainMs = (shownNs - mainNs) / 1e6;
    return run;
}

// The simulator as the application's unit, and a program folder with a
// full table file; false, with the reason in error, when one fails.
bool startUnitWithTable(SimulatedUnit &unit, const QStringList &options, QString &error)
{
    if (!unit.start(options, error))
        return false;
    if (!saveIdCodeTable(tableFilePath(unit.programDir()), fullTable())) {
        error = u"cannot write the table file"_s;
        return false;
    }
    return true;
}

} // namespace

void measureApplication(Report &report, int runs)
{
    const QString startUpTarget = u"≤ %1 ms"_s.arg(StartUpTargetMs);
    const QString memoryTarget = u"≤ %1 MB"_s.arg(MemoryTargetMB);
    const auto fail = [&](const QString &error) {
        report.addUnmeasured(StartUp, startUpTarget, error);
        report.addUnmeasured(Memory, memoryTarget, error);
    };
    std::fprintf(
        stderr, "bench: start-up, then a write and a read, of the application (%d runs)\n", runs);

    SimulatedUnit unit;
    QString error;
    if (!startUnitWithTable(unit, {}, error))
        return fail(error);

    std::vector<double> startUpMs, inMainMs;
    qint64 hwmKb = 0, hwmShownKb = 0;
    QStringList messages;
    for (int i = 0; i < runs; ++i) {
        const int commandsBefore = unit.commandCount();
        const AppRun run = runApplication(unit.programDir());
        if (!run.error.isEmpty())
            return fail(run.error);
        // A write and a read are 215 commands each; anything less means a
        // command of the window did not reach the unit.
        const int commands = unit.commandCount() - commandsBefore;
        if (commands != 2 * (SlotCount + 2))
            return fail(
                u"the unit received %1 commands instead of %2 (messages: %3)"_s.arg(commands)
                    .arg(2 * (SlotCount + 2))
                    .arg(run.messages.join(u" / ")));
        startUpMs.push_back(run.startUpMs);
        inMainMs.push_back(run.inMainMs);
        hwmKb = std::max(hwmKb, run.hwmKb);
        hwmShownKb = std::max(hwmShownKb, run.hwmShownKb);
        messages = run.messages;
    }

    const double startUp = median(startUpMs);
    report.add({ StartUp,
        u"%1 ms (median of %2; %3 ms of it from main())"_s.arg(QString::number(startUp, 'f', 1))
            .arg(startUpMs.size())
            .arg(QString::number(median(inMainMs), 'f', 1)),
        startUpTarget, startUp <= StartUpTargetMs,
        { { u"startUpMs"_s, startUp }, { u"fromMainMs"_s, median(inMainMs) },
            { u"runs"_s, int(startUpMs.size()) } } });
    // VmHWM counts kibibytes; the target is in millions of bytes.
    const double mb = hwmKb * 1024 / 1e6;
    report.add({ Memory,
        u"%1 MB (VmHWM %2 kB; %3 kB when first shown)"_s.arg(QString::number(mb, 'f', 1))
            .arg(hwmKb)
            .arg(hwmShownKb),
        memoryTarget, mb <= MemoryTargetMB,
        { { u"peakMB"_s, mb }, { u"vmHwmKb"_s, hwmKb }, { u"vmHwmShownKb"_s, hwmShownKb },
            { u"messages"_s, messages.join(u" / ") } } });
}

void measurePacedApplication(Report &report, int runs)
{
    const QString ratioTarget = u"≤ %1"_s.arg(WireRatioTarget);
    const QString cpuTarget = u"≤ %1 ms"_s.arg(CpuPerCommandTargetMs);
    const auto fail = [&](const QString &error) {
        report.addUnmeasured(AppWrite, ratioTarget, error);
        report.addUnmeasured(AppRead, ratioTarget, error);
        report.addUnmeasured(AppWriteCpu, cpuTarget, error);
        report.addUnmeasured(AppReadCpu, cpuTarget, error);
    };
    std::fprintf(stderr,
        "bench: the application's write and read through its menus, unit paced at 38400 bit/s "
        "(%d runs)\n",
        runs);

    SimulatedUnit unit;
    QString error;
    if (!startUnitWithTable(unit, { u"--pace"_s }, error))
        return fail(error);

    struct Figures
    {
        std::vector<double> ratio, cpuMs, wallS;
        TimedTransfer last;
    };
    QMap<QString, Figures> figures;
    for (int i = 0; i < runs; ++i) {
        const AppRun run = runApplication(unit.programDir(), u"--timed-transfer"_s);
        if (!run.error.isEmpty())
            return fail(run.error);
        for (const QString &name : { u"write"_s, u"read"_s }) {
            const TimedTransfer t = run.transfers.value(name);
            if (t.commands != SlotCount + 2)
                return fail(u"the %1 sent %2 commands instead of %3 (messages: %4)"_s.arg(name)
                                .arg(t.commands)
                                .arg(SlotCount + 2)
                                .arg(run.messages.join(u" / ")));
            Figures &f = figures[name];
            const double wall = t.wallNs / 1e9;
            // The pseudo-terminal takes the commands at once where a wire
            // would take their byte time: add it, as the link rows do.
            f.ratio.push_back(
                (wall + wireSeconds(t.bytesOut)) / wireSeconds(t.bytesOut + t.bytesIn));
            f.cpuMs.push_back(t.cpuNs / 1e6 / t.commands);
            f.wallS.push_back(wall);
            f.last = t;
        }
    }
    const auto add = [&](const QString &ratioName, const QString &cpuName, const Figures &f) {
        const double ratio = median(f.ratio);
        const double cpu = median(f.cpuMs);
        report.add({ ratioName,
            u"%1 (wall %2 s to the message + commands' wire %3 s, over wire %4 s both ways)"_s.arg(
                QString::number(ratio, 'f', 3), QString::number(median(f.wallS), 'f', 3),
                QString::number(wireSeconds(f.last.bytesOut), 'f', 3),
                QString::number(wireSeconds(f.last.bytesOut + f.last.bytesIn), 'f', 3)),
            ratioTarget, ratio <= WireRatioTarget,
            { { u"ratio"_s, ratio }, { u"wallS"_s, median(f.wallS) },
                { u"bytesOut"_s, f.last.bytesOut }, { u"bytesIn"_s, f.last.bytesIn },
                { u"commands"_s, f.last.commands }, { u"runs"_s, int(f.ratio.size()) } } });
        report.add({ cpuName,
            u"%1 ms (user + system of the application, median of %2)"_s
                .arg(QString::number(cpu, 'f', 4))
                .arg(f.cpuMs.size()),
            cpuTarget, cpu <= CpuPerCommandTargetMs,
            { { u"cpuPerCommandMs"_s, cpu }, { u"runs"_s, int(f.cpuMs.size()) } } });
    };
    add(AppWrite, AppWriteCpu, figures[u"write"_s]);
    add(AppRead, AppReadCpu, figures[u"read"_s]);
}

} // namespace kalvidor::bench
