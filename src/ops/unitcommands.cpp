#include "unitcommands.h"

#include "common/messenger.h"
#include "link/unitlink.h"

#include <QStringList>

#include <iterator>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

const QString WriteDoneMessage = u"警報ユニットへ設定が完了しました。"_s;
const QString ReadDoneMessage = u"警報ユニット設定の読込みを完了しました。"_s;
const QString MatchMessage = u"警報ユニットの設定内容と一致しています。"_s;
const QString DifferMessage = u"警報ユニットの設定内容と相違しています。"_s;

const QString HoldTimeCaption = u"警報時間設定"_s;
const QString AllowanceCaption = u"重機オペ許可人数"_s;

bool inRange(qint16 value, int low, int high)
{
    return value >= low && value <= high;
}

} // namespace

// Marks a command as running for its whole length, message included.
class UnitCommands::RunningScope
{
public:
    explicit RunningScope(UnitCommands &commands)
        : m_commands(commands)
    {
        m_commands.m_running = true;
        emit m_commands.runningChanged(true);
    }
    ~RunningScope()
    {
        m_commands.m_running = false;
        m_commands.m_counting = false;
        emit m_commands.runningChanged(false);
    }
    RunningScope(const RunningScope &) = delete;
    RunningScope &operator=(const RunningScope &) = delete;

private:
    UnitCommands &m_commands;
};

UnitCommands::UnitCommands(UnitLink &link, IdCodeTable &table, Messenger &messenger,
    UnitCommandHost &host, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_table(table)
    , m_messenger(messenger)
    , m_host(host)
{
    connect(&m_link, &UnitLink::progress, this, [this](int done, int) { onLinkProgress(done); });
    // The link shows "受信：" + the reply only when a reply came in time;
    // timin returns -2 both for no reply and for a unit that answers "-2".
    connect(&m_link, &UnitLink::receivedCaptionChanged, this,
        [this](const QString &caption) { m_replied = caption.startsWith(u"受信："); });
}

QString UnitCommands::slotPlace(int slot)
{
    struct Place
    {
        int firstSlot;
        QStringView caption;
    };
    // In slot order; the row number counts from the list's first slot.
    static constexpr Place places[] = {
        { 1, u"重機オペ" },
        { 101, u"車両運転手" },
        { 113, u"重　機" },
        { 163, u"車　両" },
    };
    if (slot <= 0)
        return u"基準IDCODE"_s;
    for (int i = int(std::size(places)) - 1; i >= 0; --i) {
        if (slot >= places[i].firstSlot)
            return u"%1 %2"_s.arg(places[i].caption).arg(slot - places[i].firstSlot + 1);
    }
    return {};
}

void UnitCommands::writeToUnit()
{
    if (m_running)
        return;
    const RunningScope running(*this);

    m_host.gatherTable();
    m_host.showLinkWindow();
    startProgress();
    qint16 outcome = m_link.setout(m_table.Ids);
    Step failed = Step::Ids;
    if (outcome == ExchangeOk) {
        // Both parameters go out whenever the table went out.
        const qint16 hold = m_link.timout(m_table.HoldTime, 0);
        if (hold == ExchangeOk)
            advanceProgress();
        const qint16 allowance = m_link.timout(m_table.OperatorAllowance, 1);
        if (allowance == ExchangeOk)
            advanceProgress();
        outcome = hold != ExchangeOk ? hold : allowance;
        failed = hold != ExchangeOk ? Step::HoldTime : Step::Allowance;
    }
    m_host.hideLinkWindow();

    if (outcome == ExchangeOk)
        m_messenger.inform(WriteDoneMessage);
    else if (outcome == ExchangeFailed)
        reportNotConnected(stopDetails(true, failed));
    // ExchangeNotOpen: the link has shown the port message. ExchangeBusy: nothing.
}

void UnitCommands::readFromUnit()
{
    if (m_running)
        return;
    const RunningScope running(*this);

    // The window is not gathered: the unit's values replace the table's.
    m_host.showLinkWindow();
    startProgress();
    const qint16 outcome = m_link.setin(m_table.Ids);
    bool completed = outcome == ExchangeOk;
    if (completed) {
        // A value out of range (a refusal reads as 0) leaves the table's own.
        bool answered = false;
        const qint16 hold = readParameter(0, answered);
        if (answered) {
            if (inRange(hold, 1, 99))
                m_table.HoldTime = hold;
            const qint16 allowance = readParameter(1, answered);
            if (answered && inRange(allowance, 1, 4))
                m_table.OperatorAllowance = allowance;
        }
        // A parameter that got no answer ends the read here; the link has
        // said so. The IDs already read are shown either way.
        completed = answered;
        m_host.showTable();
    }
    m_host.hideLinkWindow();

    if (completed)
        m_messenger.inform(ReadDoneMessage);
    else if (outcome == ExchangeFailed)
        reportNotConnected(stopDetails(false, Step::Ids));
}

void UnitCommands::compareWithUnit()
{
    if (m_running)
        return;
    const RunningScope running(*this);

    std::array<qint32, SlotCount> unitIds {};
    m_host.gatherTable();
    // frm_Comm stays as it is.
    const qint16 outcome = m_link.setin(unitIds);
    if (outcome == ExchangeFailed) {
        reportNotConnected({});
    } else if (outcome == ExchangeOk) {
        const QString details = differenceDetails(unitIds);
        if (details.isEmpty())
            m_messenger.inform(MatchMessage);
        else
            m_messenger.show({ DifferMessage, MessageIcon::Exclamation, MessageButtons::Ok,
                applicationTitle(), details });
    }
}

void UnitCommands::onLinkProgress(int done)
{
    m_idsDone = done;
    if (!m_counting)
        return;
    // The IDs come first: no parameter has been answered yet.
    m_done = done;
    emit progress(m_done, CommandsPerTransfer);
}

void UnitCommands::startProgress()
{
    m_counting = true;
    m_idsDone = 0;
    m_done = 0;
    emit progress(0, CommandsPerTransfer);
}

void UnitCommands::advanceProgress()
{
    ++m_done;
    emit progress(m_done, CommandsPerTransfer);
}

qint16 UnitCommands::readParameter(int mode, bool &answered)
{
    m_replied = false;
    const qint16 value = m_link.timin(mode);
    answered = m_replied;
    if (answered)
        advanceProgress();
    return value;
}

QString UnitCommands::stopDetails(bool writing, Step step) const
{
    const QString place = step == Step::Ids ? slotPlace(m_idsDone)
        : step == Step::HoldTime            ? HoldTimeCaption
                                            : AllowanceCaption;
    QString text = u"失敗した箇所：%1\n"_s.arg(place);
    text += (writing ? u"書き込み済み：%1 件（全 %2 件中）"_s
                     : u"読み込み済み：%1 件（全 %2 件中）"_s)
                .arg(m_done)
                .arg(CommandsPerTransfer);
    if (writing && m_done > 0)
        text += u"\n警報ユニットの設定は一部だけ書き換わっている可能性があります。"_s;
    return text;
}

QString UnitCommands::differenceDetails(const std::array<qint32, SlotCount> &unitIds) const
{
    IdCodeTable unit;
    unit.Ids = unitIds;
    QStringList lines;
    for (int slot = 1; slot < SlotCount; ++slot) {
        if (m_table.Ids[slot] != unitIds[slot])
            lines << u"%1：%2 / %3"_s.arg(
                slotPlace(slot), RowText(m_table, slot), RowText(unit, slot));
    }
    if (lines.isEmpty())
        return {};
    lines.prepend(u"相違している ID（画面 / 警報ユニット）"_s);
    // An empty row reads "―" on either side; a different base explains a
    // pair of them.
    if (m_table.Ids[0] != unitIds[0])
        lines.insert(
            1, u"%1：%2 / %3"_s.arg(slotPlace(0), IdText(m_table.Ids[0]), IdText(unitIds[0])));
    return lines.join(u'\n');
}

void UnitCommands::reportNotConnected(const QString &details)
{
    m_messenger.show({ notConnectedMessage(), MessageIcon::Information, MessageButtons::Ok,
        applicationTitle(), details });
}

} // namespace kalvidor
