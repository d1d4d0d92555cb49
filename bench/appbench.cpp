#include "appbench.h"

#include "benchclock.h"
#include "benchtable.h"

#include "files/idtablefile.h"
#include "simulatorprocess.h"

#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace kalvidor::bench {

using unitsim::SimulatorProcess;

namespace {

const QString StartUp = u"Start-up to the main window shown"_s;
const QString Memory = u"Peak resident memory after a write and a read"_s;

constexpr double StartUpTargetMs = 300;
constexpr double MemoryTargetMB = 60;

// What one run of the application reported.
struct AppRun
{
    double startUpMs = 0; // launch to the first expose handled
    double inMainMs = 0; // main() entered to the first expose handled
    qint64 hwmShownKb = 0;
    qint64 hwmKb = 0; // after the write and the read
    QStringList messages;
    QString error;
};

AppRun runApplication(const QString &programDir)
{
    AppRun run;
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    app.setProcessEnvironment(env);
    const qint64 launchNs = monotonicNs();
    app.start(QStringLiteral(KALVIDOR_BENCH_APP_PATH), { programDir, u"--transfer"_s });
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

    QTemporaryDir programDir;
    SimulatorProcess simulator(
        SimulatorProcess::programFromEnvironment(QStringLiteral(KALVIDOR_UNIT_SIM_PATH)));
    if (!programDir.isValid() || !SaveIdCodeTable(tableFilePath(programDir.path()), fullTable()))
        return fail(u"cannot write the table file"_s);
    if (!simulator.start({}, 5000))
        return fail(simulator.errorString());
    if (!SimulatorProcess::writeSettings(programDir.path(), 1, simulator.devicePath()))
        return fail(u"cannot write the settings file"_s);

    std::vector<double> startUpMs, inMainMs;
    qint64 hwmKb = 0, hwmShownKb = 0;
    QStringList messages;
    for (int i = 0; i < runs; ++i) {
        const int commandsBefore = simulator.commandCount();
        const AppRun run = runApplication(programDir.path());
        if (!run.error.isEmpty())
            return fail(run.error);
        // A write and a read are 215 commands each; anything less means a
        // command of the window did not reach the unit.
        const int commands = simulator.commandCount() - commandsBefore;
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

} // namespace kalvidor::bench
