// kalvidor-cli through its executable against the unit simulator on a
// pseudo-terminal: what it sends, what it writes, what it says and the exit
// code a script acts on. The main window's write of the same file is the
// yardstick for what a write sends.
#include "../app/windowfixture.h"
#include "clirunner.h"
#include "common/filedialogs.h"
#include "unitsimulator.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

const QString WriteDone = u"警報ユニットへ設定が完了しました。"_s;
const QString ReadDone = u"警報ユニット設定の読込みを完了しました。"_s;
const QString NotConnected = u"警報ユニットが接続されていません。"_s;
const QString Match = u"警報ユニットの設定内容と一致しています。"_s;
const QString Mismatch = u"警報ユニットの設定内容と相違しています。"_s;
const QString MismatchHead = u"相違している ID（画面 / 警報ユニット）"_s;
const QString PortNotOpen = u"通信ポート番号が正しくありません。設定を行ってください。"_s;
const QString PartlyWritten = u"警報ユニットの設定は一部だけ書き換わっている可能性があります。"_s;
const QString NoId = u"\u2015"_s;

// The 215 values of a table: every slot the base, and two parameters.
QStringList uniformTable(
    const QString &id, const QString &hold = u"2"_s, const QString &allowance = u"1"_s)
{
    QStringList values(213, id);
    values << hold << allowance;
    return values;
}

// Answers the open dialog of CSV読込み with one path.
struct OpenPath final : FileDialogs
{
    explicit OpenPath(QString path)
        : path(std::move(path))
    {
    }
    QString saveFileName(const QString &, const QString &) override { return {}; }
    QString openFileName(const QString &, const QString &) override { return path; }
    QString path;
};

// A working folder, a program folder with its own kalvidor-cli, and a unit
// that the stored port (COM1) leads to.
struct Bench
{
    QTemporaryDir work;
    CliProgram cli;
    std::unique_ptr<UnitSimulator> unit;

    QString file(const QString &name) const { return work.filePath(name); }
    CliResult run(const QStringList &arguments) const { return cli.run(arguments, work.path()); }
};

#define START_BENCH(bench, options)                                                                \
    QVERIFY((bench).cli.isReady());                                                                \
    (bench).unit = std::make_unique<UnitSimulator>(options);                                       \
    START_UNIT_SIMULATOR(*(bench).unit, (bench).cli.programDir(), 1)

QStringList stopOf(const QJsonObject &report)
{
    const QJsonObject stop = report.value(u"stop"_s).toObject();
    if (stop.isEmpty())
        return {};
    return { stop.value(u"step"_s).toString(), QString::number(stop.value(u"slot"_s).toInt()),
        stop.value(u"place"_s).toString() };
}

} // namespace

class TestCliUnit : public QObject
{
    Q_OBJECT

private slots:
    // The window loads the file with CSV読込み into a window started without a
    // table file, then writes; kalvidor-cli writes the same file to another
    // unit. Both units must have received the same 215 lines.
    void writeSendsWhatTheWindowSends_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("someLines"); // "index=line" of the log
        QTest::addColumn<bool>("readsBackAlike"); // read gives the file back byte for byte

        QStringList ordinary = uniformTable(u"2801000"_s, u"15"_s, u"3"_s);
        for (int slot = 1; slot < 213; ++slot) {
            if (slot % 3 != 0)
                ordinary[slot] = QString::number(0x2801000 + slot, 16).toUpper();
        }
        QTest::newRow("ordinary table")
            << ordinary
            << QStringList { u"0=SID 000,041947136"_s, u"1=SID 001,000004097"_s,
                   u"3=SID 003,000004096"_s, u"212=SID 212,000004308"_s, u"213=STM 15"_s,
                   u"214=SNM 03"_s }
            << true;

        // Operator 1 is in view at the top of its list, operator 19 is not.
        QStringList tooLong = uniformTable(u"2801000"_s, u"99"_s, u"4"_s);
        tooLong[1] = u"123456789"_s;
        tooLong[19] = u"ABCDEFGH"_s;
        QTest::newRow("IDs too long for seven digits")
            << tooLong
            << QStringList { u"1=SID 001,000065535"_s, u"19=SID 019,-000000001"_s, u"213=STM 99"_s,
                   u"214=SNM 04"_s }
            << false;

        QStringList longBase = uniformTable(u"FFFFFFFF"_s, u"0"_s, u"7"_s);
        longBase[4] = u"1234"_s;
        QTest::newRow("base too long, parameters out of range")
            << longBase
            << QStringList { u"0=SID 000,268435455"_s, u"4=SID 004,000004660"_s,
                   u"50=SID 050,000065535"_s, u"213=STM 02"_s, u"214=SNM 01"_s }
            << false;

        QTest::newRow("three lines: the rest keeps the defaults")
            << QStringList { u"2812345"_s, u"2812346"_s, u"xyz"_s }
            << QStringList { u"0=SID 000,042017605"_s, u"1=SID 001,000009030"_s,
                   u"2=SID 002,000000000"_s, u"3=SID 003,000000000"_s, u"213=STM 02"_s,
                   u"214=SNM 01"_s }
            << false;
    }
    void writeSendsWhatTheWindowSends()
    {
        QFETCH(QStringList, values);
        QFETCH(QStringList, someLines);
        QFETCH(bool, readsBackAlike);
        Bench bench;
        START_BENCH(bench, QStringList());
        const QByteArray fileBytes = tableFileBytes(values);
        QVERIFY(writeBytes(bench.file(u"table.csv"_s), fileBytes));

        WindowFixture window;
        OpenPath dialog(bench.file(u"table.csv"_s));
        window.services.fileDialogs = &dialog;
        UnitSimulator windowUnit;
        START_UNIT_SIMULATOR(windowUnit, window.dir.path(), 1);
        window.create();
        window.trigger(u"mnu_読込み"_s);
        window.trigger(u"mnu_設定"_s);
        QCOMPARE(window.messenger.texts(), QStringList { WriteDone });
        const QStringList windowLog = windowUnit.commandLog();
        QCOMPARE(windowLog.size(), 215);

        const CliResult written = bench.run({ u"write"_s, u"table.csv"_s, u"--json"_s });
        QCOMPARE(written.exitCode, 0);
        QCOMPARE(written.errorLines, QStringList { WriteDone });
        QCOMPARE(bench.unit->commandLog(), windowLog);
        for (const QString &entry : someLines) {
            const qsizetype eq = entry.indexOf(u'=');
            QCOMPARE(windowLog[entry.left(eq).toInt()], entry.mid(eq + 1));
        }
        const QJsonObject report = written.json();
        QCOMPARE(report.value(u"command"_s).toString(), u"write"_s);
        QCOMPARE(report.value(u"status"_s).toString(), u"completed"_s);
        QCOMPARE(report.value(u"exitCode"_s).toInt(), 0);
        QCOMPARE(report.value(u"answered"_s).toInt(), 215);
        QCOMPARE(report.value(u"total"_s).toInt(), 215);
        QCOMPARE(report.value(u"device"_s).toString(), bench.unit->devicePath());
        QVERIFY(!report.contains(u"stop"_s));

        if (!readsBackAlike)
            return;
        const CliResult read = bench.run({ u"read"_s, u"back.csv"_s });
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.errorLines, QStringList { ReadDone });
        QCOMPARE(readBytes(bench.file(u"back.csv"_s)), fileBytes);
        const CliResult compared = bench.run({ u"compare"_s, u"back.csv"_s });
        QCOMPARE(compared.exitCode, 0);
        QCOMPARE(compared.errorLines, QStringList { Match });
        QCOMPARE(bench.unit->commandLog().size(), 215 + 215 + 213);
    }

    // The file holds the defaults but where `fileSlot` says; the unit holds
    // what the simulator's options preset.
    void compareNamesTheRowsThatDiffer_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("fileSlot"); // "slot=ID", or empty
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("differences"); // "slot|place|file|unit"

        QTest::newRow("vehicle 50 on the unit")
            << QStringList { u"--set"_s, u"212=FFFF"_s } << QString() << 1
            << QStringList { Mismatch, MismatchHead, u"車　両 50：― / 280FFFF"_s }
            << QStringList { u"212|車　両 50|―|280FFFF"_s };
        QTest::newRow("heavy machine 38 in the file")
            << QStringList() << u"150=2801234"_s << 1
            << QStringList { Mismatch, MismatchHead, u"重　機 38：2801234 / ―"_s }
            << QStringList { u"150|重　機 38|2801234|―"_s };
        QTest::newRow("the base alone is not compared")
            << QStringList { u"--set"_s, u"0=280ABCD"_s } << QString() << 0 << QStringList { Match }
            << QStringList();
    }
    void compareNamesTheRowsThatDiffer()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, fileSlot);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, differences);
        Bench bench;
        START_BENCH(bench, options);
        QStringList values = uniformTable(u"2800000"_s);
        if (!fileSlot.isEmpty())
            values[fileSlot.section(u'=', 0, 0).toInt()] = fileSlot.section(u'=', 1);
        QVERIFY(writeBytes(bench.file(u"table.csv"_s), tableFileBytes(values)));

        const CliResult r = bench.run({ u"compare"_s, u"table.csv"_s, u"--json"_s });
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.errorLines, lines);
        const QJsonObject report = r.json();
        QCOMPARE(report.value(u"status"_s).toString(), u"completed"_s);
        QCOMPARE(report.value(u"exitCode"_s).toInt(), exitCode);
        QCOMPARE(report.value(u"answered"_s).toInt(), 213);
        QCOMPARE(report.value(u"total"_s).toInt(), 213);
        QStringList reported;
        for (const QJsonValue &d : report.value(u"differences"_s).toArray()) {
            reported << u"%1|%2|%3|%4"_s.arg(d[u"slot"_s].toInt())
                            .arg(d[u"place"_s].toString(), d[u"file"_s].toString(),
                                d[u"unit"_s].toString());
        }
        QCOMPARE(reported, differences);
        QCOMPARE(report.value(u"messages"_s).toVariant().toStringList(), lines);
        QCOMPARE(bench.unit->commandLog().size(), 213);
    }

    void unitFailuresSayWhere_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("stop"); // step, slot, place
        QTest::addColumn<QString>("lastCommand");
        QTest::addColumn<int>("minMs"); // the time limit that must have passed

        QTest::newRow("write refused at heavy machine 38")
            << QStringList { u"--refuse-sid"_s, u"150"_s } << u"write"_s
            << QStringList { NotConnected, u"失敗した箇所：重　機 38"_s,
                   u"書き込み済み：150 件（全 215 件中）"_s, PartlyWritten }
            << u"refused"_s << QStringList { u"ids"_s, u"150"_s, u"重　機 38"_s }
            << u"SID 150,000000000"_s << 0;
        QTest::newRow("read from a silent unit")
            << QStringList { u"--silent"_s } << u"read"_s
            << QStringList { NotConnected, u"失敗した箇所：基準IDCODE"_s,
                   u"読み込み済み：0 件（全 215 件中）"_s }
            << u"no-reply"_s << QStringList { u"ids"_s, u"0"_s, u"基準IDCODE"_s } << u"RID 00"_s
            << 2000;
        QTest::newRow("read, hold time unanswered")
            << QStringList { u"--silent-rtm"_s } << u"read"_s
            << QStringList { NotConnected,
                   u"stopped at 警報時間設定: 213 of 215 commands answered"_s }
            << u"no-reply"_s << QStringList { u"hold-time"_s, u"0"_s, u"警報時間設定"_s }
            << u"RTM"_s << 2000;
        QTest::newRow("compare refused at operator 50")
            << QStringList { u"--refuse-rid"_s, u"50"_s } << u"compare"_s
            << QStringList { NotConnected,
                   u"stopped at 重機オペ 50: 50 of 213 commands answered"_s }
            << u"refused"_s << QStringList { u"ids"_s, u"50"_s, u"重機オペ 50"_s } << u"RID 50"_s
            << 0;
    }
    void unitFailuresSayWhere()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, command);
        QFETCH(QStringList, lines);
        QFETCH(QString, status);
        QFETCH(QStringList, stop);
        QFETCH(QString, lastCommand);
        QFETCH(int, minMs);
        Bench bench;
        START_BENCH(bench, options);
        QVERIFY(writeBytes(bench.file(u"table.csv"_s), tableFileBytes(uniformTable(u"2800000"_s))));
        const QString file = command == u"read" ? u"out.csv"_s : u"table.csv"_s;

        QElapsedTimer clock;
        clock.start();
        const CliResult r = bench.run({ command, file, u"--json"_s });
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(elapsed >= minMs && elapsed < minMs + 5000, qPrintable(QString::number(elapsed)));
        QCOMPARE(r.errorLines, lines);
        const QJsonObject report = r.json();
        QCOMPARE(report.value(u"status"_s).toString(), status);
        QCOMPARE(report.value(u"exitCode"_s).toInt(), 2);
        QCOMPARE(stopOf(report), stop);
        QCOMPARE(bench.unit->commandLog().last(), lastCommand);
        // A read that did not complete writes no file.
        QVERIFY(!QFileInfo::exists(bench.file(u"out.csv"_s)));
    }

    // The unit's value is reported and the file keeps the default.
    void readKeepsTheDefaultOfAParameterOutOfRange_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("lastLines");
        QTest::addColumn<QString>("reading"); // "parameter answered value taken"

        QTest::newRow("hold time 150")
            << QStringList { u"--hold"_s, u"150"_s, u"--allowance"_s, u"4"_s }
            << QStringList { ReadDone, u"警報時間設定が範囲外です。"_s,
                   u"the unit gave 150; out.csv holds the default 2"_s }
            << QByteArray("214,2\r\n215,4\r\n") << u"holdTime true 150 false"_s;
        QTest::newRow("allowance refused")
            << QStringList { u"--hold"_s, u"30"_s, u"--refuse-rnm"_s }
            << QStringList { ReadDone, u"重機オペ許可人数が範囲外です。"_s,
                   u"the unit gave 0; out.csv holds the default 1"_s }
            << QByteArray("214,30\r\n215,1\r\n") << u"allowance true 0 false"_s;
    }
    void readKeepsTheDefaultOfAParameterOutOfRange()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, lastLines);
        QFETCH(QString, reading);
        Bench bench;
        START_BENCH(bench, options);
        const CliResult r = bench.run({ u"read"_s, u"out.csv"_s, u"--json"_s });
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.errorLines, lines);
        const QByteArray saved = readBytes(bench.file(u"out.csv"_s));
        QVERIFY(saved.startsWith("1,2800000\r\n2,2800000\r\n"));
        QVERIFY(saved.endsWith("213,2800000\r\n" + lastLines));
        const QStringList expected = reading.split(u' ');
        const QJsonObject parameter
            = r.json().value(u"parameters"_s).toObject().value(expected[0]).toObject();
        QCOMPARE(parameter.value(u"answered"_s).toBool(), expected[1] == u"true");
        QCOMPARE(parameter.value(u"value"_s).toInt(), expected[2].toInt());
        QCOMPARE(parameter.value(u"taken"_s).toBool(), expected[3] == u"true");
    }

    // Kalvidor.ini beside the program has COM1 lead nowhere and COM7 to the
    // unit; "%1" in the expected lines stands for the device that is not there.
    void thePortComesFromTheOptionsOrTheSettings_data()
    {
        QTest::addColumn<QString>("storedPort");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("the stored port") << u"7"_s << QStringList() << 0 << QStringList { Match };
        QTest::newRow("--port mapped in [PORTS]")
            << u"1"_s << QStringList { u"--port"_s, u"7"_s } << 0 << QStringList { Match };
        QTest::newRow("--device") << u"1"_s << QStringList { u"--device"_s, u"@unit"_s } << 0
                                  << QStringList { Match };
        QTest::newRow("no such device") << u"7"_s << QStringList { u"--device"_s, u"@nowhere"_s }
                                        << 3 << QStringList { PortNotOpen, u"cannot open %1"_s };
    }
    void thePortComesFromTheOptionsOrTheSettings()
    {
        QFETCH(QString, storedPort);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        Bench bench;
        START_BENCH(bench, QStringList());
        const QString nowhere = bench.file(u"no-such-tty"_s);
        QVERIFY(bench.cli.writeSettings(u"[CONF]\r\nPORT=%1\r\n[PORTS]\r\nCOM1=%2\r\nCOM7=%3\r\n"_s
                                            .arg(storedPort, nowhere, bench.unit->devicePath())
                                            .toUtf8()));
        options.replaceInStrings(u"@unit"_s, bench.unit->devicePath());
        options.replaceInStrings(u"@nowhere"_s, nowhere);
        lines.replaceInStrings(u"%1"_s, nowhere);
        QVERIFY(writeBytes(bench.file(u"table.csv"_s), tableFileBytes(uniformTable(u"2800000"_s))));

        const CliResult r
            = bench.run(QStringList { u"compare"_s, u"table.csv"_s, u"--json"_s } + options);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.errorLines, lines);
        QCOMPARE(bench.unit->commandLog().size(), exitCode == 0 ? 213 : 0);
        QCOMPARE(r.json().value(u"status"_s).toString(),
            exitCode == 0 ? u"completed"_s : u"port-not-open"_s);
        QCOMPARE(r.json().value(u"device"_s).toString(),
            exitCode == 0 ? bench.unit->devicePath() : nowhere);
    }

    // Nothing goes to the unit when the table cannot be had.
    void aTableThatCannotBeReadSendsNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("line");

        QTest::newRow("missing") << u"write"_s << u"none.csv"_s
                                 << u"cannot read none.csv: no such file"_s;
        QTest::newRow("a folder") << u"write"_s << u"folder.csv"_s
                                  << u"cannot read folder.csv: it is a folder"_s;
        QTest::newRow("a socket, which cannot be opened")
            << u"compare"_s << u"socket.csv"_s << u"cannot read socket.csv"_s;
        const QString noValue
            = u"%1 holds no usable value: no line of it is a line of a table file"_s;
        QTest::newRow("text without commas")
            << u"write"_s << u"notes.csv"_s << noValue.arg(u"notes.csv"_s);
    }
    void aTableThatCannotBeReadSendsNothing()
    {
        QFETCH(QString, command);
        QFETCH(QString, file);
        QFETCH(QString, line);
        Bench bench;
        START_BENCH(bench, QStringList());
        QVERIFY(QDir(bench.work.path()).mkdir(u"folder.csv"_s));
        QVERIFY(writeBytes(bench.file(u"notes.csv"_s), "ID list for site 4\r\nsee the office\r\n"));
        const QByteArray socketPath = bench.file(u"socket.csv"_s).toLocal8Bit();
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(socketPath.size()) < sizeof(address.sun_path));
        std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        QCOMPARE(::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);

        const CliResult r = bench.run({ command, file, u"--json"_s });
        ::close(s);
        QCOMPARE(r.exitCode, 4);
        QCOMPARE(r.errorLines, QStringList { line });
        QCOMPARE(r.json().value(u"error"_s).toString(), line);
        QCOMPARE(r.json().value(u"status"_s).toString(), u"not-started"_s);
        QCOMPARE(bench.unit->commandLog(), QStringList());
    }

    // A read whose file cannot be written: 4, and a file that was there stays.
    void anUnwritableOutputKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("commands"); // sent to the unit

        QTest::newRow("a folder") << u"folder.csv"_s << false
                                  << QStringList { u"cannot write folder.csv: it is a folder"_s }
                                  << 0;
        QTest::newRow("no such folder")
            << u"missing/out.csv"_s << false
            << QStringList { u"cannot write missing/out.csv: its folder does not exist"_s } << 0;
        QTest::newRow("the disk is full")
            << u"out.csv"_s << true
            << QStringList { ReadDone, u"cannot write out.csv; the file is left as it was"_s }
            << 215;
    }
    void anUnwritableOutputKeepsTheOldFile()
    {
        QFETCH(QString, file);
        QFETCH(bool, diskFull);
        QFETCH(QStringList, lines);
        QFETCH(int, commands);
        Bench bench;
        START_BENCH(bench, QStringList());
        QVERIFY(QDir(bench.work.path()).mkdir(u"folder.csv"_s));
        const QByteArray old = "1,2801000\r\n";
        QVERIFY(writeBytes(bench.file(u"out.csv"_s), old));

        // Permission bits do not stop root; a file size limit stops anyone.
        // 1 KiB leaves room for the serial port's lock file, not for a table.
        const auto limitFileSize = [diskFull](QProcess &process) {
            if (!diskFull)
                return;
            process.setChildProcessModifier([] {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit tight {};
                getrlimit(RLIMIT_FSIZE, &tight);
                tight.rlim_cur = 1024;
                setrlimit(RLIMIT_FSIZE, &tight);
            });
        };
        const CliResult r = bench.cli.run({ u"read"_s, file }, bench.work.path(), limitFileSize);
        QCOMPARE(r.exitCode, 4);
        QCOMPARE(r.errorLines, lines);
        QCOMPARE(bench.unit->commandLog().size(), commands);
        QCOMPARE(readBytes(bench.file(u"out.csv"_s)), old);
        // No half-written file is left beside it either.
        QCOMPARE(QDir(bench.work.path()).entryList(QDir::Files), QStringList { u"out.csv"_s });
    }

    // Ctrl+C (or a request to terminate) during a write to a slow unit ends
    // the write at once, says how far it got, and exits 128 + the signal.
    void anInterruptEndsTheTransferAtOnce_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("Ctrl+C") << int(SIGINT) << 130;
        QTest::newRow("terminate") << int(SIGTERM) << 143;
    }
    void anInterruptEndsTheTransferAtOnce()
    {
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        Bench bench;
        START_BENCH(bench, (QStringList { u"--delay"_s, u"30"_s }));
        QVERIFY(writeBytes(bench.file(u"table.csv"_s), tableFileBytes(uniformTable(u"2800000"_s))));

        QProcess process;
        bench.cli.prepare(process, { u"write"_s, u"table.csv"_s }, bench.work.path());
        process.start();
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(bench.unit->commandLog().size() >= 10, 20000);
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(process.processId()), signal);
        const CliResult r = CliProgram::collect(process, 10000);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(r.exitCode, exitCode);

        QCOMPARE(r.errorLines.size(), 2);
        static const QRegularExpression interrupted(
            u"^interrupted at (.+): (\\d+) of 215 commands answered; the port is closed$"_s);
        const QRegularExpressionMatch m = interrupted.match(r.errorLines[0]);
        QVERIFY2(m.hasMatch(), qPrintable(r.errorLines[0]));
        QCOMPARE(r.errorLines[1], u"the unit may hold part of the new table"_s);
        // The command that was waiting is the last one sent.
        const int answered = m.captured(2).toInt();
        const QStringList log = bench.unit->commandLog();
        QVERIFY(answered >= 9 && answered < 213);
        QCOMPARE(log.size(), answered + 1);
        QCOMPARE(log.last(), u"SID %1,000000000"_s.arg(answered, 3, 10, QChar(u'0')));
        QCOMPARE(m.captured(1), slotPlace(answered));
    }
};

QTEST_MAIN(TestCliUnit)
#include "tst_cliunit.moc"
