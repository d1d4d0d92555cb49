#include "cliarguments.h"

#include "link/serialports.h"

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

struct CommandName
{
    QStringView name;
    CliCommandKind kind;
    bool takesFile;
};

constexpr CommandName Commands[] = {
    { u"write", CliCommandKind::Write, true },
    { u"read", CliCommandKind::Read, true },
    { u"compare", CliCommandKind::Compare, true },
    { u"ports", CliCommandKind::Ports, false },
};

// A port number as the settings file can name it: 1 to MaxPortNumber, in
// plain decimal digits.
int portNumber(const QString &text)
{
    if (text.isEmpty() || text.size() > 3)
        return 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    const int n = text.toInt();
    return n <= MaxPortNumber ? n : 0;
}

} // namespace

CliArguments parseCliArguments(const QStringList &arguments)
{
    CliArguments result;
    QStringList positional;
    bool help = false;
    bool portGiven = false;
    bool deviceGiven = false;
    const auto fail = [&result](const QString &error) {
        if (result.usageError.isEmpty())
            result.usageError = error;
    };

    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
            positional << argument;
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
            continue;
        }
        QString name = argument;
        QString value;
        bool hasValue = false;
        if (const qsizetype eq = argument.indexOf(u'='); eq > 0 && argument.startsWith(u"--")) {
            name = argument.left(eq);
            value = argument.mid(eq + 1);
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            // No port number or device starts with "-": that is the next option.
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(u'-')) {
                fail(u"%1 needs a value"_s.arg(name));
                return false;
            }
            value = arguments[++i];
            return true;
        };

        if ((name == u"--help" || name == u"-h") && !hasValue) {
            help = true;
        } else if (name == u"--json" && !hasValue) {
            result.json = true;
        } else if (name == u"--port") {
            if (!takeValue())
                continue;
            if (portGiven)
                fail(u"--port given twice"_s);
            portGiven = true;
            result.port = portNumber(value);
            if (result.port == 0)
                fail(u"--port takes a number from 1 to %1, not \"%2\""_s.arg(MaxPortNumber)
                         .arg(value));
        } else if (name == u"--device") {
            if (!takeValue())
                continue;
            if (deviceGiven)
                fail(u"--device given twice"_s);
            deviceGiven = true;
            result.device = value;
            if (value.isEmpty())
                fail(u"--device needs a device"_s);
        } else {
            fail(u"unknown option %1"_s.arg(argument));
        }
    }
    if (portGiven && deviceGiven)
        fail(u"--port and --device cannot be given together"_s);

    if (help) {
        // --help wins over everything else, as most programs do.
        result.command = CliCommandKind::Help;
        result.usageError.clear();
        return result;
    }
    if (positional.isEmpty()) {
        fail(u"no command given"_s);
        return result;
    }
    result.commandName = positional.takeFirst();
    const CommandName *command = nullptr;
    for (const CommandName &c : Commands) {
        if (result.commandName == c.name)
            command = &c;
    }
    if (!command) {
        fail(u"unknown command \"%1\""_s.arg(result.commandName));
        return result;
    }
    result.command = command->kind;
    if (command->takesFile) {
        if (positional.isEmpty())
            fail(u"%1 needs a file"_s.arg(result.commandName));
        else
            result.file = positional.takeFirst();
    }
    if (!positional.isEmpty())
        fail(u"unexpected argument \"%1\""_s.arg(positional.first()));
    return result;
}

QString cliUsageText()
{
    return uR"(Usage: kalvidor-cli COMMAND [FILE] [--port N | --device PATH] [--json]

Writes an ID code table to the NELOR alarm unit, reads the unit's table into a
file, or compares the unit with a file, over a serial line.

Commands:
  write TABLE.csv     write the table's 213 IDs, the hold time and the
                      operator allowance to the unit
  read OUT.csv        read the unit's IDs and parameters into OUT.csv
  compare TABLE.csv   compare the unit's four ID lists with the table
  ports               list the serial ports of this computer

Options:
  --port N            use port N: COMN on Windows; elsewhere the device that
                      COMN names in section [PORTS] of Kalvidor.ini, else
                      /dev/ttyS{N-1}
  --device PATH       use this serial device
                      (neither: the port stored in Kalvidor.ini beside the
                      program, as the window uses it)
  --json              print the outcome as one JSON object on standard output
  -h, --help          print this help

The outcome goes to standard error, in the words of the main window's messages.

Exit codes:
  0    done; compare: the ID lists are identical
  1    compare: the ID lists differ
  2    the unit did not answer or refused a command
  3    the port cannot be opened
  4    a file cannot be read or written, or holds no usable value
  64   usage error
  130  interrupted by Ctrl+C (143: terminated)
)"_s;
}

} // namespace kalvidor
