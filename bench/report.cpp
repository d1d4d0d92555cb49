#include "report.h"

#include "benchclock.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kalvidor::bench {

namespace {

QString result(const Figure &figure)
{
    if (figure.value.isEmpty())
        return u"not measured"_s;
    return figure.met ? u"ok"_s : u"MISS"_s;
}

QString firstMatch(const QString &path, const QString &pattern)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QRegularExpressionMatch match
        = QRegularExpression(pattern, QRegularExpression::MultilineOption)
              .match(QString::fromUtf8(file.readAll()));
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

} // namespace

void Report::addUnmeasured(const QString &name, const QString &target, const QString &reason)
{
    m_figures.append({ name, {}, target, false, { { u"error"_s, reason } } });
    m_notes.append(name + u" not measured: "_s + reason);
}

bool Report::allMeasured() const
{
    return std::all_of(
        m_figures.begin(), m_figures.end(), [](const Figure &f) { return !f.value.isEmpty(); });
}

bool Report::allMet() const
{
    return std::all_of(m_figures.begin(), m_figures.end(), [](const Figure &f) { return f.met; });
}

QString Report::text() const
{
    QList<QStringList> rows { { u"Figure"_s, u"Measured"_s, u"Target"_s, u"Result"_s } };
    for (const Figure &f : m_figures)
        rows.append({ f.name, f.value.isEmpty() ? u"—"_s : f.value, f.target, result(f) });
    QList<qsizetype> widths(4, 0);
    for (const QStringList &row : rows) {
        for (int c = 0; c < 4; ++c)
            widths[c] = std::max(widths[c], row[c].size());
    }
    QString out;
    const auto line = [&](const QStringList &cells) {
        out += u"|"_s;
        for (int c = 0; c < 4; ++c)
            out += u' ' + cells[c].leftJustified(widths[c]) + u" |"_s;
        out += u'\n';
    };
    line(rows.first());
    QStringList rule;
    for (int c = 0; c < 4; ++c)
        rule.append(QString(widths[c], u'-'));
    line(rule);
    for (qsizetype r = 1; r < rows.size(); ++r)
        line(rows[r]);
    if (!m_notes.isEmpty()) {
        out += u'\n';
        for (const QString &n : m_notes)
            out += u"- "_s + n + u'\n';
    }
    return out;
}

QJsonObject Report::json() const
{
    QJsonArray figures;
    for (const Figure &f : m_figures) {
        QJsonObject o = f.data;
        o[u"name"_s] = f.name;
        o[u"measured"_s] = f.value;
        o[u"target"_s] = f.target;
        o[u"result"_s] = result(f);
        figures.append(o);
    }
    return { { u"machine"_s, m_machine }, { u"figures"_s, figures },
        { u"notes"_s, QJsonArray::fromStringList(m_notes) } };
}

namespace {

// Processor time the whole machine has used since boot, in seconds.
double machineCpuSeconds()
{
    QFile file(u"/proc/stat"_s);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // "cpu  user nice system idle iowait irq softirq steal ..." in 1/100 s.
    const QList<QByteArray> fields = file.readLine().simplified().split(' ');
    double busy = 0;
    for (const int i : { 1, 2, 3, 6, 7, 8 })
        busy += fields.value(i).toDouble();
    return busy / 100.0;
}

} // namespace

OtherLoad::OtherLoad()
    : m_machineCpu(machineCpuSeconds())
    , m_ownCpu(ownAndChildrenCpuSeconds())
    , m_startNs(monotonicNs())
{
}

double OtherLoad::cores() const
{
    const double wall = (monotonicNs() - m_startNs) / 1e9;
    const double others
        = (machineCpuSeconds() - m_machineCpu) - (ownAndChildrenCpuSeconds() - m_ownCpu);
    return wall > 0 ? std::max(0.0, others / wall) : 0;
}

double loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().split(' ').value(0).toDouble();
}

QJsonObject describeMachine()
{
    return {
        { u"cores"_s, QThread::idealThreadCount() },
        { u"cpu"_s, firstMatch(u"/proc/cpuinfo"_s, u"^model name\\s*:(.*)$"_s) },
        { u"system"_s, QSysInfo::prettyProductName() },
        { u"kernel"_s, QSysInfo::kernelVersion() },
        { u"qt"_s, QString::fromLatin1(qVersion()) },
    };
}

} // namespace kalvidor::bench
