#pragma once

#include "expectedtexts.h"
#include "table/idcodetable.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <array>

namespace kalvidor::soak {

// The fault a cycle injects into the simulated unit.
enum class FaultKind { None, Silence, Refusal, Split, CrLf, Garbage, Hangup };
inline constexpr int FaultKindCount = 7;
QString faultKindName(FaultKind kind);

enum class UnitCommand { Sid, Rid, Stm, Snm, Rtm, Rnm };

struct Fault
{
    FaultKind kind = FaultKind::None;
    bool wholeUnit = false; // Silence: no reply to anything
    UnitCommand command = UnitCommand::Sid; // Silence or Refusal of one command
    int slot = 0; // ... of this slot (SID, RID)
    int hangupAt = 0; // Hangup: the command line (from 1) the line closes on
    int reopenMs = 0; // ... and when it opens again
    int garbageBytes = 0; // Garbage: random bytes (never CR) sent at start
    int splitPauseMs = 0; // Split: pause between the bytes of a reply

    static Fault random(FaultKind kind, QRandomGenerator &random);
    QStringList simulatorOptions() const;
    QString describe() const;
};

// What the simulated unit holds and how it answers, command by command, so
// that the soak knows what each exchange should leave behind.
class UnitModel
{
public:
    enum class Reply { Ok, Refused, Silent, HungUp };

    explicit UnitModel(Fault fault);

    // As kalvidor-unit-sim stores them: slot 0 whole, every other slot its
    // low 16 bits, read back under the upper 16 bits of slot 0.
    void writeSlot(int slot, qint32 value);
    qint32 readSlot(int slot) const;
    qint16 holdTime = 2;
    qint16 allowance = 1;

    // The reply to the next command line; counts it as received.
    Reply answer(UnitCommand command, int slot = 0);
    int commandsReceived() const { return m_received; }

    // A write, read or compare: the last reply of each, without its line
    // end, reaches the receive display once it has ended.
    void beginSequence() { m_sequenceReply.clear(); }
    void endSequence();
    // The replies shown so far, in order.
    QStringList shownReplies() const { return m_shownReplies; }

    // False from a hang-up until the soak has reloaded the link on the line
    // reopened.
    bool portOpen = true;

    // "--set" options that preset the unit with the current contents.
    QStringList presetOptions() const;

private:
    Fault m_fault;
    std::array<qint32, SlotCount> m_ids {};
    int m_received = 0;
    QString m_sequenceReply;
    QStringList m_shownReplies;
};

// What each unit operation should show and store. Each runs the operation's
// exchanges against the model as the application should: it changes the
// model's unit and the expected table, and returns the messages expected in
// order. shownAfterRead is set when the read refreshes the window.
QStringList expectWrite(UnitModel &unit, const IdCodeTable &table);
QStringList expectRead(UnitModel &unit, IdCodeTable &table, bool &shownAfterRead);
QStringList expectCompare(UnitModel &unit, const IdCodeTable &table);

} // namespace kalvidor::soak
