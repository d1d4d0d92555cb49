// kalvidor-bench [--smoke] [--runs N] [--only PARTS] [--json FILE]
//
// Measures the unit link and the application against the unit simulator on
// a pseudo-terminal and prints one table of figures beside their targets.
// --smoke runs everything once and short (a 0.5 s wait instead of the real
// 20 s time limit) to prove that the benchmarks still work; its figures mean
// nothing. --only takes a comma-separated choice of transfer, paced, wait,
// app and apppaced. Exits 1 when a figure could not be measured; a missed target is
// marked in the table, and with --check exits 2 as well.

#include "appbench.h"
#include "linkbench.h"
#include "report.h"

#include "link/protocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace kalvidor::bench;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Benchmarks of the unit link and the application."_s);
    parser.addHelpOption();
    const QCommandLineOption smoke(
        u"smoke"_s, u"One short run of each, to check that they work."_s);
    const QCommandLineOption runs(u"runs"_s, u"Runs per figure (default 7)."_s, u"N"_s, u"7"_s);
    const QCommandLineOption only(u"only"_s,
        u"Measure only these: transfer,paced,wait,app,apppaced."_s, u"PARTS"_s,
        u"transfer,paced,wait,app,apppaced"_s);
    const QCommandLineOption json(u"json"_s, u"Write the figures as JSON to FILE."_s, u"FILE"_s);
    const QCommandLineOption check(u"check"_s, u"Exit with 2 when a figure misses its target."_s);
    parser.addOptions({ smoke, runs, only, json, check });
    parser.process(app);

    const bool isSmoke = parser.isSet(smoke);
    const int runCount = isSmoke ? 1 : qMax(5, parser.value(runs).toInt());
    const int pacedRuns = isSmoke ? 1 : 3;
    const int silentLimitMs = isSmoke ? 500 : kalvidor::LinkLimits {}.sid;
    const QStringList parts = parser.value(only).split(u',');

    Report report;
    const double loadBefore = loadAverage();
    QStringList busy;
    QJsonObject busyData;
    const auto measure = [&](const QString &part, const QString &label, auto &&run) {
        if (!parts.contains(part))
            return;
        const OtherLoad load;
        run();
        busy.append(u"%1 %2"_s.arg(label, QString::number(load.cores(), 'f', 2)));
        busyData[part] = load.cores();
    };
    measure(u"transfer"_s, u"unit answering at once"_s,
        [&] { measureInstantTransfers(report, runCount); });
    measure(u"paced"_s, u"paced unit"_s, [&] { measurePacedTransfers(report, pacedRuns); });
    measure(u"wait"_s, u"silent unit"_s, [&] { measureSilentWait(report, silentLimitMs); });
    measure(u"app"_s, u"application"_s, [&] { measureApplication(report, runCount); });
    measure(u"apppaced"_s, u"application, paced unit"_s,
        [&] { measurePacedApplication(report, pacedRuns); });

    if (parts.contains(u"paced")) {
        report.note(u"Paced rows: the simulator sends its replies no faster than 38400 bit/s "
                    "(10 bits a byte), but the application's commands cross the "
                    "pseudo-terminal at once, where a wire would take their byte time. The "
                    "ratio held against the target is therefore (wall time + the commands' "
                    "wire time) / (wire time of the bytes of both directions): what the same "
                    "exchanges would take on a real line over the least they could take. "
                    "\"replies only\" is wall time / wire time of the replies alone, the paced "
                    "direction as measured, with no model."_s);
    }
    if (isSmoke)
        report.note(u"Smoke run: one run each and a 0.5 s time limit; the figures mean nothing."_s);
    QJsonObject machine = describeMachine();
    machine[u"loadBefore"_s] = loadBefore;
    machine[u"loadAfter"_s] = loadAverage();
    machine[u"otherProcessesCores"_s] = busyData;
    report.setMachine(machine);
    report.note(u"Cores kept busy by other processes meanwhile (of %1): %2."_s
                    .arg(machine[u"cores"].toInt())
                    .arg(busy.join(u"; ")));
    report.note(u"Machine: %1 cores, %2; %3; Qt %4; load average %5 before, %6 after."_s
                    .arg(machine[u"cores"].toInt())
                    .arg(machine[u"cpu"].toString(), machine[u"system"].toString(),
                        machine[u"qt"].toString())
                    .arg(loadBefore)
                    .arg(machine[u"loadAfter"].toDouble()));

    std::fputs(qPrintable(report.text()), stdout);
    if (parser.isSet(json)) {
        QFile file(parser.value(json));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(QJsonDocument(report.json()).toJson()) < 0) {
            std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(parser.value(json)));
            return 1;
        }
    }
    if (!report.allMeasured())
        return 1;
    if (parser.isSet(check) && !report.allMet()) {
        std::fputs("bench: a figure missed its target (marked MISS above)\n", stderr);
        return 2;
    }
    return 0;
}
