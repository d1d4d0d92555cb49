#include "unitmodel.h"

using namespace Qt::StringLiterals;

namespace kalvidor::soak {

namespace {

// One write, read or compare of the model's unit, from start to end.
class Sequence
{
public:
    explicit Sequence(UnitModel &unit)
        : m_unit(unit)
    {
        m_unit.beginSequence();
    }
    ~Sequence() { m_unit.endSequence(); }
    Sequence(const Sequence &) = delete;
    Sequence &operator=(const Sequence &) = delete;

private:
    UnitModel &m_unit;
};

QString commandName(UnitCommand command)
{
    static const char *const names[] = { "SID", "RID", "STM", "SNM", "RTM", "RNM" };
    return QString::fromLatin1(names[int(command)]);
}

bool hasSlot(UnitCommand command)
{
    return command == UnitCommand::Sid || command == UnitCommand::Rid;
}

// The value an RID reply carries is stored only when 0 < n < 268435455.
bool storable(qint32 value)
{
    return value > 0 && value < MaxIdValue;
}

} // namespace

QString faultKindName(FaultKind kind)
{
    static const char *const names[]
        = { "none", "silence", "refusal", "split", "crlf", "garbage", "hangup" };
    return QString::fromLatin1(names[int(kind)]);
}

Fault Fault::random(FaultKind kind, QRandomGenerator &random)
{
    Fault f;
    f.kind = kind;
    switch (kind) {
    case FaultKind::Silence:
    case FaultKind::Refusal: {
        f.wholeUnit = kind == FaultKind::Silence && random.bounded(3) == 0;
        // Mostly an ID slot, the place where most exchanges happen.
        const int pick = random.bounded(20);
        f.command = pick < 8 ? UnitCommand::Sid
            : pick < 16      ? UnitCommand::Rid
                             : UnitCommand(int(UnitCommand::Stm) + pick - 16);
        f.slot = hasSlot(f.command) ? random.bounded(SlotCount) : 0;
        break;
    }
    case FaultKind::Split:
        f.splitPauseMs = random.bounded(2);
        break;
    case FaultKind::Garbage:
        // Within what a pseudo-terminal buffers before the port is opened.
        f.garbageBytes = 1 + random.bounded(3000);
        break;
    case FaultKind::Hangup:
        // Anywhere in a write (commands 1 to 215) and the read after it (216 to 430).
        f.hangupAt = 1 + random.bounded(2 * (SlotCount + 2));
        f.reopenMs = 20 + random.bounded(200);
        break;
    case FaultKind::None:
    case FaultKind::CrLf:
        break;
    }
    return f;
}

QStringList Fault::simulatorOptions() const
{
    const QString name = commandName(command).toLower();
    switch (kind) {
    case FaultKind::Silence:
        if (wholeUnit)
            return { u"--silent"_s };
        return hasSlot(command) ? QStringList { u"--silent-"_s + name, QString::number(slot) }
                                : QStringList { u"--silent-"_s + name };
    case FaultKind::Refusal:
        return hasSlot(command) ? QStringList { u"--refuse-"_s + name, QString::number(slot) }
                                : QStringList { u"--refuse-"_s + name };
    case FaultKind::Split:
        return { u"--split"_s, u"--split-pause"_s, QString::number(splitPauseMs) };
    case FaultKind::CrLf:
        return { u"--crlf"_s };
    case FaultKind::Garbage:
        return { u"--garbage"_s, QString::number(garbageBytes) };
    case FaultKind::Hangup:
        return { u"--hangup-after"_s, QString::number(hangupAt), u"--reopen-after"_s,
            QString::number(reopenMs) };
    case FaultKind::None:
        break;
    }
    return {};
}

QString Fault::describe() const
{
    const QString options = simulatorOptions().join(u' ');
    return options.isEmpty() ? faultKindName(kind) : faultKindName(kind) + u" ("_s + options + u')';
}

UnitModel::UnitModel(Fault fault)
    : m_fault(fault)
{
    m_ids[0] = DefaultBaseId;
}

void UnitModel::writeSlot(int slot, qint32 value)
{
    m_ids[slot] = slot == 0 ? value : qint32(quint32(value) & 0xFFFFu);
}

qint32 UnitModel::readSlot(int slot) const
{
    if (slot == 0)
        return m_ids[0];
    return qint32((quint32(m_ids[0]) & 0xFFFF0000u) | quint32(m_ids[slot]));
}

UnitModel::Reply UnitModel::answer(UnitCommand command, int slot)
{
    ++m_received;
    const Fault &f = m_fault;
    if (f.kind == FaultKind::Hangup && m_received == f.hangupAt) {
        portOpen = false;
        return Reply::HungUp;
    }
    const bool hit = f.wholeUnit || (f.command == command && (!hasSlot(command) || f.slot == slot));
    if (f.kind == FaultKind::Silence && hit)
        return Reply::Silent;
    const bool write
        = command == UnitCommand::Sid || command == UnitCommand::Stm || command == UnitCommand::Snm;
    if (f.kind == FaultKind::Refusal && hit) {
        m_sequenceReply = write ? u"NG"_s : u"N"_s;
        return Reply::Refused;
    }
    switch (command) {
    case UnitCommand::Rid:
        m_sequenceReply = QString::number(readSlot(slot));
        break;
    case UnitCommand::Rtm:
        m_sequenceReply = QString::number(holdTime);
        break;
    case UnitCommand::Rnm:
        m_sequenceReply = QString::number(allowance);
        break;
    default:
        m_sequenceReply = u"OK"_s;
        break;
    }
    return Reply::Ok;
}

void UnitModel::endSequence()
{
    if (!m_sequenceReply.isEmpty())
        m_shownReplies << m_sequenceReply;
    m_sequenceReply.clear();
}

QStringList UnitModel::presetOptions() const
{
    QStringList options { u"--set"_s, u"0=%1"_s.arg(m_ids[0], 0, 16), u"--hold"_s,
        QString::number(holdTime), u"--allowance"_s, QString::number(allowance) };
    for (int slot = 1; slot < SlotCount; ++slot) {
        if (m_ids[slot] != 0)
            options << u"--set"_s << u"%1=%2"_s.arg(slot).arg(m_ids[slot], 0, 16);
    }
    return options;
}

QStringList expectWrite(UnitModel &unit, const IdCodeTable &table)
{
    using Reply = UnitModel::Reply;
    const Sequence sequence(unit);
    if (!unit.portOpen)
        return { expected::PortMessage };
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (unit.answer(UnitCommand::Sid, slot) != Reply::Ok)
            return { expected::NotConnected };
        unit.writeSlot(slot, table.ids[slot]);
    }
    // Both parameters go out once the IDs went out; the second finds the
    // port closed if the line went away on the first.
    QStringList messages;
    const bool hold = unit.answer(UnitCommand::Stm) == Reply::Ok;
    if (hold)
        unit.holdTime = table.holdTime;
    bool allowance = false;
    if (!unit.portOpen) {
        messages << expected::PortMessage;
    } else {
        allowance = unit.answer(UnitCommand::Snm) == Reply::Ok;
        if (allowance)
            unit.allowance = table.operatorAllowance;
    }
    return messages << (hold && allowance ? expected::WriteDone : expected::NotConnected);
}

QStringList expectRead(UnitModel &unit, IdCodeTable &table, bool &shownAfterRead)
{
    using Reply = UnitModel::Reply;
    const Sequence sequence(unit);
    shownAfterRead = false;
    if (!unit.portOpen)
        return { expected::PortMessage };
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (unit.answer(UnitCommand::Rid, slot) != Reply::Ok)
            return { expected::NotConnected };
        if (storable(unit.readSlot(slot)))
            table.ids[slot] = unit.readSlot(slot);
    }
    shownAfterRead = true;
    // A refused parameter reads as 0 and leaves the window's value; one
    // that gets no reply ends the read, with the link's own message.
    const Reply hold = unit.answer(UnitCommand::Rtm);
    if (hold == Reply::Silent || hold == Reply::HungUp)
        return { expected::NotConnected };
    if (hold == Reply::Ok && unit.holdTime >= 1 && unit.holdTime <= 99)
        table.holdTime = unit.holdTime;
    const Reply allowance = unit.answer(UnitCommand::Rnm);
    if (allowance == Reply::Silent || allowance == Reply::HungUp)
        return { expected::NotConnected };
    if (allowance == Reply::Ok && unit.allowance >= 1 && unit.allowance <= 4)
        table.operatorAllowance = unit.allowance;
    return { expected::ReadDone };
}

QStringList expectCompare(UnitModel &unit, const IdCodeTable &table)
{
    const Sequence sequence(unit);
    if (!unit.portOpen)
        return { expected::PortMessage };
    std::array<qint32, SlotCount> read {};
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (unit.answer(UnitCommand::Rid, slot) != UnitModel::Reply::Ok)
            return { expected::NotConnected };
        if (storable(unit.readSlot(slot)))
            read[slot] = unit.readSlot(slot);
    }
    for (int slot = 1; slot < SlotCount; ++slot) {
        if (read[slot] != table.ids[slot])
            return { expected::Differ };
    }
    return { expected::Match };
}

} // namespace kalvidor::soak
