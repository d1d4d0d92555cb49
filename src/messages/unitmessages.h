#pragma once

#include "messages/messenger.h"
#include "session/unitsession.h"

#include <QString>

#include <optional>

namespace kalvidor {

// The words for the unit operations: every front-end turns the session's
// outcomes into text through these, so the window and the command line say
// the same thing.

// What the user asks of the unit (the menu 設定, the button ID登録,
// kalvidor-cli): each runs one sequence of the session.
enum class UnitOperation { Write, Read, Compare };

// When a front-end asks for an operation's message box.
enum class OutcomeMoment {
    CommandFailed, // a command of the sequence failed; the sequence may go on
    SequenceEnded, // the sequence returned its outcome
};

// "The port number is wrong": the port is not open.
QString portNotOpenText();
// "The unit is not connected": a command got no reply, or was refused.
QString notConnectedText();
// The range messages of the two parameters.
QString outOfRangeText(UnitParameter parameter);
// After a write that stopped part-way: the unit may hold part of the table.
QString partlyWrittenText();

// Where a slot sits as the window shows it: "重　機 38"; the base ID has no
// row number.
QString slotPlace(int slot);
// The caption of a step a sequence stopped at: the slot's place, or the
// parameter's label.
QString stepPlace(SequenceStep step, int slot);

// Every message box of an operation's sequence, decided here from its typed
// outcome; a front-end asks at both moments and shows what it gets, so that
// a failure's box comes while its sequence still runs. At CommandFailed
// (UnitSession::commandFailed: `outcome` is the failure) the box a failed
// command shows at once, before its sequence goes on: the port message when
// nothing could be sent, and for a read a parameter that got no answer. At
// SequenceEnded the box the outcome ends with, unless its failure had one
// already: the completion, the not-connected message with where a write or
// a read stopped, or for a write that sent nothing because a parameter is
// out of range, that it was stopped; none for a busy link or a cancelled
// sequence. A compare that completed is worded with its rows by
// compareOutcomeMessage().
std::optional<Message> outcomeMessage(
    UnitOperation operation, OutcomeMoment moment, const SequenceOutcome &outcome);
// A compare's box once it has ended: outcomeMessage(), and for a compare that
// completed whether the unit's IDs match the table's, the differing rows as
// the screen (画面) and the unit show them. tableSide names the table's side
// instead (a file's name).
std::optional<Message> compareOutcomeMessage(
    const CompareOutcome &outcome, const IdCodeTable &table);
std::optional<Message> compareOutcomeMessage(
    const CompareOutcome &outcome, const IdCodeTable &table, const QString &tableSide);
// The check that follows a write: the compare's messages, the differing rows
// named as a compare names them (tableSide: the file written), then the
// parameters that differ; a read that stopped as a read says it.
std::optional<Message> verifyOutcomeMessage(
    const VerifyOutcome &outcome, const IdCodeTable &table, const QString &tableSide);

// The link window's captions.
QString sentCaption(const QString &command);
QString waitingCaption();
QString receivedCaption(const QString &reply);

// The receive display after the unit sent text of its own: "ROM " and the
// text from its first "Ver" on in place of what it showed, or the text
// appended to it.
QString receiveDisplayWith(const QString &shown, const QString &unitText);

} // namespace kalvidor
