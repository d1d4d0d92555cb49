#include "clicommand.h"

#include "cli/backupfile.h"
#include "cli/interruption.h"
#include "cli/tableinput.h"
#include "files/idtablefile.h"
#include "link/unitlink.h"
#include "messages/filemessages.h"
#include "ports/portsettings.h"
#include "session/unitsession.h"

#include <QDateTime>
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

QString stepWord(SequenceStep step)
{
    switch (step) {
    case SequenceStep::Ids:
        return u"ids"_s;
    case SequenceStep::HoldTime:
        return u"hold-time"_s;
    case SequenceStep::Allowance:
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

QJsonObject parametersJson(const ReadOutcome &outcome)
{
    return { { u"holdTime"_s, parameterJson(outcome.holdTime) },
        { u"allowance"_s, parameterJson(outcome.allowance) } };
}

// The rows a compare found differing, as the rows show them.
QJsonArray differencesJson(const CompareOutcome &outcome, const IdCodeTable &table)
{
    IdCodeTable unit;
    unit.ids = outcome.unitIds;
    QJsonArray differences;
    for (const int slot : outcome.differingSlots) {
        differences.append(QJsonObject { { u"slot"_s, slot }, { u"place"_s, slotPlace(slot) },
            { u"file"_s, rowText(table, slot) }, { u"unit"_s, rowText(unit, slot) } });
    }
    return differences;
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
    const bool backingUp = !m_arguments.backupDir.isEmpty();
    if (backingUp && !checkBackupFolder())
        return finish(CliExit::FileError);

    m_runCommands = UnitSession::CommandsPerTable * (1 + int(backingUp) + int(m_arguments.verify));
    if (backingUp) {
        if (const std::optional<int> failed = backUp())
            return finish(*failed);
    }

    const SequenceOutcome outcome = transfer<SequenceOutcome>(
        UnitOperation::Write, u"書き込み"_s, [&] { return m_session->write(input.table); });
    const std::optional<Message> message
        = outcomeMessage(UnitOperation::Write, OutcomeMoment::SequenceEnded, outcome);
    if (message)
        m_console.message(*message);
    const int exitCode = reportSequence(
        outcome, UnitSession::CommandsPerTable, message && !message->details.isEmpty());
    if (!m_arguments.verify)
        return finish(exitCode);
    if (!outcome.completed()) {
        m_report[u"verification"_s] = QJsonObject { { u"status"_s, u"not-started"_s } };
        return finish(exitCode);
    }
    return finish(verify(input.table));
}

std::optional<int> CliCommand::backUp()
{
    QJsonObject report;
    // As for read: the unit's values replace the defaults.
    IdCodeTable table;
    resetTableToDefaults(table);
    const ReadOutcome outcome = transfer<ReadOutcome>(
        UnitOperation::Read, u"バックアップ"_s, [&] { return m_session->read(table); });
    report[u"parameters"_s] = parametersJson(outcome);
    int exitCode = int(CliExit::FileError);
    if (!outcome.completed()) {
        const std::optional<Message> message
            = outcomeMessage(UnitOperation::Read, OutcomeMoment::SequenceEnded, outcome);
        if (message)
            m_console.message(*message);
        exitCode = reportSequence(
            report, outcome, UnitSession::CommandsPerTable, message && !message->details.isEmpty());
        m_console.error(
            u"書き込む前の警報ユニットの設定を保存できなかったため、何も書き込んでいません。"_s);
    } else {
        reportSequence(report, outcome, UnitSession::CommandsPerTable, true);
        const QString path
            = saveBackup(m_arguments.backupDir, m_device, QDateTime::currentDateTime(), table);
        if (!path.isEmpty()) {
            report[u"file"_s] = path;
            m_console.error(u"書き込む前の警報ユニットの設定を %1 に保存しました。"_s.arg(path));
            reportKeptDefaults(outcome, table, path);
            m_report[u"backup"_s] = report;
            return std::nullopt;
        }
        m_console.error(u"%1 にバックアップを保存できなかったため、何も書き込んでいません。"_s.arg(
            m_arguments.backupDir));
        report[u"error"_s] = m_console.errorLines().last();
    }
    m_report[u"backup"_s] = report;
    return exitCode;
}

int CliCommand::verify(const IdCodeTable &table)
{
    QJsonObject report;
    const VerifyOutcome outcome = transfer<VerifyOutcome>(
        UnitOperation::Read, u"確認"_s, [&] { return m_session->verify(table); });
    const std::optional<Message> message = verifyOutcomeMessage(outcome, table, m_arguments.file);
    if (message)
        m_console.message(*message);
    const int exitCode = reportSequence(
        report, outcome, UnitSession::CommandsPerTable, message && !message->details.isEmpty());
    if (!outcome.completed()) {
        m_console.error(u"書き込んだ後の確認を終えられませんでした。"_s);
        m_report[u"verification"_s] = report;
        return exitCode;
    }

    QJsonArray differences = differencesJson(outcome, table);
    const auto addParameter = [&](SequenceStep step, qint16 written, qint16 held) {
        differences.append(
            QJsonObject { { u"parameter"_s, stepWord(step) }, { u"place"_s, stepPlace(step, 0) },
                { u"file"_s, QString::number(written) }, { u"unit"_s, QString::number(held) } });
    };
    if (outcome.holdTimeDiffers)
        addParameter(SequenceStep::HoldTime, table.holdTime, outcome.holdTime.value);
    if (outcome.allowanceDiffers)
        addParameter(SequenceStep::Allowance, table.operatorAllowance, outcome.allowance.value);
    report[u"differences"_s] = differences;
    m_report[u"verification"_s] = report;
    return outcome.matches() ? exitCode : int(CliExit::VerifyDiffers);
}

int CliCommand::read()
{
    if (!checkOutputFile())
        return finish(CliExit::FileError);

    // The unit's values replace the defaults; what it does not give keeps them.
    IdCodeTable table;
    resetTableToDefaults(table);
    const ReadOutcome outcome
        = transfer<ReadOutcome>(UnitOperation::Read, {}, [&] { return m_session->read(table); });
    m_report[u"parameters"_s] = parametersJson(outcome);
    const std::optional<Message> message
        = outcomeMessage(UnitOperation::Read, OutcomeMoment::SequenceEnded, outcome);
    if (message)
        m_console.message(*message);
    if (!outcome.completed())
        return finish(reportSequence(
            outcome, UnitSession::CommandsPerTable, message && !message->details.isEmpty()));

    reportKeptDefaults(outcome, table, m_arguments.file);
    if (!saveIdCodeTable(m_arguments.file, table)) {
        // The read itself completed: the report says so, and why the file is not new.
        reportSequence(outcome, UnitSession::CommandsPerTable, true);
        m_console.error(
            u"%1 に書き込めませんでした。ファイルは元のままです。"_s.arg(m_arguments.file));
        m_report[u"error"_s] = m_console.errorLines().last();
        return finish(CliExit::FileError);
    }
    return finish(reportSequence(outcome, UnitSession::CommandsPerTable, true));
}

int CliCommand::compare()
{
    TableInput input;
    if (!readTable(input))
        return finish(CliExit::FileError);

    const CompareOutcome outcome = transfer<CompareOutcome>(
        UnitOperation::Compare, {}, [&] { return m_session->compare(input.table); });
    const std::optional<Message> message
        = compareOutcomeMessage(outcome, input.table, m_arguments.file);
    if (message)
        m_console.message(*message);
    // A compare reads the IDs only.
    const int exitCode = reportSequence(outcome, SlotCount, false);
    if (!outcome.completed())
        return finish(exitCode);

    const QJsonArray differences = differencesJson(outcome, input.table);
    m_report[u"differences"_s] = differences;
    return finish(differences.isEmpty() ? CliExit::Done : CliExit::Differences);
}

int CliCommand::listPorts()
{
    const PortMap portMap(settingsFilePath(m_programDir), hostPortNaming());
    QJsonArray ports;
    const QList<SerialPortEntry> entries = systemSerialPorts().ports();
    for (const SerialPortEntry &entry : entries) {
        const int number = portMap.numberOf(entry);
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

bool CliCommand::checkBackupFolder()
{
    const QString &folder = m_arguments.backupDir;
    switch (kalvidor::checkBackupFolder(folder)) {
    case BackupFolderFault::None:
        return true;
    case BackupFolderFault::Missing:
        m_console.error(
            u"%1 にバックアップを保存できません：フォルダーがありません。"_s.arg(folder));
        break;
    case BackupFolderFault::NotAFolder:
        m_console.error(
            u"%1 にバックアップを保存できません：フォルダーではありません。"_s.arg(folder));
        break;
    case BackupFolderFault::NotWritable:
        m_console.error(u"%1 にバックアップを保存できません。"_s.arg(folder));
        break;
    }
    m_report[u"error"_s] = m_console.errorLines().last();
    return false;
}

// A value outside its range is not stored: the file holds the default.
void CliCommand::reportKeptDefaults(
    const ReadOutcome &outcome, const IdCodeTable &saved, const QString &file)
{
    const auto reportKept = [&](UnitParameter parameter, const ParameterReading &reading,
                                qint16 kept) {
        if (reading.taken)
            return;
        m_console.error(outOfRangeText(parameter));
        m_console.error(
            u"警報ユニットの値は %1 でした。%2 には初期値 %3 を保存します。"_s.arg(reading.value)
                .arg(file)
                .arg(kept));
    };
    reportKept(UnitParameter::HoldTime, outcome.holdTime, saved.holdTime);
    reportKept(UnitParameter::OperatorAllowance, outcome.allowance, saved.operatorAllowance);
}

void CliCommand::openLink()
{
    const QString settings = settingsFilePath(m_programDir);
    QString device;
    if (!m_arguments.device.isEmpty()) {
        m_device = m_arguments.device;
        device = deviceToOpen(m_arguments.device);
    } else if (m_arguments.port != 0) {
        m_device = device = portDeviceName(m_arguments.port, settings);
    } else {
        // The port stored beside the program, else port 1: said before the
        // first command, so that nobody wonders which it is.
        const StoredPort stored = resolveStoredPort(settings);
        m_device = device = stored.device;
        if (!stored.stored)
            m_console.error(
                u"Kalvidor.ini に通信ポートの設定がないため、%1 を使います。"_s.arg(m_device));
    }
    // One device for the whole run, whatever the settings file says meanwhile.
    m_link = std::make_unique<UnitLink>(LinkConfig { .device = [device] { return device; } });
    m_session = std::make_unique<UnitSession>(*m_link);

    connect(
        m_session.get(), &UnitSession::commandFailed, this, [this](const SequenceOutcome &failure) {
            if (const std::optional<Message> m
                = outcomeMessage(m_operation, OutcomeMoment::CommandFailed, failure))
                m_console.message(*m);
        });
    connect(
        m_session.get(), &UnitSession::progress, this, [this](int done) { showProgress(done); });
    connect(m_link.get(), &UnitLink::replyReceived, this, [this] {
        // A compare reports no progress of its own: count the IDs read.
        if (m_operation == UnitOperation::Compare)
            showProgress(++m_compareReplies);
    });
    m_link->load();
    m_report[u"device"_s] = m_device;
}

template <typename Outcome, typename Run>
Outcome CliCommand::transfer(UnitOperation operation, const QString &phase, Run run)
{
    m_operation = operation;
    const int commands
        = operation == UnitOperation::Compare ? SlotCount : UnitSession::CommandsPerTable;
    if (m_runCommands == 0)
        m_runCommands = commands;
    m_phase = m_runCommands > commands ? phase : QString();
    Outcome outcome;
    if (interruptionSignal() != 0) {
        outcome.status = SequenceStatus::Cancelled;
        return outcome;
    }
    // One port for the whole run: no other program takes the unit between
    // the backup, the write and the check.
    if (!m_link)
        openLink();
    // The session waits in an event loop, so this timer runs meanwhile.
    QTimer watch;
    watch.setInterval(InterruptionCheckMs);
    connect(&watch, &QTimer::timeout, this, [this] {
        if (interruptionSignal() != 0)
            m_session->cancel();
    });
    watch.start();
    outcome = run();
    watch.stop();
    m_console.endProgress();
    m_commandsBefore += commands;
    // The report of an interruption says that the port is closed.
    if (outcome.status == SequenceStatus::Cancelled)
        m_link->unload();
    return outcome;
}

void CliCommand::showProgress(int done)
{
    m_console.progress(m_commandsBefore + done, m_runCommands, m_phase);
}

int CliCommand::reportSequence(
    QJsonObject &report, const SequenceOutcome &outcome, int total, bool placeSaid)
{
    report[u"status"_s] = statusWord(outcome.status);
    report[u"answered"_s] = outcome.answered;
    report[u"total"_s] = total;
    const QString place = stepPlace(outcome.step, outcome.slot);
    if (stoppedPartWay(outcome.status)) {
        report[u"stop"_s] = QJsonObject { { u"step"_s, stepWord(outcome.step) },
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
    if (m_link)
        m_link->unload();
    if (!m_arguments.json)
        return exitCode;
    m_report[u"exitCode"_s] = exitCode;
    m_report[u"messages"_s] = QJsonArray::fromStringList(m_console.errorLines());
    m_console.outUtf8(QJsonDocument(m_report).toJson(QJsonDocument::Compact) + '\n');
    return exitCode;
}

} // namespace kalvidor
