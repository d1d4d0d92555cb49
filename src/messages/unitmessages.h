#pragma once

#include "messages/messenger.h"
#include "ops/unitsession.h"

#include <QString>

#include <optional>

namespace kalvidor {

// The words for the unit's sequences: every front-end turns the session's
// outcomes into text through these, so the window and the command line say
// the same thing.

enum class UnitOperation { Write, Read, Compare };

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
// The caption of a step a transfer stopped at: the slot's place, or the
// parameter's label.
QString stepPlace(TransferStep step, int slot);

// The message a failed command raises at once, before its sequence ends:
// the port message when nothing could be sent, and for a read the missing
// answer to a parameter.
std::optional<Message> commandFailureMessage(
    UnitOperation operation, TransferStep step, ExchangeStatus status);

// The message a sequence ends with, if any: the completion, the
// not-connected message with where it stopped, or for a write that sent
// nothing because a parameter is out of range, that it was stopped. A closed
// port (already said by commandFailureMessage) and a busy link get none.
std::optional<Message> writeOutcomeMessage(const SequenceOutcome &outcome);
std::optional<Message> readOutcomeMessage(const ReadOutcome &outcome);
// The window's compare: the differing rows as the screen (画面) and the unit
// show them. tableSide names the table's side instead (a file's name).
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
