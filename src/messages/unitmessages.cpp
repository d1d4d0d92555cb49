#include "unitmessages.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

Message information(const QString &text, const QString &details = {})
{
    return { text, MessageIcon::Information, MessageButtons::Ok, applicationTitle(), details };
}

// Where a write or a read stopped, as the message's details.
QString stopDetails(UnitOperation operation, const SequenceOutcome &outcome)
{
    const bool writing = operation == UnitOperation::Write;
    QString text = u"失敗した箇所：%1\n"_s.arg(stepPlace(outcome.step, outcome.slot));
    text += (writing ? u"書き込み済み：%1 件（全 %2 件中）"_s
                     : u"読み込み済み：%1 件（全 %2 件中）"_s)
                .arg(outcome.answered)
                .arg(UnitSession::CommandsPerTable);
    if (writing && outcome.answered > 0)
        text += u'\n' + partlyWrittenText();
    return text;
}

// How a place names a list.
QString listCaption(IdList list)
{
    switch (list) {
    case IdList::Operators:
        return u"重機オペ"_s;
    case IdList::Drivers:
        return u"車両運転手"_s;
    case IdList::HeavyMachines:
        return u"重　機"_s;
    case IdList::Vehicles:
        return u"車　両"_s;
    }
    return {};
}

bool stoppedByTheUnit(const SequenceOutcome &outcome)
{
    return outcome.status == SequenceStatus::NoReply || outcome.status == SequenceStatus::Refused;
}

// The box a failed command shows at once, before its sequence goes on.
std::optional<Message> boxAtFailure(UnitOperation operation, const SequenceOutcome &failure)
{
    // Nothing could be sent: the port is what the user must see to.
    if (failure.status == SequenceStatus::PortNotOpen)
        return Message { portNotOpenText(), MessageIcon::Exclamation, MessageButtons::Ok,
            applicationTitle(), {} };
    // A read that got no answer to a parameter says so as it stops; the IDs
    // it read stay read.
    if (operation == UnitOperation::Read && failure.step != SequenceStep::Ids
        && stoppedByTheUnit(failure))
        return information(notConnectedText());
    return std::nullopt;
}

// The rows a compare found differing, as the table and the unit show them.
QStringList differingRowLines(const CompareOutcome &outcome, const IdCodeTable &table)
{
    IdCodeTable unit;
    unit.ids = outcome.unitIds;
    QStringList lines;
    // An empty row reads "―" on either side; a different base explains a
    // pair of them.
    if (table.ids[0] != unit.ids[0])
        lines << u"%1：%2 / %3"_s.arg(slotPlace(0), idText(table.ids[0]), idText(unit.ids[0]));
    for (const int slot : outcome.differingSlots)
        lines << u"%1：%2 / %3"_s.arg(slotPlace(slot), rowText(table, slot), rowText(unit, slot));
    return lines;
}

Message differMessage(const QStringList &details)
{
    return { u"警報ユニットの設定内容と相違しています。"_s, MessageIcon::Exclamation,
        MessageButtons::Ok, applicationTitle(), details.join(u'\n') };
}

} // namespace

QString portNotOpenText()
{
    return u"通信ポート番号が正しくありません。設定を行ってください。"_s;
}

QString notConnectedText()
{
    return u"警報ユニットが接続されていません。"_s;
}

QString outOfRangeText(UnitParameter parameter)
{
    return parameter == UnitParameter::HoldTime ? u"警報時間設定が範囲外です。"_s
                                                : u"重機オペ許可人数が範囲外です。"_s;
}

QString partlyWrittenText()
{
    return u"警報ユニットの設定は一部だけ書き換わっている可能性があります。"_s;
}

QString slotPlace(int slot)
{
    if (slot <= 0)
        return u"基準IDCODE"_s;
    // The row number counts from the first slot of the list the slot is in.
    const auto listOf = [slot] {
        for (const IdList list : { IdList::Vehicles, IdList::HeavyMachines, IdList::Drivers }) {
            if (slot >= idListInfo(list).firstSlot)
                return list;
        }
        return IdList::Operators;
    };
    const IdList list = listOf();
    return u"%1 %2"_s.arg(listCaption(list)).arg(slot - idListInfo(list).firstSlot + 1);
}

QString stepPlace(SequenceStep step, int slot)
{
    switch (step) {
    case SequenceStep::Ids:
        return slotPlace(slot);
    case SequenceStep::HoldTime:
        return u"警報時間設定"_s;
    case SequenceStep::Allowance:
        return u"重機オペ許可人数"_s;
    }
    return {};
}

std::optional<Message> outcomeMessage(
    UnitOperation operation, OutcomeMoment moment, const SequenceOutcome &outcome)
{
    if (moment == OutcomeMoment::CommandFailed)
        return boxAtFailure(operation, outcome);
    // What a failure said as it happened is not said again.
    if (!outcome.completed() && boxAtFailure(operation, outcome))
        return std::nullopt;

    if (outcome.completed()) {
        switch (operation) {
        case UnitOperation::Write:
            return information(u"警報ユニットへ設定が完了しました。"_s);
        case UnitOperation::Read:
            return information(u"警報ユニット設定の読込みを完了しました。"_s);
        case UnitOperation::Compare:
            return std::nullopt; // worded with its rows by compareOutcomeMessage()
        }
    }
    if (stoppedByTheUnit(outcome)) {
        // A compare names no place: it stops only on the IDs.
        if (operation == UnitOperation::Compare)
            return information(notConnectedText());
        return information(notConnectedText(), stopDetails(operation, outcome));
    }
    // The range messages came first; this one says that nothing went out.
    if (outcome.status == SequenceStatus::ParametersOutOfRange)
        return information(u"範囲外の設定値があるため、警報ユニットへの書き込みを中止しました。"_s);
    return std::nullopt;
}

std::optional<Message> compareOutcomeMessage(
    const CompareOutcome &outcome, const IdCodeTable &table)
{
    return compareOutcomeMessage(outcome, table, u"画面"_s);
}

std::optional<Message> compareOutcomeMessage(
    const CompareOutcome &outcome, const IdCodeTable &table, const QString &tableSide)
{
    if (!outcome.completed())
        return outcomeMessage(UnitOperation::Compare, OutcomeMoment::SequenceEnded, outcome);
    if (outcome.differingSlots.isEmpty())
        return information(u"警報ユニットの設定内容と一致しています。"_s);

    QStringList lines { u"相違している ID（%1 / 警報ユニット）"_s.arg(tableSide) };
    lines << differingRowLines(outcome, table);
    return differMessage(lines);
}

std::optional<Message> verifyOutcomeMessage(
    const VerifyOutcome &outcome, const IdCodeTable &table, const QString &tableSide)
{
    // Where the read stopped, as a read says it.
    if (!outcome.completed())
        return outcomeMessage(UnitOperation::Read, OutcomeMoment::SequenceEnded, outcome);
    if (outcome.matches())
        return information(u"警報ユニットの設定内容と一致しています。"_s);

    QStringList lines { u"相違している設定（%1 / 警報ユニット）"_s.arg(tableSide) };
    if (!outcome.differingSlots.isEmpty())
        lines << differingRowLines(outcome, table);
    const auto addParameter = [&](SequenceStep step, qint16 written, qint16 held) {
        lines << u"%1：%2 / %3"_s.arg(stepPlace(step, 0)).arg(written).arg(held);
    };
    if (outcome.holdTimeDiffers)
        addParameter(SequenceStep::HoldTime, table.holdTime, outcome.holdTime.value);
    if (outcome.allowanceDiffers)
        addParameter(SequenceStep::Allowance, table.operatorAllowance, outcome.allowance.value);
    return differMessage(lines);
}

QString sentCaption(const QString &command)
{
    return u"送信："_s + command;
}

QString waitingCaption()
{
    return u"受信待ち"_s;
}

QString receivedCaption(const QString &reply)
{
    return u"受信："_s + reply;
}

QString receiveDisplayWith(const QString &shown, const QString &unitText)
{
    const qsizetype p = unitText.indexOf(u"Ver");
    if (p >= 0)
        return u"ROM "_s + unitText.mid(p);
    return shown + unitText;
}

} // namespace kalvidor
