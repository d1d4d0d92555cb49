#include "clicommand.h"

#include "cli/interruption.h"
#include "cli/tableinput.h"
#include "files/idtablefile.h"
#include "link/serialports.h"
#include "link/unitlink.h"
#include "messages/filemessages.h"
#include "ops/unitsession.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

// How often a running transfer looks whether Ctrl+C was pressed.
constexpr int InterruptionCheckMs = 50;

QString statusWord(SequenceStatus status)
{
    switch (status) {
    case SequenceStatus::Completed:
        return u"completed"_s;
    case SequenceStatus::NoReply:
        return u"no-reply"_s;
    case SequenceStatus::Refused:
        return u"refused"_s;
    case SequenceStatus::PortNotOpen:
        return u"port-not-open"_s;
    case SequenceStatus::Busy:
        return u"busy"_s;
    case SequenceStatus::Cancelled:
        return u"cancelled"_s;
    case SequenceStatus::ParametersOutOfRange:
        return u"parameters-out-of-range"_s;
    }
    return {};
}

QString stepWord(TransferStep step)
{
    switch (step) {
    case TransferStep::Ids:
        return u"ids"_s;
    case TransferStep::HoldTime:
        return u"hold-time"_s;
    case TransferStep::Allowance:
        return u"allowance"_s;
    }
    return {};
}

int exitCodeFor(SequenceStatus status)
{
    switch (status) {
    case SequenceStatus::Completed:
        return int(CliExit::Done);
    case SequenceStatus::NoReply:
    case SequenceStatus::Refused:
    case SequenceStatus::Busy: // cannot happen: this process runs one sequence
        return int(CliExit::UnitFailed);
    case SequenceStatus::PortNotOpen:
        return int(CliExit::PortNotOpen);
    case SequenceStatus::ParametersOutOfRange:
        return int(CliExit::FileError);
    case SequenceStatus::Cancelled: {
        const int signal = interruptionSignal();
        return int(CliExit::InterruptedBase) + (signal != 0 ? signal : 2);
    }
    }
    return int(CliExit::UnitFailed);
}

bool stoppedPartWay(SequenceStatus status)
{
    return status == SequenceStatus::NoReply || status == SequenceStatus::Refused
        || status == SequenceStatus::Cancelled;
}

QJsonObject parameterJson(const ParameterReading &reading)
{
    return { { u"answered"_s, reading.answered }, { u"value"_s, reading.value },
        { u"taken"_s, reading.taken } };
}

// The port number that leads to a device, 0 when none does.
int portNumberOf(const SerialPortEntry &entry, const QString &settingsFile)
{
    if (hostPortNaming() == PortNaming::Windows)
        return comPortNumber(entry.portName);
    for (int n = 1; n <= MaxPortNumber; ++n) {
        if (portDeviceName(n, settingsFile, PortNaming::DeviceFiles) == entry.systemLocation)
            return n;
    }
    return 0;
}

// The device --device names, as it is opened. A device file's relative path
// is taken from the current folder (the serial port would look for it under
// /dev/); on Windows the name is the port's own (COM5).
QString deviceToOpen(const QString &given)
{
    if (hostPortNaming() == PortNaming::DeviceFiles && QDir::isRelativePath(given))
        return QDir::current().absoluteFilePath(given);
    return given;
}

} // namespace

CliCommand::CliCommand(const QStringList &arguments, QString programDir)
    : m_arguments(parseCliArguments(arguments))
    , m_programDir(std::move(programDir))
{
    m_report[u"command"_s] = m_arguments.commandName;
    m_report[u"status"_s] = u"not-started"_s;
}

CliCommand::~CliCommand() = default;

int CliCommand::run()
{
    if (!m_arguments.usageError.isEmpty()) {
        m_console.error(u"kalvidor-cli: "_s + m_arguments.usageError);
        m_console.error(u"使い方は kalvidor-cli --help で表示します。"_s);
        m_report[u"error"_s] = m_arguments.usageError;
        return finish(CliExit::Usage);
    }
    catchInterruptions();
    switch (m_arguments.command) {
    case CliCommandKind::Help:
        m_console.out(cliUsageText().chopped(1));
        return int(CliExit::Done);
    case CliCommandKind::Write:
        return write();
    case CliCommandKind::Read:
        return read();
    case CliCommandKind::Compare:
        return compare();
    case CliCommandKind::Ports:
        return listPorts();
    }
    return int(CliExit::Usage);
}

int CliCommand::write()
{
    TableInput input;
    if (!readTable(input))
        return finish(CliExit::FileError);

    const SequenceOutcome outcome = transfer<SequenceOutcome>(
        UnitOperation::Write, [&] { return m_session->write(input.table); });
    const std::optional<Message> message = writeOutcomeMessage(outcome);
    if (message)
        m_console.message(*message);
    return finish(reportSequence(
        outcome, UnitSession::CommandsPerTransfer, message && !message->details.isEmpty()));
}

int CliCommand::read()
{
    if (!checkOutputFile())
        return finish(CliExit::FileError);

    // The unit's values replace the defaults; what it does not give keeps them.
    IdCodeTable table;
    resetTableToDefaults(table);
    const ReadOutcome outcome
        = transfer<ReadOutcome>(UnitOperation::Read, [&] { return m_session->read(table); });
    m_report[u"parameters"_s] = QJsonObject { { u"holdTime"_s, parameterJson(outcome.holdTime) },
        { u"allowance"_s, parameterJson(outcome.allowance) } };
    const std::optional<Message> message = readOutcomeMessage(outcome);
    if (message)
        m_console.message(*message);
    if (!outcome.completed())
        return finish(reportSequence(
            outcome, UnitSession::CommandsPerTransfer, message && !message->details.isEmpty()));

    // A value outside its range is not stored: the file keeps the default.
    const auto reportKept = [&](UnitParameter parameter, const ParameterReading &reading,
                                qint16 kept) {
        if (reading.taken)
            return;
        m_console.error(outOfRangeText(parameter));
        m_console.error(
            u"警報ユニットの値は %1 でした。%2 には初期値 %3 を保存します。"_s.arg(reading.value)
                .arg(m_arguments.file)
                .arg(kept));
    };
    reportKept(UnitParameter::HoldTime, outcome.holdTime, table.holdTime);
    reportKept(UnitParameter::OperatorAllowance, outcome.allowance, table.operatorAllowance);

    if (!saveIdCodeTable(m_arguments.file, table)) {
        // The read itself completed: the report says so, and why the file is not new.
        reportSequence(outcome, UnitSession::CommandsPerTransfer, true);
        m_console.error(
            u"%1 に書き込めませんでした。ファイルは元のままです。"_s.arg(m_arguments.file));
        m_report[u"error"_s] = m_console.errorLines().last();
        return finish(CliExit::FileError);
    }
    return finish(reportSequence(outcome, UnitSession::CommandsPerTransfer, true));
}

int CliCommand::compare()
{
    TableInput input;
    if (!readTable(input))
        return finish(CliExit::FileError);

    const CompareOutcome outcome = transfer<CompareOutcome>(
        UnitOperation::Compare, [&] { return m_session->compare(input.table); });
    const std::optional<Message> message
        = compareOutcomeMessage(outcome, input.table, m_arguments.file);
    if (message)
        m_console.message(*message);
    // A compare reads the IDs only.
    const int exitCode = reportSequence(outcome, SlotCount, false);
    if (!outcome.completed())
        return finish(exitCode);

    IdCodeTable unit;
    unit.ids = outcome.unitIds;
    QJsonArray differences;
    for (const int slot : outcome.differingSlots) {
        differences.append(QJsonObject { { u"slot"_s, slot }, { u"place"_s, slotPlace(slot) },
            { u"file"_s, rowText(input.table, slot) }, { u"unit"_s, rowText(unit, slot) } });
    }
    m_report[u"differences"_s] = differences;
    return finish(differences.isEmpty() ? CliExit::Done : CliExit::Differences);
}

int CliCommand::listPorts()
{
    const QString settings = settingsFilePath(m_programDir);
    QJsonArray ports;
    const QList<SerialPortEntry> entries = systemSerialPorts().ports();
    for (const SerialPortEntry &entry : entries) {
        const int number = portNumberOf(entry, settings);
        QString description = entry.description;
        if (!entry.manufacturer.isEmpty())
            description += u" ("_s + entry.manufacturer + u')';
        // With --json, standard output holds the JSON object alone.
        if (!m_arguments.json)
            m_console.out(u"%1  %2  %3"_s.arg(number ? u"--port %1"_s.arg(number) : u"-"_s, -10)
                              .arg(entry.systemLocation, -20)
                              .arg(description)
                              .trimmed());
        ports.append(
            QJsonObject { { u"name"_s, entry.portName }, { u"device"_s, entry.systemLocation },
                { u"description"_s, entry.description }, { u"manufacturer"_s, entry.manufacturer },
                { u"port"_s, number ? QJsonValue(number) : QJsonValue() } });
    }
    if (entries.isEmpty())
        m_console.error(u"シリアルポートが見つかりません。"_s);
    m_report[u"ports"_s] = ports;
    m_report[u"status"_s] = u"completed"_s;
    return finish(CliExit::Done);
}

bool CliCommand::readTable(TableInput &input)
{
    const QString &path = m_arguments.file;
    m_report[u"file"_s] = path;
    input = readTableInput(path);
    switch (input.status) {
    case TableInputStatus::Read:
        return true;
    case TableInputStatus::Missing:
        m_console.error(u"%1 を読み込めません：ファイルがありません。"_s.arg(path));
        break;
    case TableInputStatus::Folder:
        m_console.error(u"%1 を読み込めません：フォルダーです。"_s.arg(path));
        break;
    case TableInputStatus::Unreadable:
        m_console.error(u"%1 を読み込めません。"_s.arg(path));
        break;
    case TableInputStatus::NotATable:
        m_console.error(
            u"%1 は IDコード表の形式と違います：%2。"_s.arg(path, tableFileFaultText(input.check)));
        break;
    }
    m_report[u"error"_s] = m_console.errorLines().last();
    return false;
}

// Checked before the unit is asked, so that a read is not spent on a file
// that cannot be written. The save itself can still fail (a full disk).
bool CliCommand::checkOutputFile()
{
    const QString &path = m_arguments.file;
    m_report[u"file"_s] = path;
    const QFileInfo info(path);
    if (info.isDir())
        m_console.error(u"%1 に書き込めません：フォルダーです。"_s.arg(path));
    else if (!info.absoluteDir().exists())
        m_console.error(u"%1 に書き込めません：フォルダーがありません。"_s.arg(path));
    else if (!canSaveIdCodeTable(path))
        m_console.error(u"%1 に書き込めません。"_s.arg(path));
    else
        return true;
    m_report[u"error"_s] = m_console.errorLines().last();
    return false;
}

void CliCommand::openLink(UnitOperation operation)
{
    m_operation = operation;
    const QString settings = settingsFilePath(m_programDir);
    LinkConfig config;
    config.programDir = m_programDir;
    if (!m_arguments.device.isEmpty()) {
        m_device = m_arguments.device;
        config.device = deviceToOpen(m_arguments.device);
    } else if (m_arguments.port != 0) {
        m_device = config.device = portDeviceName(m_arguments.port, settings);
    }
    m_link = std::make_unique<UnitLink>(config);
    m_session = std::make_unique<UnitSession>(*m_link);
    if (config.device.isEmpty()) {
        // The port stored beside the program, else the link's first port:
        // said before the first command, so that nobody wonders which it is.
        const int stored = storedPortNumber(settings);
        m_device = portDeviceName(stored != 0 ? stored : m_link->portNumber(), settings);
        if (stored == 0)
            m_console.error(
                u"Kalvidor.ini に通信ポートの設定がないため、%1 を使います。"_s.arg(m_device));
    }

    connect(m_session.get(), &UnitSession::commandFailed, this,
        [this](TransferStep step, ExchangeStatus status) {
            if (const std::optional<Message> m = commandFailureMessage(m_operation, step, status))
                m_console.message(*m);
        });
    connect(m_session.get(), &UnitSession::progress, this,
        [this](int done, int total) { m_console.progress(done, total); });
    if (operation == UnitOperation::Compare) {
        // A compare reports no progress of its own: count the IDs read.
        connect(m_link.get(), &UnitLink::replyReceived, this,
            [this, done = 0]() mutable { m_console.progress(++done, SlotCount); });
    }
    m_link->load();
    m_report[u"device"_s] = m_device;
}

template <typename Outcome, typename Run>
Outcome CliCommand::transfer(UnitOperation operation, Run run)
{
    if (interruptionSignal() != 0) {
        Outcome outcome;
        outcome.status = SequenceStatus::Cancelled;
        return outcome;
    }
    openLink(operation);
    // The session waits in an event loop, so this timer runs meanwhile.
    QTimer watch;
    watch.setInterval(InterruptionCheckMs);
    connect(&watch, &QTimer::timeout, this, [this] {
        if (interruptionSignal() != 0)
            m_session->cancel();
    });
    watch.start();
    const Outcome outcome = run();
    watch.stop();
    m_console.endProgress();
    m_link->unload();
    return outcome;
}

int CliCommand::reportSequence(const SequenceOutcome &outcome, int total, bool placeSaid)
{
    m_report[u"status"_s] = statusWord(outcome.status);
    m_report[u"answered"_s] = outcome.answered;
    m_report[u"total"_s] = total;
    const QString place = stepPlace(outcome.step, outcome.slot);
    if (stoppedPartWay(outcome.status)) {
        m_report[u"stop"_s] = QJsonObject { { u"step"_s, stepWord(outcome.step) },
            { u"slot"_s, outcome.slot }, { u"place"_s, place } };
    }

    const QString progress
        = u"全 %1 件中 %2 件に応答がありました"_s.arg(total).arg(outcome.answered);
    if (outcome.status == SequenceStatus::Cancelled) {
        m_console.error(
            u"%1 で中断しました（%2）。通信ポートは閉じました。"_s.arg(place, progress));
        if (m_operation == UnitOperation::Write && outcome.answered > 0)
            m_console.error(partlyWrittenText());
    } else if (stoppedPartWay(outcome.status) && !placeSaid) {
        m_console.error(u"%1 で止まりました（%2）。"_s.arg(place, progress));
    } else if (outcome.status == SequenceStatus::PortNotOpen) {
        m_console.error(u"%1 を開けません。"_s.arg(m_device));
    }
    return exitCodeFor(outcome.status);
}

int CliCommand::finish(int exitCode)
{
    if (!m_arguments.json)
        return exitCode;
    m_report[u"exitCode"_s] = exitCode;
    m_report[u"messages"_s] = QJsonArray::fromStringList(m_console.errorLines());
    m_console.outUtf8(QJsonDocument(m_report).toJson(QJsonDocument::Compact) + '\n');
    return exitCode;
}

} // namespace kalvidor
