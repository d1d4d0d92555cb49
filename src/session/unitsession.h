#pragma once

#include "link/unitlink.h"
#include "table/idcodetable.h"

#include <QList>
#include <QObject>

#include <array>

namespace kalvidor {

// The part of a sequence a command belongs to: the IDs, or one of the two
// parameters (a write or a read).
enum class SequenceStep { Ids, HoldTime, Allowance };

// How a write, a read or a compare ended.
enum class SequenceStatus {
    Completed,
    NoReply, // a command got no reply in time; the sequence stopped there
    Refused, // the unit refused a command; the sequence stopped there
    PortNotOpen, // the port is not open: the sequence sent nothing more
    Busy, // another sequence was running (UnitLink::isBusy()): nothing was sent
    Cancelled, // cancel() ended the sequence; nothing more was sent
    // A write whose hold time or allowance lies outside what the unit
    // accepts: nothing was sent, so the unit keeps its whole configuration.
    ParametersOutOfRange,
};

struct SequenceOutcome
{
    SequenceStatus status = SequenceStatus::Completed;
    // Where the sequence stopped, unless it completed: the step, and for
    // the IDs the slot whose command failed.
    SequenceStep step = SequenceStep::Ids;
    int slot = 0;
    // Commands the unit answered, of UnitSession::CommandsPerTable (a
    // compare counts its IDs only).
    int answered = 0;

    bool completed() const { return status == SequenceStatus::Completed; }
};

// One parameter as a read received it.
struct ParameterReading
{
    bool answered = false; // a reply came in time (a refusal too)
    qint16 value = 0; // what the unit said; 0 for a refusal
    bool taken = false; // within range, so the table took it
};

struct ReadOutcome : SequenceOutcome
{
    ParameterReading holdTime;
    ParameterReading allowance;
};

struct CompareOutcome : SequenceOutcome
{
    // What the unit holds (zero where it sent nothing), and the list slots
    // (1 to 212) in which it differs from the table, in slot order.
    std::array<qint32, SlotCount> unitIds {};
    QList<int> differingSlots;
};

// A read of what a write left in the unit, held against the table written:
// the IDs as a compare holds them (the list slots; a slot the unit gave no
// value for counts as 0), and the hold time and the allowance as the unit
// answered them.
struct VerifyOutcome : CompareOutcome
{
    ParameterReading holdTime;
    ParameterReading allowance;
    bool holdTimeDiffers = false;
    bool allowanceDiffers = false;

    bool matches() const
    {
        return completed() && differingSlots.isEmpty() && !holdTimeDiffers && !allowanceDiffers;
    }
};

// The list slots (1 to 212) in which unitIds differ from the table, in slot
// order. The base ID is left out: an empty row reads the same whatever the base.
QList<int> differingListSlots(
    const IdCodeTable &table, const std::array<qint32, SlotCount> &unitIds);

// Runs the write, read and compare sequences over the link, one command at a
// time, and reports what happened as typed values. It decides nothing about
// windows or words; the front-ends do.
class UnitSession : public QObject
{
    Q_OBJECT

public:
    // Commands a write or a read sends: 213 IDs and the two parameters.
    static constexpr int CommandsPerTable = SlotCount + 2;

    explicit UnitSession(UnitLink &link, QObject *parent = nullptr);

    UnitLink &link() const { return m_link; }

    // Each sequence holds the link's sequence while it runs and sends
    // nothing, returning Busy, while another runs.
    //
    // Writes every slot (SID), then the hold time and the allowance; both
    // parameters go out whenever the IDs did. Sends nothing when a
    // parameter lies outside its range.
    SequenceOutcome write(const IdCodeTable &table);
    // Reads every slot into the table as it arrives (RID), then the hold
    // time and the allowance, which the table takes only within their ranges.
    ReadOutcome read(IdCodeTable &table);
    // Reads every slot into a scratch table and compares the list slots.
    CompareOutcome compare(const IdCodeTable &table);
    // Reads the IDs and both parameters as a read does (with its progress)
    // and holds them against the table: the IDs as a compare does, the
    // parameters as well.
    VerifyOutcome verify(const IdCodeTable &table);

    // Ends the running sequence at once: the command waiting gets no more
    // time and no further command is sent. The sequence returns Cancelled.
    void cancel();

signals:
    // During a write or a read: commands answered of CommandsPerTable.
    void progress(int done, int total);
    // A command did not get an accepted reply. `failure` is the outcome the
    // sequence returns when it stops there; it may go on (a write sends the
    // allowance after a failed hold time). Not for a cancelled sequence.
    void commandFailed(const SequenceOutcome &failure);

private:
    class SequenceScope;

    // Reads slots 0 to 212 into ids; reports progress when counting.
    SequenceOutcome readIds(std::array<qint32, SlotCount> &ids, bool counting);
    ParameterReading readParameter(UnitParameter parameter, SequenceOutcome &outcome);
    void count(SequenceOutcome &outcome);
    SequenceOutcome failed(SequenceStep step, int slot, ExchangeStatus status, int answered);

    UnitLink &m_link;
    bool m_cancelled = false;
};

} // namespace kalvidor
