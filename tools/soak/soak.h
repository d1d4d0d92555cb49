#pragma once

#include "messagelog.h"
#include "simulatorprocess.h"
#include "unitmodel.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <array>
#include <memory>

namespace kalvidor {
class Application;
class MainWindow;
class UnitOperations;
} // namespace kalvidor

namespace kalvidor::soak {

using unitsim::SimulatorProcess;

struct SoakOptions
{
    int cycles = 200;
    quint64 seed = 1;
    int only = 0; // run just this cycle (replay)
    bool eachKind = false; // cycle n injects fault kind n mod 7 instead of a random one
    int limitMs = 300; // every reply time limit of the link
    QString simulator; // kalvidor-unit-sim
    double maxGrowthMb = 4; // resident memory may grow this much after the first cycle
    bool verbose = false;
};

// Runs the cycles against one main window, built once, and reports.
class Soak
{
    // How often the application looks for text the unit sent on its own.
    static constexpr int TickIntervalMs = 200;

public:
    Soak(SoakOptions options, QTextStream &out);
    ~Soak();

    // The process exit code: 0 when every cycle behaved and memory stayed flat.
    int run();

private:
    struct Cycle;

    void runCycle(int number);
    // The checks at the end of a cycle: the unit's command log and the
    // receive display; then the simulator stops.
    void finishCycle(Cycle &c);
    void reloadLink(Cycle &c);
    void putTable(Cycle &c, const IdCodeTable &table);
    void changeVisibleRow(Cycle &c, IdCodeTable &expected);
    // Runs one unit operation and checks its messages, the table and the window.
    void command(Cycle &c, const QString &step, const QString &menuItem,
        const QStringList &messages, const IdCodeTable &expected);
    void interfere();
    void mismatch(const Cycle &c, const QString &step, const QString &what);
    void report(qint64 elapsedMs, const std::array<long, 3> &rssKb,
        const std::array<QStringList, 3> &files);

    SoakOptions m_options;
    QTextStream &m_out;
    QTemporaryDir m_dir;
    MessageLog m_messages;
    std::unique_ptr<SimulatorProcess> m_simulator;
    std::unique_ptr<Application> m_application;
    MainWindow *m_window = nullptr;
    QTimer m_interference;

    std::array<int, FaultKindCount> m_faults {};
    int m_cyclesRun = 0;
    int m_mismatches = 0;
    int m_interferences = 0;
    QList<int> m_failedCycles;
};

} // namespace kalvidor::soak
