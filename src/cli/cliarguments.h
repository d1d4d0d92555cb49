#pragma once

#include <QString>
#include <QStringList>

namespace kalvidor {

enum class CliCommandKind { Help, Write, Read, Compare, Ports };

// What the command line asks for.
struct CliArguments
{
    CliCommandKind command = CliCommandKind::Help;
    QString commandName; // as typed: "write", "read", ...
    QString file; // the table to send or compare, or the file a read writes
    int port = 0; // --port N; 0 when not given
    QString device; // --device PATH; empty when not given
    bool json = false;
    // write: --backup DIR saves what the unit holds into DIR before the
    // first command that changes it; --verify reads it back afterwards.
    QString backupDir;
    bool verify = false;
    // Why the arguments cannot be carried out; empty when they can.
    QString usageError;
};

// Reads the arguments after the program name. Options may stand anywhere;
// "--port N" and "--port=N" are the same; "--" ends the options.
CliArguments parseCliArguments(const QStringList &arguments);

// The text of --help, exit codes included.
QString cliUsageText();

} // namespace kalvidor
