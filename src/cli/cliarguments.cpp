#include "cliarguments.h"

#include "ports/serialports.h"

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

} // namespace

CliArguments parseCliArguments(const QStringList &arguments)
{
    CliArguments result;
    QStringList positional;
    bool help = false;
    bool portGiven = false;
    bool deviceGiven = false;
    bool backupGiven = false;
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
                fail(u"%1 の値を指定してください"_s.arg(name));
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
                fail(u"--port が 2 回指定されています"_s);
            portGiven = true;
            result.port = parsePortNumber(value);
            if (result.port == 0)
                fail(u"--port には 1～%1 の番号を指定してください（「%2」は使えません）"_s
                         .arg(MaxPortNumber)
                         .arg(value));
        } else if (name == u"--device") {
            if (!takeValue())
                continue;
            if (deviceGiven)
                fail(u"--device が 2 回指定されています"_s);
            deviceGiven = true;
            result.device = value;
            if (value.isEmpty())
                fail(u"--device のデバイスを指定してください"_s);
        } else if (name == u"--backup") {
            if (!takeValue())
                continue;
            if (backupGiven)
                fail(u"--backup が 2 回指定されています"_s);
            backupGiven = true;
            result.backupDir = value;
            if (value.isEmpty())
                fail(u"--backup のフォルダーを指定してください"_s);
        } else if (name == u"--verify" && !hasValue) {
            result.verify = true;
        } else {
            fail(u"不明なオプションです：%1"_s.arg(argument));
        }
    }
    if (portGiven && deviceGiven)
        fail(u"--port と --device は同時に指定できません"_s);

    if (help) {
        // --help wins over everything else, as most programs do.
        result.command = CliCommandKind::Help;
        result.usageError.clear();
        return result;
    }
    if (positional.isEmpty()) {
        fail(u"コマンドを指定してください"_s);
        return result;
    }
    result.commandName = positional.takeFirst();
    const CommandName *command = nullptr;
    for (const CommandName &c : Commands) {
        if (result.commandName == c.name)
            command = &c;
    }
    if (!command) {
        fail(u"不明なコマンドです：%1"_s.arg(result.commandName));
        return result;
    }
    result.command = command->kind;
    if (command->takesFile) {
        if (positional.isEmpty())
            fail(u"%1 のファイルを指定してください"_s.arg(result.commandName));
        else
            result.file = positional.takeFirst();
    }
    if (!positional.isEmpty())
        fail(u"余分な引数です：%1"_s.arg(positional.first()));
    // Only a write changes what the unit holds.
    if (result.command != CliCommandKind::Write) {
        if (backupGiven)
            fail(u"--backup は write とだけ使えます"_s);
        if (result.verify)
            fail(u"--verify は write とだけ使えます"_s);
    }
    return result;
}

QString cliUsageText()
{
    return uR"(使い方: kalvidor-cli コマンド [FILE] [--port N | --device PATH] [--json]
       kalvidor-cli write TABLE.csv [--backup DIR] [--verify] [--port N | --device PATH] [--json]

IDコード表を警報ユニット NELOR へ書き込み、警報ユニットの設定をファイルへ
読み込み、または警報ユニットとファイルを比較します（シリアル通信）。

コマンド:
  write TABLE.csv     表の 213 件の ID、警報時間設定、重機オペ許可人数を
                      警報ユニットへ書き込みます
  read OUT.csv        警報ユニットの ID と設定値を OUT.csv に保存します
  compare TABLE.csv   警報ユニットの 4 つの ID の一覧を表と比較します
  ports               このコンピューターのシリアルポートを表示します

write と compare が受け付けるのは正しい形式の IDコード表だけです: 215 行、
各行が行番号、コンマ、値（ID は 16進数 7 桁まで、警報時間設定は 1～99、
重機オペ許可人数は 1～4 の 10進数）。それ以外のファイルでは何も送信しません。

オプション:
  --port N            通信ポート N を使います: Windows では COMN、それ以外では
                      Kalvidor.ini の [PORTS] で COMN に指定したデバイス、
                      指定がなければ /dev/ttyS{N-1}
  --device PATH       このシリアルデバイスを使います（相対パスは現在の
                      フォルダーから）
                      （どちらもなければ、プログラムと同じフォルダーの
                      Kalvidor.ini に保存された通信ポートを使います）
  --backup DIR        write: 書き込む前に警報ユニットの ID と設定値を読み込み、
                      DIR/<ポート>-<日付>-<時刻>.csv に保存します（既存の
                      ファイルは上書きしません）。読み込めなければ何も
                      書き込みません
  --verify            write: 書き込んだ後に ID と設定値を読み込み、表と
                      比較します（ID は compare と同じく、警報時間設定と
                      重機オペ許可人数も）
  --json              結果を 1 つの JSON オブジェクトとして標準出力に出します
  -h, --help          この説明を表示します

結果は標準エラー出力に、メインウィンドウのメッセージと同じ言葉で出ます。

終了コード:
  0    完了。compare では ID の一覧が一致
  1    compare で ID の一覧が相違
  2    警報ユニットが応答しないか、コマンドを拒否した
  3    通信ポートを開けない
  4    ファイルを読み書きできない、または正しい形式の IDコード表ではない
  5    --verify で、書き込んだ後の警報ユニットの設定が表と相違
  64   使い方の誤り
  130  Ctrl+C で中断（143: 終了の要求）
)"_s;
}

} // namespace kalvidor
