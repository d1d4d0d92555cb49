#pragma once

#include "cli/cliarguments.h"
#include "cli/console.h"
#include "messages/unitmessages.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace kalvidor {

class UnitLink;
class UnitSession;
struct TableInput;

// The exit codes a script acts on; see cliUsageText().
enum class CliExit {
    Done = 0, // done; compare: identical
    Differences = 1, // compare: the ID lists differ
    UnitFailed = 2, // no answer in time, or a refusal
    PortNotOpen = 3,
    FileError = 4, // a file cannot be read or written, or holds no usable value
    VerifyDiffers = 5, // write --verify: the unit holds other than the table written
    Usage = 64,
    // Interrupted: 128 plus the signal (130 for Ctrl+C).
    InterruptedBase = 128,
};

// One run of kalvidor-cli: reads the arguments, carries out the command
// through the same session, loader and wording as the main window, reports on
// standard error (and with --json on standard output) and gives the exit code.
class CliCommand : public QObject
{
public:
    // programDir: the folder whose Kalvidor.ini names the port when neither
    // --port nor --device does.
    CliCommand(const QStringList &arguments, QString programDir);
    ~CliCommand() override;

    int run();

private:
    int write();
    int read();
    int compare();
    int listPorts();

    // write --backup: reads the unit and saves what it holds; the exit code
    // when that failed (and nothing may be written), else nothing.
    std::optional<int> backUp();
    // write --verify: reads the unit back and holds it against the table.
    int verify(const IdCodeTable &table);

    // The table for write and compare; reports why there is none.
    bool readTable(TableInput &input);
    bool checkOutputFile();
    bool checkBackupFolder();
    // Lines for parameters a read got outside their ranges, whose defaults
    // the file saved instead.
    void reportKeptDefaults(
        const ReadOutcome &outcome, const IdCodeTable &saved, const QString &file);
    void openLink();
    // One transfer of the run, on the link the first one opens. phase names
    // it on the progress bar when the run has several.
    template <typename Outcome, typename Run>
    Outcome transfer(UnitOperation operation, const QString &phase, Run run);
    void showProgress(int done);
    // Reports how a sequence ended (its JSON fields into report, and where
    // it stopped unless the message said so: placeSaid) and returns its
    // exit code.
    int reportSequence(
        QJsonObject &report, const SequenceOutcome &outcome, int total, bool placeSaid);
    int reportSequence(const SequenceOutcome &outcome, int total, bool placeSaid)
    {
        return reportSequence(m_report, outcome, total, placeSaid);
    }
    int finish(int exitCode);
    int finish(CliExit exit) { return finish(int(exit)); }

    CliArguments m_arguments;
    QString m_programDir;
    Console m_console;
    QJsonObject m_report;
    UnitOperation m_operation = UnitOperation::Write;
    QString m_device; // the device of the transfer, as the user named it
    // The progress of the whole run: its commands (0: those of its one
    // transfer), those of the transfers before the running one, and the
    // running one's name (empty when the run has one transfer).
    int m_runCommands = 0;
    int m_commandsBefore = 0;
    QString m_phase;
    int m_compareReplies = 0; // a compare reports no progress of its own
    std::unique_ptr<UnitLink> m_link;
    std::unique_ptr<UnitSession> m_session;
};

} // namespace kalvidor
