#include "linkbench.h"

#include "benchclock.h"
#include "benchtable.h"
#include "plainclient.h"
#include "simulatedunit.h"

#include "link/unitlink.h"
#include "session/unitsession.h"

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace kalvidor::bench {

namespace {

const QString InstantWrite = u"Write, unit answering at once"_s;
const QString InstantRead = u"Read, unit answering at once"_s;
const QString PacedWrite = u"Write, unit paced at 38400 bit/s"_s;
const QString PacedRead = u"Read, unit paced at 38400 bit/s"_s;
const QString WaitCpu = u"CPU during a wait on a silent unit"_s;
const QString WaitLength = u"Length of that wait"_s;

constexpr double RoundTripTargetMs = 0.15;
constexpr double WaitCpuTargetS = 0.05;
constexpr double WaitSlackS = 0.1;

void progressLine(const QString &text)
{
    std::fprintf(stderr, "bench: %s\n", qPrintable(text));
}

// One exchange sequence as the bench saw it.
struct Transfer
{
    qint64 ns = 0;
    qint64 bytesOut = 0; // command bytes the link wrote
    qint64 bytesIn = 0; // reply bytes the link evaluated
    int commands = 0;
    QString error; // empty when every exchange succeeded (and a read gave the table back)
};

// Counts the bytes of each command and each reply as the link reports
// them, one character per byte on the line.
class LineCounter
{
public:
    LineCounter(UnitLink &link, Transfer &transfer)
    {
        m_sent
            = QObject::connect(&link, &UnitLink::commandSent, [&transfer](const QString &command) {
                  ++transfer.commands;
                  transfer.bytesOut += command.size();
              });
        m_received = QObject::connect(&link, &UnitLink::replyReceived,
            [&transfer](const QString &reply) { transfer.bytesIn += reply.size(); });
    }
    ~LineCounter()
    {
        QObject::disconnect(m_sent);
        QObject::disconnect(m_received);
    }
    LineCounter(const LineCounter &) = delete;
    LineCounter &operator=(const LineCounter &) = delete;

private:
    QMetaObject::Connection m_sent;
    QMetaObject::Connection m_received;
};

// The unit simulator with the given options, and a link loaded against it.
class LinkSetup
{
public:
    bool start(const QStringList &options, LinkLimits limits, QString &error)
    {
        if (!m_unit.start(options, error))
            return false;
        link = std::make_unique<UnitLink>(
            LinkConfig { .device = [this] { return m_unit.devicePath(); }, .limits = limits });
        session = std::make_unique<UnitSession>(*link);
        link->load();
        if (!link->isPortOpen()) {
            error = u"the link cannot open "_s + m_unit.devicePath();
            return false;
        }
        return true;
    }

    QString devicePath() const { return m_unit.devicePath(); }

    std::unique_ptr<UnitLink> link;
    std::unique_ptr<UnitSession> session;

private:
    SimulatedUnit m_unit;
};

// What a write to the unit sends: the IDs, then the two parameters.
Transfer writeTable(UnitSession &session, const IdCodeTable &table)
{
    Transfer t;
    const LineCounter counter(session.link(), t);
    const qint64 start = monotonicNs();
    const SequenceOutcome outcome = session.write(table);
    t.ns = monotonicNs() - start;
    if (!outcome.completed())
        t.error = u"the write stopped after %1 commands"_s.arg(outcome.answered);
    return t;
}

// What a read from the unit asks: the IDs, then the two parameters.
Transfer readTable(UnitSession &session, const IdCodeTable &expected)
{
    Transfer t;
    IdCodeTable back;
    const LineCounter counter(session.link(), t);
    const qint64 start = monotonicNs();
    const ReadOutcome outcome = session.read(back);
    t.ns = monotonicNs() - start;
    if (!outcome.completed())
        t.error = u"the read stopped after %1 commands"_s.arg(outcome.answered);
    else if (back.ids != expected.ids || back.holdTime != expected.holdTime
        || back.operatorAllowance != expected.operatorAllowance)
        t.error = u"the read did not give the written table back"_s;
    return t;
}

// The command lines of a write and of a read, as the link sends them.
QByteArrayList writeCommands(const IdCodeTable &table)
{
    QByteArrayList lines;
    for (int slot = 0; slot < SlotCount; ++slot)
        lines.append(sidCommand(slot, table.ids[slot]).toLatin1());
    lines.append(writeParameterCommand(UnitParameter::HoldTime, table.holdTime).toLatin1());
    lines.append(writeParameterCommand(UnitParameter::OperatorAllowance, table.operatorAllowance)
                     .toLatin1());
    return lines;
}

QByteArrayList readCommands()
{
    QByteArrayList lines;
    for (int slot = 0; slot < SlotCount; ++slot)
        lines.append(ridCommand(slot).toLatin1());
    lines.append(readParameterCommand(UnitParameter::HoldTime).toLatin1());
    lines.append(readParameterCommand(UnitParameter::OperatorAllowance).toLatin1());
    return lines;
}

// The plain client's runs of the same lines on the link's line: median
// nanoseconds, and the last run. The link must have let go of the port.
struct PlainFigures
{
    double medianNs = 0;
    PlainRun last;
};

PlainFigures runPlain(const QString &device, const QByteArrayList &lines, int runs)
{
    PlainFigures figures;
    std::vector<double> ns;
    for (int i = 0; i < runs; ++i) {
        figures.last = runPlainClient(device, lines);
        if (!figures.last.error.isEmpty())
            return figures;
        ns.push_back(double(figures.last.ns));
    }
    figures.medianNs = median(ns);
    return figures;
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

void measureInstantTransfers(Report &report, int runs)
{
    const QString target = u"≤ %1 ms per round trip"_s.arg(RoundTripTargetMs);
    progressLine(u"whole write and read, unit answering at once (%1 runs each)"_s.arg(runs));
    LinkSetup setup;
    QString error;
    const IdCodeTable table = fullTable();
    const QByteArrayList writeLines = writeCommands(table);
    const QByteArrayList readLines = readCommands();
    if (!setup.start({}, {}, error)) {
        report.addUnmeasured(InstantWrite, target, error);
        report.addUnmeasured(InstantRead, target, error);
        return;
    }

    // Each run: the link's write and read, then the plain client's with the
    // same lines (the link lets go of the port meanwhile), so that both see
    // the same state of the machine. Run 0 only warms up: the first
    // exchanges pay for page faults and the pseudo-terminal's first use.
    // Processor time is taken too: unlike the wall time it hardly depends
    // on how busy the machine is.
    std::vector<double> writeMs, readMs, plainWriteNs, plainReadNs, linkCpuS, plainCpuS;
    Transfer lastWrite, lastRead;
    QString plainError;
    for (int i = 0; i <= runs && error.isEmpty(); ++i) {
        const double cpuAtStart = processCpuSeconds();
        lastWrite = writeTable(*setup.session, table);
        lastRead = readTable(*setup.session, table);
        const double linkCpu = processCpuSeconds() - cpuAtStart;
        error = lastWrite.error.isEmpty() ? lastRead.error : lastWrite.error;
        setup.link->unload();
        const double plainCpuAtStart = processCpuSeconds();
        const PlainRun plainWrite = runPlainClient(setup.devicePath(), writeLines);
        const PlainRun plainRead = runPlainClient(setup.devicePath(), readLines);
        const double plainCpu = processCpuSeconds() - plainCpuAtStart;
        plainError = plainWrite.error + plainRead.error;
        setup.link->load();
        if (i == 0)
            continue;
        writeMs.push_back(lastWrite.ns / 1e6);
        readMs.push_back(lastRead.ns / 1e6);
        plainWriteNs.push_back(double(plainWrite.ns));
        plainReadNs.push_back(double(plainRead.ns));
        linkCpuS.push_back(linkCpu);
        plainCpuS.push_back(plainCpu);
    }
    const auto add = [&](const QString &name, const std::vector<double> &ms, const Transfer &t,
                         const std::vector<double> &plainNs) {
        if (!error.isEmpty()) {
            report.addUnmeasured(name, target, error);
            return;
        }
        const double whole = median(ms);
        const double perCommand = whole / t.commands;
        QJsonObject data { { u"perRoundTripMs"_s, perCommand }, { u"wholeMs"_s, whole },
            { u"commands"_s, t.commands }, { u"runs"_s, int(ms.size()) },
            { u"bytesOut"_s, t.bytesOut }, { u"bytesIn"_s, t.bytesIn } };
        if (plainError.isEmpty())
            data[u"plainClientPerRoundTripMs"_s] = median(plainNs) / 1e6 / t.commands;
        report.add({ name,
            u"%1 ms per round trip (whole %2 ms, %3 commands, median of %4)"_s
                .arg(fixed(perCommand, 4), fixed(whole, 2))
                .arg(t.commands)
                .arg(ms.size()),
            target, perCommand <= RoundTripTargetMs, data });
    };
    add(InstantWrite, writeMs, lastWrite, plainWriteNs);
    add(InstantRead, readMs, lastRead, plainReadNs);
    if (!error.isEmpty())
        return;
    if (!plainError.isEmpty()) {
        report.note(u"Plain client not measured: "_s + plainError);
        return;
    }
    const auto perCommandUs = [](double ns, const Transfer &t) { return ns / 1e3 / t.commands; };
    const double bareWrite = perCommandUs(median(plainWriteNs), lastWrite);
    const double bareRead = perCommandUs(median(plainReadNs), lastRead);
    report.note(u"Floor under the round trips: a plain poll()/read() client sending the same "
                "lines to the same simulator, in the same runs, takes %1 µs (write) and %2 µs "
                "(read) per round trip: the kernel's and the simulator's share. The link "
                "takes %3 µs and %4 µs."_s.arg(fixed(bareWrite, 1), fixed(bareRead, 1),
                    fixed(perCommandUs(median(writeMs) * 1e6, lastWrite), 1),
                    fixed(perCommandUs(median(readMs) * 1e6, lastRead), 1)));
    const int commands = lastWrite.commands + lastRead.commands;
    report.note(u"Processor time of the bench process (user + system) per round trip, write "
                "and read together: the link %1 µs, the plain client %2 µs."_s.arg(
                    fixed(median(linkCpuS) * 1e6 / commands, 1),
                    fixed(median(plainCpuS) * 1e6 / commands, 1)));
}

void measurePacedTransfers(Report &report, int runs)
{
    const QString target = u"≤ %1"_s.arg(WireRatioTarget);
    progressLine(
        u"whole write and read, unit pacing its replies at 38400 bit/s (%1 runs each)"_s.arg(runs));
    LinkSetup setup;
    QString error;
    const IdCodeTable table = fullTable();
    if (!setup.start({ u"--pace"_s }, {}, error)) {
        report.addUnmeasured(PacedWrite, target, error);
        report.addUnmeasured(PacedRead, target, error);
        return;
    }

    struct Ratios
    {
        std::vector<double> modelled, repliesOnly, wall, cpuMs;
        Transfer last;
    };
    Ratios write, read;
    const auto record = [&error](Ratios &r, const Transfer &t, double cpuS) {
        if (!t.error.isEmpty()) {
            error = t.error;
            return;
        }
        const double wall = t.ns / 1e9;
        const double commandsWire = wireSeconds(t.bytesOut);
        // The pseudo-terminal hands the commands over at once where a wire
        // would take their byte time; a real line adds that time to the wall.
        r.modelled.push_back((wall + commandsWire) / wireSeconds(t.bytesOut + t.bytesIn));
        r.repliesOnly.push_back(wall / wireSeconds(t.bytesIn));
        r.wall.push_back(wall);
        r.cpuMs.push_back(cpuS * 1e3 / t.commands);
        r.last = t;
    };
    for (int i = 0; i < runs && error.isEmpty(); ++i) {
        double cpu = processCpuSeconds();
        const Transfer w = writeTable(*setup.session, table);
        record(write, w, processCpuSeconds() - cpu);
        if (!error.isEmpty())
            break;
        cpu = processCpuSeconds();
        const Transfer r = readTable(*setup.session, table);
        record(read, r, processCpuSeconds() - cpu);
    }
    const auto add = [&](const QString &name, const Ratios &r) {
        if (!error.isEmpty()) {
            report.addUnmeasured(name, target, error);
            return;
        }
        const double modelled = median(r.modelled);
        const double repliesOnly = median(r.repliesOnly);
        report.add({ name,
            u"%1 (wall %2 s + commands' wire %3 s, over wire %4 s both ways); replies only %5; "
            "%6 ms processor time per command"_s.arg(fixed(modelled, 3), fixed(median(r.wall), 3),
                fixed(wireSeconds(r.last.bytesOut), 3),
                fixed(wireSeconds(r.last.bytesOut + r.last.bytesIn), 3), fixed(repliesOnly, 3),
                fixed(median(r.cpuMs), 4)),
            target, modelled <= WireRatioTarget,
            { { u"ratio"_s, modelled }, { u"ratioRepliesOnly"_s, repliesOnly },
                { u"wallS"_s, median(r.wall) }, { u"cpuPerCommandMs"_s, median(r.cpuMs) },
                { u"bytesOut"_s, r.last.bytesOut }, { u"bytesIn"_s, r.last.bytesIn },
                { u"commands"_s, r.last.commands }, { u"runs"_s, int(r.wall.size()) } } });
    };
    add(PacedWrite, write);
    add(PacedRead, read);
    if (!error.isEmpty())
        return;

    // How closely the simulator itself keeps to the wire rate: the plain
    // client on the same paced line.
    setup.link->unload();
    const PlainFigures plainWrite = runPlain(setup.devicePath(), writeCommands(table), runs);
    const PlainFigures plainRead = runPlain(setup.devicePath(), readCommands(), runs);
    if (!plainWrite.last.error.isEmpty() || !plainRead.last.error.isEmpty()) {
        report.note(
            u"Plain client not measured: "_s + plainWrite.last.error + plainRead.last.error);
        return;
    }
    report.note(u"Floor under the paced ratios: the plain client on the same paced line "
                "reaches \"replies only\" %1 (write) and %2 (read). That is the simulator's "
                "own accuracy: it hands each byte over at the start of its byte time (a "
                "reply's first byte at once, one byte time early) and wakes at whole "
                "milliseconds between bytes (up to 1 ms late); the two errors partly cancel."_s.arg(
                    fixed(plainWrite.medianNs / 1e9 / wireSeconds(plainWrite.last.bytesIn), 3),
                    fixed(plainRead.medianNs / 1e9 / wireSeconds(plainRead.last.bytesIn), 3)));
}

void measureSilentWait(Report &report, int limitMs)
{
    const double limitS = limitMs / 1000.0;
    const QString cpuTarget = u"≤ %1 s"_s.arg(WaitCpuTargetS);
    const QString lengthTarget
        = u"%1 … %2 s"_s.arg(fixed(limitS, 1), fixed(limitS + WaitSlackS, 1));
    progressLine(u"a write to a silent unit, time limit %1 s"_s.arg(limitS));
    LinkLimits limits;
    limits.sid = limitMs;
    LinkSetup setup;
    QString error;
    if (!setup.start({ u"--silent"_s }, limits, error)) {
        report.addUnmeasured(WaitCpu, cpuTarget, error);
        report.addUnmeasured(WaitLength, lengthTarget, error);
        return;
    }
    const IdCodeTable table = fullTable();
    const double cpuBefore = processCpuSeconds();
    const qint64 start = monotonicNs();
    const SequenceOutcome outcome = setup.session->write(table);
    const double waitS = (monotonicNs() - start) / 1e9;
    const double cpu = processCpuSeconds() - cpuBefore;
    if (outcome.status != SequenceStatus::NoReply) {
        error = u"a write to a silent unit did not end as unanswered"_s;
        report.addUnmeasured(WaitCpu, cpuTarget, error);
        report.addUnmeasured(WaitLength, lengthTarget, error);
        return;
    }
    report.add({ WaitCpu, u"%1 s user + system over the wait"_s.arg(fixed(cpu, 4)), cpuTarget,
        cpu <= WaitCpuTargetS, { { u"cpuS"_s, cpu }, { u"limitS"_s, limitS } } });
    report.add({ WaitLength, u"%1 s (limit %2 s)"_s.arg(fixed(waitS, 4), fixed(limitS, 1)),
        lengthTarget, waitS >= limitS && waitS <= limitS + WaitSlackS,
        { { u"waitS"_s, waitS }, { u"limitS"_s, limitS } } });
}

} // namespace kalvidor::bench
