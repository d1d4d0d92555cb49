#include "idtablefile.h"

#include "boundedlinereader.h"
#include "common/leadingnumber.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

constexpr int HoldTimeLine = SlotCount; // counter 213: line 214
constexpr int AllowanceLine = SlotCount + 1; // counter 214: line 215
constexpr int LineCount = TableFileLineCount; // 215

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return digitValue(c, 10) >= 0;
}

// Whether the whole text, blanks around it aside, is one decimal number.
bool isDecimalNumber(QStringView text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;
    const QStringView number = text.sliced(i, end - i);
    return !number.isEmpty() && decimalNumberLength(number) == number.size();
}

bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isDigit);
}

bool isHexDigit(QChar c)
{
    return digitValue(c, 16) >= 0;
}

// The parameter line 214 or 215 (k counted from 0) holds.
UnitParameter parameterOfLine(int k)
{
    return k == HoldTimeLine ? UnitParameter::HoldTime : UnitParameter::OperatorAllowance;
}

// The most digits an ID has: MaxIdValue, FFFFFFF. An eighth digit reads as -1.
constexpr qsizetype MaxIdDigits = 7;

// Whether line k (counted from 0) is a line of a well-formed table file: its
// line number, one comma and a value that the load takes as written.
TableFileFault lineFault(int k, QStringView line)
{
    const qsizetype comma = line.indexOf(u',');
    const QStringView number = comma < 0 ? line : line.first(comma);
    bool ok = false;
    if (!isDigits(number) || number.toInt(&ok) != k + 1 || !ok)
        return TableFileFault::LineNumber;
    if (comma < 0)
        return TableFileFault::Value;
    const QStringView value = line.sliced(comma + 1);
    if (k < SlotCount) {
        const bool isId = !value.isEmpty() && value.size() <= MaxIdDigits
            && std::all_of(value.begin(), value.end(), isHexDigit);
        return isId ? TableFileFault::None : TableFileFault::Value;
    }
    const int n = isDigits(value) ? value.toInt(&ok) : 0;
    return ok && inRange(parameterOfLine(k), n) ? TableFileFault::None : TableFileFault::Value;
}

// The value of line 214 or 215: none when the text is no number; 0 when the
// number lies outside the signed 32-bit range, so that the default applies.
std::optional<qint32> readDecimal(QStringView text)
{
    if (!isDecimalNumber(text))
        return std::nullopt;
    return roundHalfEvenToInt32(leadingNumber(text)).value_or(0);
}

} // namespace

bool saveIdCodeTable(const QString &path, const IdCodeTable &table)
{
    QByteArray content;
    content.reserve(LineCount * 14);
    for (int slot = 0; slot < SlotCount; ++slot)
        content += QByteArray::number(slot + 1) + ',' + idText(table.ids[slot]).toLatin1() + "\r\n";
    content
        += QByteArray::number(HoldTimeLine + 1) + ',' + QByteArray::number(table.holdTime) + "\r\n";
    content += QByteArray::number(AllowanceLine + 1) + ','
        + QByteArray::number(table.operatorAllowance) + "\r\n";

    // Written beside the target and renamed over it only when complete, so a
    // failed save leaves the previous file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The last buffered bytes are written by flush(); commit() would rename
    // the file over the old one even when that failed (a full disk).
    if (file.write(content) != content.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

LoadOutcome loadIdCodeTable(
    const QString &path, IdCodeTable &table, TableFileStrictness strictness, TableFileCheck *check)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadOutcome::CannotOpen;

    // Filled in a copy so that a read error leaves the table as it was.
    IdCodeTable loaded = table;
    TableFileCheck found;
    bool loading = true;
    BoundedLineReader reader(file);
    QByteArray bytes;
    // Every line is counted; the first 215 are checked, and loaded up to a
    // line 214/215 that is no number.
    for (int k = 0; reader.readLine(bytes); ++k) {
        found.lineCount = k + 1;
        if (k >= LineCount)
            continue;
        const QString line = QString::fromLocal8Bit(bytes);
        if (found.line == 0) {
            if (const TableFileFault fault = lineFault(k, line); fault != TableFileFault::None) {
                found.fault = fault;
                found.line = k + 1;
            }
        }
        if (!loading)
            continue;
        QString field;
        const bool hasField = csvField(line, 2, field);
        if (k < SlotCount) {
            // A line without a value leaves its slot alone.
            if (hasField)
                loaded.ids[k] = parseHexId(field);
            continue;
        }
        const std::optional<qint32> value = hasField ? readDecimal(field) : std::optional<qint32>();
        if (!value) {
            loading = false; // no number: what was read so far stays
            continue;
        }
        if (k == HoldTimeLine)
            loaded.holdTime
                = inRange(UnitParameter::HoldTime, *value) ? qint16(*value) : DefaultHoldTime;
        else
            loaded.operatorAllowance = inRange(UnitParameter::OperatorAllowance, *value)
                ? qint16(*value)
                : DefaultOperatorAllowance;
    }
    if (reader.failed())
        return LoadOutcome::CannotOpen;

    // The line count outweighs a line at fault: it says the file is not the
    // table's shape at all.
    if (found.lineCount != LineCount) {
        found.fault = TableFileFault::LineCount;
        found.line = 0;
    }
    if (check)
        *check = found;
    if (strictness == TableFileStrictness::Strict && !found.isWellFormed())
        return LoadOutcome::NotATable;
    table = loaded;
    return LoadOutcome::Loaded;
}

bool canSaveIdCodeTable(const QString &path)
{
    // The save's own first step: a file beside the target, which is removed
    // again when the writing is cancelled.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.cancelWriting();
    return true;
}

bool csvField(QStringView line, int n, QString &field)
{
    QStringView rest = line;
    for (int i = 1; i <= n; ++i) {
        if (rest.isEmpty())
            return false;
        const qsizetype comma = rest.indexOf(u',');
        const qsizetype length = comma < 0 ? rest.size() : comma;
        if (i == n) {
            field = rest.first(length).toString();
            return true;
        }
        rest = comma < 0 ? QStringView() : rest.sliced(comma + 1);
    }
    return false;
}

QString tableFilePath(const QString &programDir)
{
    return programDir + u"/IdCodeTable.csv"_s;
}

QString settingsFilePath(const QString &programDir)
{
    return programDir + u"/Kalvidor.ini"_s;
}

} // namespace kalvidor
