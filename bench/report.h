#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace kalvidor::bench {

// One row of the results table: what was measured, against which target.
struct Figure
{
    QString name; // the row's label; fixed, scripts look for it
    QString value; // the figure as shown; empty when it could not be measured
    QString target;
    bool met = false;
    QJsonObject data; // the raw numbers, for --json
};

class Report
{
public:
    void add(Figure figure) { m_figures.append(std::move(figure)); }
    // A figure that could not be measured, with the reason.
    void addUnmeasured(const QString &name, const QString &target, const QString &reason);
    void note(const QString &text) { m_notes.append(text); }
    void setMachine(QJsonObject machine) { m_machine = std::move(machine); }

    bool allMeasured() const;
    bool allMet() const;

    // A Markdown table with a result column ("ok", "MISS" or "not measured"),
    // then the notes.
    QString text() const;
    QJsonObject json() const;

private:
    QList<Figure> m_figures;
    QStringList m_notes;
    QJsonObject m_machine;
};

// How busy other processes kept the machine's processors while it lives:
// the processor time the whole machine used, from /proc/stat, less this
// process's and its children's, over the wall time. The wall-time figures
// depend on it: a process woken by the pseudo-terminal waits for a free core.
class OtherLoad
{
public:
    OtherLoad();
    // Cores kept busy by other processes on average, so far.
    double cores() const;

private:
    double m_machineCpu;
    double m_ownCpu;
    qint64 m_startNs;
};

// The 1-minute load average of the machine, from /proc/loadavg.
double loadAverage();

// Cores, processor model, system and Qt version of this machine.
QJsonObject describeMachine();

} // namespace kalvidor::bench
