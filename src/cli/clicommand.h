#pragma once

#include "cli/cliarguments.h"
#include "cli/console.h"
#include "messages/unitmessages.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

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

    // The table for write and compare; reports why there is none.
    bool readTable(TableInput &input);
    bool checkOutputFile();
    void openLink(UnitOperation operation);
    template <typename Outcome, typename Run> Outcome transfer(UnitOperation operation, Run run);
    // Reports how a sequence ended (the JSON fields, and where it stopped
    // unless the message said so: placeSaid) and returns its exit code.
    int reportSequence(const SequenceOutcome &outcome, int total, bool placeSaid);
    int finish(int exitCode);
    int finish(CliExit exit) { return finish(int(exit)); }

    CliArguments m_arguments;
    QString m_programDir;
    Console m_console;
    QJsonObject m_report;
    UnitOperation m_operation = UnitOperation::Write;
    QString m_device; // the device of the transfer, as the user named it
    std::unique_ptr<UnitLink> m_link;
    std::unique_ptr<UnitSession> m_session;
};

} // namespace kalvidor
