#include "unitsession.h"

namespace kalvidor {

namespace {

SequenceStatus sequenceStatus(ExchangeStatus status)
{
    switch (status) {
    case ExchangeStatus::Answered:
        return SequenceStatus::Completed;
    case ExchangeStatus::Refused:
        return SequenceStatus::Refused;
    case ExchangeStatus::NoReply:
        return SequenceStatus::NoReply;
    case ExchangeStatus::PortNotOpen:
        return SequenceStatus::PortNotOpen;
    case ExchangeStatus::Busy:
        return SequenceStatus::Busy;
    }
    return SequenceStatus::NoReply;
}

SequenceStep stepOf(UnitParameter parameter)
{
    return parameter == UnitParameter::HoldTime ? SequenceStep::HoldTime : SequenceStep::Allowance;
}

} // namespace

// Holds the link's sequence for the whole length of one write, read or
// compare; opens nothing while another sequence runs.
class UnitSession::SequenceScope
{
public:
    explicit SequenceScope(UnitSession &session)
        : m_session(session)
        , m_open(session.m_link.beginSequence())
    {
        if (m_open)
            m_session.m_cancelled = false;
    }
    ~SequenceScope()
    {
        if (m_open)
            m_session.m_link.endSequence();
    }
    SequenceScope(const SequenceScope &) = delete;
    SequenceScope &operator=(const SequenceScope &) = delete;

    bool isOpen() const { return m_open; }

private:
    UnitSession &m_session;
    bool m_open;
};

UnitSession::UnitSession(UnitLink &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
}

void UnitSession::cancel()
{
    if (!m_link.isBusy())
        return;
    m_cancelled = true;
    m_link.abortWait();
}

SequenceOutcome UnitSession::failed(
    SequenceStep step, int slot, ExchangeStatus status, int answered)
{
    SequenceOutcome outcome;
    outcome.status = m_cancelled ? SequenceStatus::Cancelled : sequenceStatus(status);
    outcome.step = step;
    outcome.slot = slot;
    outcome.answered = answered;
    if (!m_cancelled)
        emit commandFailed(outcome);
    return outcome;
}

void UnitSession::count(SequenceOutcome &outcome)
{
    ++outcome.answered;
    emit progress(outcome.answered, CommandsPerTable);
}

SequenceOutcome UnitSession::write(const IdCodeTable &table)
{
    const SequenceScope sequence(*this);
    if (!sequence.isOpen())
        return { SequenceStatus::Busy };
    if (!inRange(UnitParameter::HoldTime, table.holdTime)
        || !inRange(UnitParameter::OperatorAllowance, table.operatorAllowance))
        return { SequenceStatus::ParametersOutOfRange };

    // The table as it was when the write began, whatever happens meanwhile.
    const IdCodeTable ids = table;
    SequenceOutcome outcome;
    emit progress(0, CommandsPerTable);
    for (int slot = 0; slot < SlotCount; ++slot) {
        const ExchangeResult r = m_link.writeId(slot, ids.ids[slot]);
        if (!r.answered() || m_cancelled)
            return failed(SequenceStep::Ids, slot, r.status, outcome.answered);
        count(outcome);
    }

    // Both parameters go out whenever the table went out; the first that
    // failed decides the outcome.
    const std::pair<UnitParameter, qint16> parameters[] = {
        { UnitParameter::HoldTime, ids.holdTime },
        { UnitParameter::OperatorAllowance, ids.operatorAllowance },
    };
    SequenceOutcome firstFailure;
    for (const auto &[parameter, value] : parameters) {
        if (m_cancelled)
            break;
        const ExchangeResult r = m_link.writeParameter(parameter, value);
        // Each failure is reported as it happens; the outcome stays the first.
        if (r.answered() && !m_cancelled)
            count(outcome);
        else if (firstFailure.completed())
            firstFailure = failed(stepOf(parameter), 0, r.status, outcome.answered);
        else
            failed(stepOf(parameter), 0, r.status, outcome.answered);
    }
    if (m_cancelled && firstFailure.completed())
        firstFailure = failed(SequenceStep::Allowance, 0, ExchangeStatus::NoReply, 0);
    if (!firstFailure.completed()) {
        firstFailure.answered = outcome.answered;
        return firstFailure;
    }
    return outcome;
}

SequenceOutcome UnitSession::readIds(std::array<qint32, SlotCount> &ids, bool counting)
{
    SequenceOutcome outcome;
    for (int slot = 0; slot < SlotCount; ++slot) {
        const ExchangeResult r = m_link.readId(slot);
        if (!r.answered() || m_cancelled)
            return failed(SequenceStep::Ids, slot, r.status, outcome.answered);
        // A reply that carries no ID value leaves the slot as it was.
        if (const std::optional<qint32> value = ridReplyValue(r.reply))
            ids[slot] = *value;
        if (counting)
            count(outcome);
        else
            ++outcome.answered;
    }
    return outcome;
}

ParameterReading UnitSession::readParameter(UnitParameter parameter, SequenceOutcome &outcome)
{
    ParameterReading reading;
    const ExchangeResult r = m_link.readParameter(parameter);
    switch (m_cancelled ? ExchangeStatus::NoReply : r.status) {
    case ExchangeStatus::Answered:
        reading.value = parameterReplyValue(r.reply);
        break;
    case ExchangeStatus::Refused:
        // A refusal carries no value; it reads as 0, which no range holds.
        break;
    default: {
        const int answered = outcome.answered;
        outcome = failed(stepOf(parameter), 0, r.status, answered);
        return reading;
    }
    }
    reading.answered = true;
    reading.taken = inRange(parameter, reading.value);
    count(outcome);
    return reading;
}

ReadOutcome UnitSession::read(IdCodeTable &table)
{
    ReadOutcome result;
    const SequenceScope sequence(*this);
    if (!sequence.isOpen()) {
        result.status = SequenceStatus::Busy;
        return result;
    }

    emit progress(0, CommandsPerTable);
    static_cast<SequenceOutcome &>(result) = readIds(table.ids, true);
    if (!result.completed())
        return result;
    // A parameter that got no answer ends the read; the IDs read stay.
    result.holdTime = readParameter(UnitParameter::HoldTime, result);
    if (result.holdTime.taken)
        table.holdTime = result.holdTime.value;
    if (!result.completed())
        return result;
    result.allowance = readParameter(UnitParameter::OperatorAllowance, result);
    if (result.allowance.taken)
        table.operatorAllowance = result.allowance.value;
    return result;
}

CompareOutcome UnitSession::compare(const IdCodeTable &table)
{
    CompareOutcome result;
    const SequenceScope sequence(*this);
    if (!sequence.isOpen()) {
        result.status = SequenceStatus::Busy;
        return result;
    }

    static_cast<SequenceOutcome &>(result) = readIds(result.unitIds, false);
    if (!result.completed())
        return result;
    // The parameters are not compared.
    result.differingSlots = differingListSlots(table, result.unitIds);
    return result;
}

VerifyOutcome UnitSession::verify(const IdCodeTable &table)
{
    // All zero, as the compare's scratch table.
    IdCodeTable unit;
    const ReadOutcome read = this->read(unit);
    VerifyOutcome result;
    static_cast<SequenceOutcome &>(result) = read;
    result.unitIds = unit.ids;
    result.holdTime = read.holdTime;
    result.allowance = read.allowance;
    if (!result.completed())
        return result;
    result.differingSlots = differingListSlots(table, unit.ids);
    // What the unit answered, also out of range: a refusal reads 0.
    result.holdTimeDiffers = read.holdTime.value != table.holdTime;
    result.allowanceDiffers = read.allowance.value != table.operatorAllowance;
    return result;
}

QList<int> differingListSlots(
    const IdCodeTable &table, const std::array<qint32, SlotCount> &unitIds)
{
    QList<int> differing;
    for (int slot = 1; slot < SlotCount; ++slot) {
        if (table.ids[slot] != unitIds[slot])
            differing << slot;
    }
    return differing;
}

} // namespace kalvidor
