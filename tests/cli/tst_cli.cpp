// kalvidor-cli through its built executable, as a script runs it: from a
// program folder of its own (the Kalvidor.ini beside it is the test's),
// against the unit simulator on a pseudo-terminal. The main window's
// write of the same file is the yardstick for what a write sends.
#include "../app/windowfixture.h"
#include "cli/backupfile.h"
#include "cli/clicommand.h"
#include "cli/console.h"
#include "cli/tableinput.h"
#include "expectedtexts.h"
#include "filebytes.h"
#include "files/idtablefile.h"
#include "files/inifile.h"
#include "unitsimulator.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace kalvidor;
using namespace expected;
using namespace Qt::StringLiterals;

namespace {

const QByteArray OldBytes = "1,2801000\r\n"; // out.csv before a read

// A table file: line n+1 is "n+1," and values[n]; 213 IDs, hold time, allowance.
QByteArray tableBytes(const QStringList &values)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < values.size(); ++i)
        bytes += QByteArray::number(i + 1) + ',' + values[i].toLatin1() + "\r\n";
    return bytes;
}

struct CliResult
{
    int exitCode;
    QByteArray out;
    QStringList errorLines;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// A program folder with its own kalvidor-cli, whose stored port 7 leads to
// the unit and port 1 nowhere; a working folder with table.csv (the base
// 2800000 in every slot) and out.csv (OldBytes).
struct Bench
{
    QTemporaryDir work, programDir;
    QString cli = programDir.filePath(u"kalvidor-cli"_s);
    UnitSimulator unit;
    QProcess process;

    explicit Bench(const QString &options = {})
        : unit(options.split(u' ', Qt::SkipEmptyParts))
    {
    }
    QString file(const QString &name) const { return work.filePath(name); }
    bool setUp()
    {
        process.setWorkingDirectory(work.path());
        return QFile::copy(QStringLiteral(KALVIDOR_CLI), cli)
            && writeIni(
                u"PORTS"_s, u"COM1"_s, settingsFilePath(programDir.path()), u"/nonexistent/tty"_s)
            && writeBytes(file(u"table.csv"_s),
                tableBytes(QStringList(213, u"2800000"_s) << u"2"_s << u"1"_s))
            && writeBytes(file(u"out.csv"_s), OldBytes);
    }
    CliResult finish(int timeoutMs = 60000)
    {
        if (!process.waitForFinished(timeoutMs))
            process.kill();
        process.waitForFinished();
        return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts) };
    }
    CliResult run(const QStringList &arguments, const std::function<void()> &inChild = {})
    {
        if (inChild)
            process.setChildProcessModifier(inChild);
        process.start(cli, arguments);
        return finish();
    }
};

#define START_BENCH(bench)                                                                         \
    START_UNIT_SIMULATOR((bench).unit, (bench).programDir.path(), 7);                              \
    QVERIFY((bench).setUp())

// A row of TestCli::outcomes whose input is refused before the unit is
// asked: nothing sent, the error in the report; a usage error (64) refers to --help.
void notStartedRow(const char *name, const QString &arguments, int exitCode, const QString &error)
{
    QStringList lines { error };
    if (exitCode == 64)
        lines = QStringList { u"kalvidor-cli: "_s + error,
            u"使い方は kalvidor-cli --help で表示します。"_s };
    const QString report = uR"({"error":"%1","exitCode":%2,"status":"not-started"})"_s;
    QTest::newRow(name) << QString() << arguments << 0 << lines
                        << report.arg(QString(error).replace(u'"', u"\\\""_s)).arg(exitCode);
}

// The JSON report, its messages, command, file and device left out.
QString reportText(const CliResult &r)
{
    QJsonObject o = r.json();
    for (const QString &key : { u"messages"_s, u"command"_s, u"file"_s, u"device"_s })
        o.remove(key);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// The unit's command log as runs of one command word: "RID 213, RTM 1, …".
QString commandRuns(const QStringList &log)
{
    QStringList runs;
    QString word;
    int count = 0;
    for (const QString &line : log) {
        const QString w = line.section(u' ', 0, 0);
        if (w != word && count > 0) {
            runs << u"%1 %2"_s.arg(word).arg(count);
            count = 0;
        }
        word = w;
        ++count;
    }
    if (count > 0)
        runs << u"%1 %2"_s.arg(word).arg(count);
    return runs.join(u", "_s);
}

// The code block of README.md (indented by four spaces) that follows the
// first line holding marker, without its indentation.
QString readmeBlock(const QString &marker)
{
    QFile file(QStringLiteral(KALVIDOR_SOURCE_DIR "/README.md"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    qsizetype i = 0;
    while (i < lines.size() && !lines[i].contains(marker))
        ++i;
    for (++i; i < lines.size() && lines[i].trimmed().isEmpty(); ++i) { }
    QStringList block;
    for (; i < lines.size() && (lines[i].startsWith(u"    "_s) || lines[i].trimmed().isEmpty());
         ++i)
        block << lines[i].mid(4);
    while (!block.isEmpty() && block.last().isEmpty())
        block.removeLast();
    return block.isEmpty() ? QString() : block.join(u'\n') + u'\n';
}

// What the program writes to a terminal on its standard error: a
// pseudo-terminal whose far side is read while the program runs.
class TerminalCapture
{
public:
    TerminalCapture()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        m_terminal = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        if (m_terminal < 0)
            return;
        m_reader = std::thread([this] {
            char buffer[4096];
            for (;;) {
                pollfd p { m_master, POLLIN, 0 };
                if (::poll(&p, 1, 100) == 0) {
                    if (m_done)
                        return;
                    continue;
                }
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n <= 0)
                    return;
                m_shown.append(buffer, n);
            }
        });
    }
    ~TerminalCapture()
    {
        stop();
        if (m_master >= 0)
            ::close(m_master);
    }
    bool isOpen() const { return m_terminal >= 0; }
    int terminal() const { return m_terminal; }
    // Everything shown, once the program has ended.
    QByteArray stop()
    {
        if (m_terminal >= 0)
            ::close(m_terminal);
        m_terminal = -1;
        m_done = true;
        if (m_reader.joinable())
            m_reader.join();
        return m_shown;
    }

private:
    int m_master = -1;
    int m_terminal = -1;
    std::atomic<bool> m_done = false;
    QByteArray m_shown;
    std::thread m_reader;
};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    // The window writes the file to one unit, kalvidor-cli to another: both
    // receive the same 215 lines.
    void writeSendsWhatTheWindowSends_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("someLines"); // "index=line" of the log
        QTest::addColumn<bool>("readsBackAlike"); // a read gives the file back byte for byte

        QStringList ordinary = QStringList(213, u"2801000"_s) << u"15"_s << u"3"_s;
        for (int slot = 1; slot < 213; ++slot) {
            if (slot % 3 != 0)
                ordinary[slot] = QString::number(0x2801000 + slot, 16).toUpper();
        }
        QTest::newRow("ordinary table")
            << ordinary
            << QStringList { u"0=SID 000,041947136"_s, u"1=SID 001,000004097"_s,
                   u"3=SID 003,000004096"_s, u"213=STM 15"_s, u"214=SNM 03"_s }
            << true;
        // Lower case, zero, leading zeros and the largest ID; both parameters
        // at their upper limits. A read gives them back in the program's own
        // form.
        QStringList unusual = QStringList(213, u"2801000"_s) << u"99"_s << u"4"_s;
        unusual[1] = u"fffffff"_s;
        unusual[2] = u"0"_s;
        unusual[3] = u"0002801"_s;
        unusual[212] = u"abc"_s;
        QTest::newRow("lower case, zero, leading zeros, the largest ID")
            << unusual
            << QStringList { u"1=SID 001,000065535"_s, u"2=SID 002,000000000"_s,
                   u"3=SID 003,000010241"_s, u"212=SID 212,000002748"_s, u"213=STM 99"_s,
                   u"214=SNM 04"_s }
            << false;
    }
    void writeSendsWhatTheWindowSends()
    {
        QFETCH(QStringList, values);
        QFETCH(QStringList, someLines);
        QFETCH(bool, readsBackAlike);
        Bench bench;
        START_BENCH(bench);
        QVERIFY(writeBytes(bench.file(u"table.csv"_s), tableBytes(values)));

        // The window, started without a table file, loads the file as CSV読込み
        // does and shows it; its write gathers the table from the fields.
        WindowFixture window;
        UnitSimulator windowUnit;
        START_UNIT_SIMULATOR(windowUnit, window.dir.path(), 1);
        window.create();
        QCOMPARE(window.document().load(bench.file(u"table.csv"_s)), LoadOutcome::Loaded);
        window.window->showTable();
        window.run(ObjectName::WriteAction);
        const QStringList windowLog = windowUnit.commandLog();
        for (const QString &entry : someLines)
            QCOMPARE(windowLog[entry.section(u'=', 0, 0).toInt()], entry.section(u'=', 1));

        const CliResult written = bench.run({ u"write"_s, u"table.csv"_s, u"--json"_s });
        QCOMPARE(written.errorLines, QStringList { WriteDone });
        QCOMPARE(bench.unit.commandLog(), windowLog);
        QCOMPARE(reportText(written),
            uR"({"answered":215,"exitCode":0,"status":"completed","total":215})"_s);
        if (!readsBackAlike)
            return;
        // Without --json: the outcome on standard error, nothing on standard output.
        const CliResult read = bench.run({ u"read"_s, u"out.csv"_s });
        QCOMPARE(read.errorLines, QStringList { ReadDone });
        QCOMPARE(readBytes(bench.file(u"out.csv"_s)), tableBytes(values));
        const CliResult compared = bench.run({ u"compare"_s, u"out.csv"_s });
        QCOMPARE(compared.errorLines, QStringList { Match });
        QCOMPARE(read.out + compared.out, QByteArray());
        // A full disk (a file size limit stops root too; 1 KiB leaves room for
        // the port's lock file): the file read before stays whole.
        const CliResult full = bench.run({ u"--json"_s, u"read"_s, u"out.csv"_s }, [] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit tight { 1024, RLIM_INFINITY };
            setrlimit(RLIMIT_FSIZE, &tight);
        });
        const QString notWritten = u"out.csv に書き込めませんでした。ファイルは元のままです。"_s;
        QCOMPARE(full.errorLines, (QStringList { ReadDone, notWritten }));
        QCOMPARE(readBytes(bench.file(u"out.csv"_s)), tableBytes(values));
        const QJsonObject report = QJsonDocument::fromJson(full.out).object();
        QCOMPARE(report[u"status"_s].toString(), u"completed"_s);
        QCOMPARE(report[u"error"_s].toString(), notWritten);
        QCOMPARE(QDir(bench.work.path()).entryList(QDir::Files),
            (QStringList { u"out.csv"_s, u"table.csv"_s }));
        QCOMPARE((QList<int> { read.exitCode, compared.exitCode, full.exitCode }),
            (QList<int> { 0, 0, 4 }));
        QCOMPARE(bench.unit.commandLog().size(), 215 + 215 + 213 + 215);
    }

    // Each row runs "kalvidor-cli --json ARGUMENTS" against a unit with the
    // simulator's options.
    void outcomes_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("minMs"); // the unit's time limit that must have passed
        QTest::addColumn<QStringList>("lines"); // standard error, also the report's messages
        QTest::addColumn<QString>("report");

        // The file holds 2801234 for heavy machine 38, the unit 280FFFF for vehicle 50.
        QTest::newRow("differing rows named")
            << u"--set 212=FFFF"_s << u"compare differs.csv"_s << 0
            << QStringList { Differ, u"相違している ID（differs.csv / 警報ユニット）"_s,
                   u"重　機 38：2801234 / ―"_s, u"車　両 50：― / 280FFFF"_s }
            << uR"({"answered":213,"differences":[{"file":"2801234","place":"重　機 38",)"
               uR"("slot":150,"unit":"―"},{"file":"―","place":"車　両 50","slot":212,)"
               uR"("unit":"280FFFF"}],"exitCode":1,"status":"completed","total":213})"_s;
        QTest::newRow("the base alone is not compared")
            << u"--set 0=280ABCD"_s << u"compare table.csv"_s << 0 << QStringList { Match }
            << uR"({"answered":213,"differences":[],"exitCode":0,"status":"completed","total":213})"_s;
        QTest::newRow("write refused at heavy machine 38")
            << u"--refuse-sid 150"_s << u"write table.csv"_s << 0
            << QStringList { NotConnected, u"失敗した箇所：重　機 38"_s,
                   u"書き込み済み：150 件（全 215 件中）"_s, PartlyWritten }
            << uR"({"answered":150,"exitCode":2,"status":"refused","stop":{"place":"重　機 38",)"
               uR"("slot":150,"step":"ids"},"total":215})"_s;
        // A unit that falls silent, within the time limit.
        QTest::newRow("read, the hold time unanswered")
            << u"--silent-rtm"_s << u"read out.csv"_s << 2000
            << QStringList { NotConnected,
                   u"警報時間設定 で止まりました（全 215 件中 213 件に応答がありました）。"_s }
            << uR"({"answered":213,"exitCode":2,"parameters":{"allowance":{"answered":false,)"
               uR"("taken":false,"value":0},"holdTime":{"answered":false,"taken":false,"value":0}},)"
               uR"("status":"no-reply","stop":{"place":"警報時間設定","slot":0,)"
               uR"("step":"hold-time"},"total":215})"_s;
        // The unit's value is reported and the file keeps the default.
        QTest::newRow("read, parameters out of range")
            << u"--hold 150 --refuse-rnm"_s << u"read out.csv"_s << 0
            << QStringList { ReadDone, HoldTimeOutOfRange,
                   u"警報ユニットの値は 150 でした。out.csv には初期値 2 を保存します。"_s,
                   AllowanceOutOfRange,
                   u"警報ユニットの値は 0 でした。out.csv には初期値 1 を保存します。"_s }
            << uR"({"answered":215,"exitCode":0,"parameters":{"allowance":{"answered":true,)"
               uR"("taken":false,"value":0},"holdTime":{"answered":true,"taken":false,)"
               uR"("value":150}},"status":"completed","total":215})"_s;
        QTest::newRow("--port 1 leads nowhere")
            << QString() << u"compare table.csv --port 1"_s << 0
            << QStringList { PortMessage, u"/nonexistent/tty を開けません。"_s }
            << uR"({"answered":0,"exitCode":3,"status":"port-not-open","total":213})"_s;
        QTest::newRow("no such device")
            << QString() << u"write table.csv --device=/nonexistent/tty"_s << 0
            << QStringList { PortMessage, u"/nonexistent/tty を開けません。"_s }
            << uR"({"answered":0,"exitCode":3,"status":"port-not-open","total":215})"_s;

        // "--" ends the options, so a file name may start with "-".
        notStartedRow("table missing", u"write -- -none.csv"_s, 4,
            u"-none.csv を読み込めません：ファイルがありません。"_s);
        notStartedRow("table is a folder", u"write folder.csv"_s, 4,
            u"folder.csv を読み込めません：フォルダーです。"_s);
        notStartedRow(
            "table is a socket", u"compare socket.csv"_s, 4, u"socket.csv を読み込めません。"_s);
        // Not a table file: nothing is sent, and the line says why.
        const QString notATable = u"%1 は IDコード表の形式と違います：%2。"_s;
        notStartedRow("text without commas", u"write notes.csv"_s, 4,
            notATable.arg(u"notes.csv"_s, u"行数が 2 行です（IDコード表は 215 行）"_s));
        notStartedRow("three lines of another table", u"write people.csv"_s, 4,
            notATable.arg(u"people.csv"_s, u"行数が 3 行です（IDコード表は 215 行）"_s));
        notStartedRow("a table cut to 100 lines", u"compare cut.csv"_s, 4,
            notATable.arg(u"cut.csv"_s, u"行数が 100 行です（IDコード表は 215 行）"_s));
        notStartedRow("hold time 150, allowance 9", u"write limits.csv"_s, 4,
            notATable.arg(u"limits.csv"_s, u"214 行目の値が 1～99 の警報時間設定ではありません"_s));
        notStartedRow("an ID of eight digits", u"compare long.csv"_s, 4,
            notATable.arg(u"long.csv"_s, u"3 行目の値が 16進数 7 桁までの ID ではありません"_s));
        notStartedRow("output is a folder", u"read folder.csv"_s, 4,
            u"folder.csv に書き込めません：フォルダーです。"_s);
        notStartedRow("output folder missing", u"read no/out.csv"_s, 4,
            u"no/out.csv に書き込めません：フォルダーがありません。"_s);
        notStartedRow("output folder takes no file", u"read /proc/out.csv"_s, 4,
            u"/proc/out.csv に書き込めません。"_s);
        notStartedRow("nothing", QString(), 64, u"コマンドを指定してください"_s);
        notStartedRow("unknown command", u"send t.csv"_s, 64, u"不明なコマンドです：send"_s);
        notStartedRow("unknown option", u"write t.csv --speed 9600"_s, 64,
            u"不明なオプションです：--speed"_s);
        notStartedRow(
            "write without a file", u"write"_s, 64, u"write のファイルを指定してください"_s);
        notStartedRow(
            "compare with two files", u"compare a.csv b.csv"_s, 64, u"余分な引数です：b.csv"_s);
        notStartedRow("--port and --device", u"write t.csv --port 2 --device /dev/ttyUSB0"_s, 64,
            u"--port と --device は同時に指定できません"_s);
        notStartedRow("--port without a value", u"write t.csv --port"_s, 64,
            u"--port の値を指定してください"_s);
        notStartedRow("--verify with compare", u"compare t.csv --verify"_s, 64,
            u"--verify は write とだけ使えます"_s);
        notStartedRow("backup folder missing", u"write table.csv --backup none"_s, 4,
            u"none にバックアップを保存できません：フォルダーがありません。"_s);
        notStartedRow("--port 257", u"write t.csv --port 257"_s, 64,
            u"--port には 1～256 の番号を指定してください（「257」は使えません）"_s);
    }
    void outcomes()
    {
        QFETCH(QString, options);
        QFETCH(QString, arguments);
        QFETCH(QStringList, lines);
        QFETCH(QString, report);
        QFETCH(int, minMs);
        Bench bench(options);
        START_BENCH(bench);
        QVERIFY(writeBytes(bench.file(u"differs.csv"_s),
            readBytes(bench.file(u"table.csv"_s)).replace("\n151,2800000", "\n151,2801234")));
        QVERIFY(writeBytes(bench.file(u"notes.csv"_s), "ID list for site 4\r\nsee the office\r\n"));
        QVERIFY(writeBytes(bench.file(u"people.csv"_s), "name,age\r\nfoo,12\r\nbar,7\r\n"));
        const QStringList base(213, u"2800000"_s);
        QVERIFY(writeBytes(bench.file(u"cut.csv"_s), tableBytes(base.first(100))));
        QVERIFY(writeBytes(
            bench.file(u"limits.csv"_s), tableBytes(base + QStringList { u"150"_s, u"9"_s })));
        QStringList longId = base + QStringList { u"2"_s, u"1"_s };
        longId[2] = u"FFFFFFFF"_s;
        QVERIFY(writeBytes(bench.file(u"long.csv"_s), tableBytes(longId)));
        QVERIFY(QDir(bench.work.path()).mkdir(u"folder.csv"_s));
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address { AF_UNIX, {} };
        qstrncpy(
            address.sun_path, bench.file(u"socket.csv"_s).toLocal8Bit(), sizeof address.sun_path);
        QCOMPARE(::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QElapsedTimer clock;
        clock.start();
        const CliResult r
            = bench.run(QStringList { u"--json"_s } + arguments.split(u' ', Qt::SkipEmptyParts));
        ::close(s);
        QVERIFY2(clock.elapsed() >= minMs && clock.elapsed() < minMs + 5000,
            qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(r.errorLines, lines);
        QCOMPARE(reportText(r), report);
        QCOMPARE(r.exitCode, r.json()[u"exitCode"_s].toInt());
        QCOMPARE(r.json()[u"messages"_s].toVariant().toStringList(), lines);
        QCOMPARE(r.out.count('\n'), 1); // one JSON object, one line
        // The unit got the commands answered and, where it stopped, the one it did not answer.
        QCOMPARE(bench.unit.commandLog().size(),
            r.json()[u"answered"_s].toInt() + (r.json().contains(u"stop"_s) ? 1 : 0));
        // A read that did not complete leaves the file as it was.
        const QByteArray out = readBytes(bench.file(u"out.csv"_s));
        QVERIFY(r.exitCode == 0 && arguments.startsWith(u"read")
                ? out.endsWith("\n213,2800000\r\n214,2\r\n215,1\r\n")
                : out == OldBytes);
    }

    // write --backup reads the unit and saves what it holds before the first
    // SID; --verify reads it back after the write and names every row and
    // parameter that differs from the file. Each row runs "kalvidor-cli
    // --json write table.csv OPTIONS" (table.csv: the base in every slot,
    // hold time 2, allowance 1) against a unit that holds 2801243 for heavy
    // machine 38, hold time 7 and allowance 3 before the write.
    void siteWrite_data()
    {
        QTest::addColumn<QString>("options"); // the simulator's, besides the unit's table
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QStringList>("lines"); // BACKUP: the backup's path
        QTest::addColumn<QString>("report"); // the backup's path left out
        QTest::addColumn<QString>("commands"); // what the unit got, in runs
        QTest::addColumn<QStringList>("backup"); // the backup's lines; empty: no backup file

        const QString saved = u"書き込む前の警報ユニットの設定を BACKUP に保存しました。"_s;
        QStringList before = QStringList(213, u"2800000"_s) << u"7"_s << u"3"_s;
        before[150] = u"2801243"_s;
        const QString read = u"RID 213, RTM 1, RNM 1"_s;
        const QString written = u"SID 213, STM 1, SNM 1"_s;
        const QString backupDone = uR"("backup":{"answered":215,"parameters":{"allowance":)"
                                   uR"({"answered":true,"taken":true,"value":3},"holdTime":)"
                                   uR"({"answered":true,"taken":true,"value":7}},)"
                                   uR"("status":"completed","total":215})"_s;
        const QString writeDone = uR"("status":"completed","total":215)"_s;

        QTest::newRow("backed up, written and verified")
            << QString() << u"--backup backups --verify"_s
            << QStringList { saved, WriteDone, Match }
            << uR"({"answered":215,%1,"exitCode":0,%2,"verification":{"answered":215,)"
               uR"("differences":[],"status":"completed","total":215}})"_s.arg(
                   backupDone, writeDone)
            << QStringList { read, written, read }.join(u", "_s) << before;
        // Acknowledged with "OK", yet the unit holds another ID.
        QTest::newRow("a unit that stores another ID")
            << u"--store-instead 151=2809999"_s << u"--verify --backup backups"_s
            << QStringList { saved, WriteDone, Differ,
                   u"相違している設定（table.csv / 警報ユニット）"_s, u"重　機 39：― / 2809999"_s }
            << uR"({"answered":215,%1,"exitCode":5,%2,"verification":{"answered":215,)"
               uR"("differences":[{"file":"―","place":"重　機 39","slot":151,"unit":"2809999"}],)"
               uR"("status":"completed","total":215}})"_s.arg(backupDone, writeDone)
            << QStringList { read, written, read }.join(u", "_s) << before;
        // A refused parameter reads 0, as in a read.
        QTest::newRow("the parameters not given back")
            << u"--refuse-rtm --refuse-rnm"_s << u"--verify"_s
            << QStringList { WriteDone, Differ, u"相違している設定（table.csv / 警報ユニット）"_s,
                   u"警報時間設定：2 / 0"_s, u"重機オペ許可人数：1 / 0"_s }
            << uR"({"answered":215,"exitCode":5,%1,"verification":{"answered":215,)"
               uR"("differences":[{"file":"2","parameter":"hold-time","place":"警報時間設定",)"
               uR"("unit":"0"},{"file":"1","parameter":"allowance","place":"重機オペ許可人数",)"
               uR"("unit":"0"}],"status":"completed","total":215}})"_s.arg(writeDone)
            << QStringList { written, read }.join(u", "_s) << QStringList();
        QTest::newRow("the backup read stops: nothing written")
            << u"--refuse-rid 20"_s << u"--backup backups --verify"_s
            << QStringList { NotConnected, u"失敗した箇所：重機オペ 20"_s,
                   u"読み込み済み：20 件（全 215 件中）"_s,
                   u"書き込む前の警報ユニットの設定を保存できなかったため、何も書き込んでいません。"_s }
            << uR"({"backup":{"answered":20,"parameters":{"allowance":{"answered":false,)"
               uR"("taken":false,"value":0},"holdTime":{"answered":false,"taken":false,)"
               uR"("value":0}},"status":"refused","stop":{"place":"重機オペ 20","slot":20,)"
               uR"("step":"ids"},"total":215},"exitCode":2,"status":"not-started"})"_s
            << u"RID 21"_s << QStringList();
        QTest::newRow("the check after the write stops")
            << u"--refuse-rid 20"_s << u"--verify"_s
            << QStringList { WriteDone, NotConnected, u"失敗した箇所：重機オペ 20"_s,
                   u"読み込み済み：20 件（全 215 件中）"_s,
                   u"書き込んだ後の確認を終えられませんでした。"_s }
            << uR"({"answered":215,"exitCode":2,%1,"verification":{"answered":20,)"
               uR"("status":"refused","stop":{"place":"重機オペ 20","slot":20,"step":"ids"},)"
               uR"("total":215}})"_s.arg(writeDone)
            << written + u", RID 21"_s << QStringList();
        QTest::newRow("a write that stops is not checked")
            << u"--refuse-sid 150"_s << u"--verify --backup backups"_s
            << QStringList { saved, NotConnected, u"失敗した箇所：重　機 38"_s,
                   u"書き込み済み：150 件（全 215 件中）"_s, PartlyWritten }
            << uR"({"answered":150,%1,"exitCode":2,"status":"refused","stop":{"place":"重　機 38",)"
               uR"("slot":150,"step":"ids"},"total":215,"verification":{"status":"not-started"}})"_s
                   .arg(backupDone)
            << read + u", SID 151"_s << before;
        // The file takes the default in place of what no table file holds.
        QStringList defaultHold = before;
        defaultHold[213] = u"2"_s;
        QTest::newRow("the unit's hold time out of range")
            << u"--hold 150"_s << u"--backup backups"_s
            << QStringList { saved, HoldTimeOutOfRange,
                   u"警報ユニットの値は 150 でした。BACKUP には初期値 2 を保存します。"_s,
                   WriteDone }
            << uR"({"answered":215,"backup":{"answered":215,"parameters":{"allowance":)"
               uR"({"answered":true,"taken":true,"value":3},"holdTime":{"answered":true,)"
               uR"("taken":false,"value":150}},"status":"completed","total":215},"exitCode":0,%1})"_s
                   .arg(writeDone)
            << QStringList { read, written }.join(u", "_s) << defaultHold;
    }
    void siteWrite()
    {
        QFETCH(QString, options);
        QFETCH(QString, arguments);
        QFETCH(QStringList, lines);
        QFETCH(QString, report);
        QFETCH(QString, commands);
        QFETCH(QStringList, backup);
        Bench bench(u"--set 150=1243 --hold 7 --allowance 3 "_s + options);
        START_BENCH(bench);
        QVERIFY(QDir(bench.work.path()).mkdir(u"backups"_s));
        const CliResult r = bench.run(QStringList { u"--json"_s, u"write"_s, u"table.csv"_s }
            + arguments.split(u' ', Qt::SkipEmptyParts));

        QJsonObject json = r.json();
        QJsonObject backupReport = json.value(u"backup"_s).toObject();
        const QString backupPath = backupReport.take(u"file"_s).toString();
        if (!backupReport.isEmpty())
            json[u"backup"_s] = backupReport;
        QCOMPARE(reportText({ r.exitCode, QJsonDocument(json).toJson(), {} }), report);
        QCOMPARE(r.exitCode, json[u"exitCode"_s].toInt());
        QStringList shown = r.errorLines;
        if (!backupPath.isEmpty())
            shown.replaceInStrings(backupPath, u"BACKUP"_s);
        QCOMPARE(shown, lines);
        QCOMPARE(commandRuns(bench.unit.commandLog()), commands);

        // The backup: named for the device and the time, in the table
        // file's layout, a well-formed table that write takes back.
        const QStringList files = QDir(bench.file(u"backups"_s)).entryList(QDir::Files);
        if (backup.isEmpty()) {
            QCOMPARE(files, QStringList());
            QCOMPARE(backupPath, QString());
            return;
        }
        QCOMPARE(files.size(), 1);
        QCOMPARE(backupPath, u"backups/"_s + files.first());
        QVERIFY2(
            QRegularExpression(u"^nelor-20\\d{6}-\\d{6}\\.csv$"_s).match(files.first()).hasMatch(),
            qPrintable(files.first()));
        QCOMPARE(readBytes(bench.file(backupPath)), tableBytes(backup));
        QCOMPARE(readTableInput(bench.file(backupPath)).status, TableInputStatus::Read);
    }

    // A backup takes a name no file has: with every name of the coming
    // minute taken, it goes to the first with "-2", and every file there
    // keeps its content.
    void aBackupNeverReplacesAFile()
    {
        Bench bench(u"--set 150=1243"_s);
        START_BENCH(bench);
        const QDir backups(bench.file(u"backups"_s));
        QVERIFY(backups.mkpath(u"."_s));
        const QDateTime now = QDateTime::currentDateTime();
        QMap<QString, QByteArray> taken;
        for (int second = 0; second < 60; ++second) {
            const QString name
                = u"nelor-%1.csv"_s.arg(now.addSecs(second).toString(u"yyyyMMdd-HHmmss"_s));
            taken[name] = QByteArray::number(second);
            QVERIFY(writeBytes(backups.filePath(name), taken[name]));
        }
        const CliResult r
            = bench.run({ u"write"_s, u"table.csv"_s, u"--backup"_s, u"backups"_s, u"--json"_s });
        QCOMPARE(r.exitCode, 0);
        const QString path = r.json()[u"backup"_s][u"file"_s].toString();
        QVERIFY2(path.endsWith(u"-2.csv"_s)
                && taken.contains(QFileInfo(path).fileName().chopped(6) + u".csv"_s),
            qPrintable(path));
        QVERIFY(readBytes(bench.file(path)).contains("\r\n151,2801243\r\n"));
        for (auto it = taken.cbegin(); it != taken.cend(); ++it)
            QCOMPARE(readBytes(backups.filePath(it.key())), it.value());
        QCOMPARE(backups.entryList(QDir::Files).size(), 61);
    }

    // Whatever names the device, the backup's name is one file name in
    // characters every file system takes.
    void backupNamesAreSafeFileNames_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("name");
        QTest::newRow("a device file") << u"/dev/ttyUSB0"_s << u"ttyUSB0-20250612-093015.csv"_s;
        QTest::newRow("a Windows port") << u"COM5"_s << u"COM5-20250612-093015.csv"_s;
        QTest::newRow("a Windows device path")
            << u"\\\\.\\COM10"_s << u"COM10-20250612-093015.csv"_s;
        QTest::newRow("blanks, colons and other letters")
            << u"run/port 1:機"_s << u"port_1__-20250612-093015.csv"_s;
        QTest::newRow("dots only") << u"/dev/.."_s << u"unit-20250612-093015.csv"_s;
    }
    void backupNamesAreSafeFileNames()
    {
        QFETCH(QString, device);
        QFETCH(QString, name);
        QCOMPARE(backupFileName(device, QDateTime(QDate(2025, 6, 12), QTime(9, 30, 15))), name);
    }

    // On a terminal the progress bar runs over the whole run, 645 commands,
    // and names the part going on: the backup, the write, the check.
    void progressCoversTheWholeRun()
    {
        Bench bench;
        START_BENCH(bench);
        QVERIFY(QDir(bench.work.path()).mkdir(u"backups"_s));
        TerminalCapture capture;
        QVERIFY(capture.isOpen());
        const int terminal = capture.terminal();
        const CliResult r
            = bench.run({ u"write"_s, u"table.csv"_s, u"--backup"_s, u"backups"_s, u"--verify"_s },
                [terminal] { ::dup2(terminal, STDERR_FILENO); });
        const QString shown = QString::fromUtf8(capture.stop());
        QCOMPARE(r.exitCode, 0);

        const QRegularExpression bar(u"^\\[[#.]{40}\\] +(\\d+)/645 (\\S+)$"_s);
        const QStringList phases { u"バックアップ"_s, u"書き込み"_s, u"確認"_s };
        int last = -1;
        int phase = 0;
        bool backupSaid = false;
        const QStringList parts
            = shown.split(QRegularExpression(u"[\\r\\n]"_s), Qt::SkipEmptyParts);
        for (const QString &part : parts) {
            if (part.startsWith(u"書き込む前の警報ユニットの設定を"_s))
                backupSaid = true;
            const QRegularExpressionMatch m = bar.match(part);
            if (!m.hasMatch())
                continue;
            const int done = m.captured(1).toInt();
            const int at = int(phases.indexOf(m.captured(2)));
            // Each part counts on from where the one before ended, in order.
            QVERIFY2(at == phase || at == phase + 1, qPrintable(part));
            phase = at;
            QVERIFY2(
                done >= last && done >= 215 * phase && done <= 215 * (phase + 1), qPrintable(part));
            QVERIFY2(phase == 0 || backupSaid, qPrintable(part));
            last = done;
        }
        QCOMPARE(phase, 2);
        QCOMPARE(last, 645);
    }

    // The README's shell loop, as it stands there, over two units: the one
    // that acknowledges heavy machine 39 but stores another ID is named with
    // exit code 5; both are backed up first. Writing a unit's backup back
    // restores what it held.
    void theReadmeSiteWorkflowRuns()
    {
        Bench bench(u"--set 150=1243 --hold 7"_s);
        START_BENCH(bench);
        UnitSimulator faulty({ u"--store-instead"_s, u"151=2809999"_s });
        QVERIFY2(faulty.start(), qPrintable(faulty.errorString()));
        const QString script = readmeBlock(u"and in a shell (`site4.sh`)"_s);
        QVERIFY2(script.contains(u"--backup backups --verify"_s), qPrintable(script));
        QVERIFY(writeBytes(bench.file(u"site4.sh"_s), script.toUtf8()));
        QStringList site = QStringList(213, u"2801000"_s) << u"15"_s << u"3"_s;
        site[151] = u"2801151"_s;
        QVERIFY(writeBytes(bench.file(u"site4.csv"_s), tableBytes(site)));

        QProcess shell;
        shell.setWorkingDirectory(bench.work.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(
            u"PATH"_s, bench.programDir.path() + u':' + environment.value(u"PATH"_s));
        shell.setProcessEnvironment(environment);
        shell.start(u"sh"_s, { u"site4.sh"_s, bench.unit.devicePath(), faulty.devicePath() });
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()),
            faulty.devicePath() + u": exit code 5\n"_s);
        QCOMPARE(commandRuns(faulty.commandLog()),
            u"RID 213, RTM 1, RNM 1, SID 213, STM 1, SNM 1, RID 213, RTM 1, RNM 1"_s);

        // One backup a unit; the first unit's holds what it held.
        const QDir backups(bench.file(u"backups"_s));
        const QStringList files = backups.entryList(QDir::Files);
        QCOMPARE(files.size(), 2);
        QStringList before = QStringList(213, u"2800000"_s) << u"7"_s << u"1"_s;
        before[150] = u"2801243"_s;
        QString firstBackup;
        for (const QString &name : files) {
            if (readBytes(backups.filePath(name)) == tableBytes(before))
                firstBackup = u"backups/"_s + name;
        }
        QVERIFY2(!firstBackup.isEmpty(), qPrintable(files.join(u' ')));

        const CliResult restored = bench.run(
            { u"write"_s, firstBackup, u"--device"_s, bench.unit.devicePath(), u"--verify"_s });
        QCOMPARE(restored.errorLines, (QStringList { WriteDone, Match }));
        const CliResult read = bench.run({ u"read"_s, u"out.csv"_s });
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(readBytes(bench.file(u"out.csv"_s)), tableBytes(before));
    }

    // Ctrl+C (or a request to terminate) while the unit keeps operator 20
    // unanswered ends the transfer at once (the unit's limit is not waited
    // out: that would end as no reply), says how far it got and exits 128 +
    // the signal. Stopped in the backup read, nothing is written or saved.
    void anInterruptEndsTheTransferAtOnce_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");
        const QString stopped
            = u"重機オペ 20 で中断しました（全 215 件中 20 件に応答がありました）。"
              u"通信ポートは閉じました。"_s;
        QTest::newRow("Ctrl+C") << int(SIGINT) << u"--silent-sid 20"_s << QString() << 130
                                << QStringList { stopped, PartlyWritten };
        QTest::newRow("terminate") << int(SIGTERM) << u"--silent-sid 20"_s << QString() << 143
                                   << QStringList { stopped, PartlyWritten };
        QTest::newRow("Ctrl+C in the backup read")
            << int(SIGINT) << u"--silent-rid 20"_s << u"--backup backups --verify"_s << 130
            << QStringList {
                   stopped,
                   u"書き込む前の警報ユニットの設定を保存できなかったため、何も書き込んでいません。"_s
               };
    }
    void anInterruptEndsTheTransferAtOnce()
    {
        QFETCH(int, signal);
        QFETCH(QString, options);
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        Bench bench(options);
        START_BENCH(bench);
        QVERIFY(QDir(bench.work.path()).mkdir(u"backups"_s));
        bench.process.start(bench.cli,
            QStringList { u"write"_s, u"table.csv"_s } + arguments.split(u' ', Qt::SkipEmptyParts));
        QTRY_COMPARE(bench.unit.commandLog().size(), 21);
        ::kill(pid_t(bench.process.processId()), signal);
        const CliResult r = bench.finish(10000);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.errorLines, lines);
        QCOMPARE(bench.unit.commandLog().size(), 21);
        QCOMPARE(QDir(bench.file(u"backups"_s)).entryList(QDir::Files), QStringList());
    }

    // --device names a device file from the current folder, and the messages
    // and the report name it as given. Without --port, --device or a port
    // stored beside the program, the first line says which device is used,
    // before any command.
    void theDeviceIsNamedAsGiven_data()
    {
        QTest::addColumn<QString>("device"); // --device, or none
        QTest::addColumn<bool>("settings"); // Kalvidor.ini beside the program
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("reportedDevice");
        QTest::newRow("relative path") << u"run/nelor"_s << true << Match << u"run/nelor"_s;
        QTest::newRow("a device under /dev/ that is not there")
            << u"/dev/kalvidor-none"_s << true << PortMessage << u"/dev/kalvidor-none"_s;
        QTest::newRow("no settings file")
            << QString() << false
            << u"Kalvidor.ini に通信ポートの設定がないため、/dev/ttyS0 を使います。"_s
            << u"/dev/ttyS0"_s;
    }
    void theDeviceIsNamedAsGiven()
    {
        QFETCH(QString, device);
        QFETCH(bool, settings);
        QFETCH(QString, firstLine);
        QFETCH(QString, reportedDevice);
        Bench bench;
        START_BENCH(bench);
        QVERIFY(QDir(bench.work.path()).mkdir(u"run"_s));
        QVERIFY(QFile::link(bench.unit.devicePath(), bench.file(u"run/nelor"_s)));
        if (!settings)
            QVERIFY(QFile::remove(settingsFilePath(bench.programDir.path())));
        QStringList arguments { u"compare"_s, u"table.csv"_s, u"--json"_s };
        if (!device.isEmpty())
            arguments << u"--device"_s << device;
        const CliResult r = bench.run(arguments);
        QVERIFY(!r.errorLines.isEmpty());
        QCOMPARE(r.errorLines.first(), firstLine);
        QCOMPARE(r.json()[u"device"_s].toString(), reportedDevice);
        if (firstLine == PortMessage)
            QCOMPARE(r.errorLines.last(), reportedDevice + u" を開けません。"_s);
    }

    // --port names a port that Kalvidor.ini maps to an empty name: that port
    // cannot be opened, and the stored port, which leads to a unit, is not
    // used in its place.
    void aPortMappedToNothingIsNotReplacedByTheStoredOne()
    {
        Bench bench;
        START_BENCH(bench);
        QVERIFY(writeIni(u"PORTS"_s, u"COM2"_s, settingsFilePath(bench.programDir.path()), {}));
        const CliResult r = bench.run({ u"compare"_s, u"table.csv"_s, u"--port"_s, u"2"_s });
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(bench.unit.commandLog(), QStringList());
    }

    // A Windows console gets the wide-character console API, so that its
    // Japanese lines read right whatever its code page; a file or a pipe
    // gets UTF-8 everywhere, and so does a terminal elsewhere.
    void outputPathFollowsTheStream_data()
    {
        QTest::addColumn<StreamKind>("kind");
        QTest::addColumn<bool>("onWindows");
        QTest::addColumn<OutputPath>("path");
        QTest::newRow("Windows console") << StreamKind::Console << true << OutputPath::WideConsole;
        QTest::newRow("Windows file or pipe")
            << StreamKind::FileOrPipe << true << OutputPath::Utf8Bytes;
        QTest::newRow("terminal") << StreamKind::Console << false << OutputPath::Utf8Bytes;
        QTest::newRow("file or pipe") << StreamKind::FileOrPipe << false << OutputPath::Utf8Bytes;
    }
    void outputPathFollowsTheStream()
    {
        QFETCH(StreamKind, kind);
        QFETCH(bool, onWindows);
        QFETCH(OutputPath, path);
        QCOMPARE(outputPath(kind, onWindows), path);
    }

    // --help wins over a bad option, and its list of exit codes names every
    // code the program ends with.
    void helpListsEveryExitCode()
    {
        Bench bench;
        START_BENCH(bench);
        const CliResult r = bench.run({ u"--speed"_s, u"--help"_s });
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.errorLines, QStringList());
        const QString help = QString::fromUtf8(r.out);
        const int codes[] = { int(CliExit::Done), int(CliExit::Differences),
            int(CliExit::UnitFailed), int(CliExit::PortNotOpen), int(CliExit::FileError),
            int(CliExit::VerifyDiffers), int(CliExit::Usage), int(CliExit::InterruptedBase) + 2 };
        for (int code : codes) {
            const QRegularExpression line(
                u"^  %1 +\\S"_s.arg(code), QRegularExpression::MultilineOption);
            QVERIFY2(help.contains(line), qPrintable(u"exit code %1 not listed"_s.arg(code)));
        }
    }

    // One line per port the system has; --json lists the same ports.
    void portsAreListed()
    {
        Bench bench;
        START_BENCH(bench);
        const CliResult text = bench.run({ u"ports"_s });
        const CliResult json = bench.run({ u"ports"_s, u"--json"_s });
        QCOMPARE((QList<int> { text.exitCode, json.exitCode }), (QList<int> { 0, 0 }));
        const QJsonArray ports = json.json()[u"ports"_s].toArray();
        QCOMPARE(text.out.count('\n'), ports.size());
    }

    // Linked against Qt Core and Qt Serial Port only: no widgets, no GUI.
    void needsNoWidgetsAndNoGui()
    {
        QProcess ldd;
        ldd.start(u"ldd"_s, { QStringLiteral(KALVIDOR_CLI) });
        QVERIFY(ldd.waitForFinished());
        const QString libraries = QString::fromUtf8(ldd.readAllStandardOutput());
        QVERIFY2(libraries.contains(u"libQt6SerialPort"_s)
                && !libraries.contains(u"libQt6Widgets"_s) && !libraries.contains(u"libQt6Gui"_s),
            qPrintable(libraries));
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
