#include "inifile.h"

#include "boundedlinereader.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

constexpr qsizetype MaxValueBytes = 127; // what a 128-byte buffer with its terminator holds
const QString MissingValue = u"ERR"_s;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimmedBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toByteArray();
}

bool sameName(QByteArrayView fileName, const QString &wanted)
{
    return QString::fromLocal8Bit(fileName).compare(wanted, Qt::CaseInsensitive) == 0;
}

QString trimmedName(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

// One line of the file, classified.
struct IniLine
{
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    QByteArray name; // section name or key, without the blanks around it
    QByteArray value; // for a key: the text after the first '=', without blanks around it
};

IniLine classify(const QByteArray &line)
{
    IniLine result;
    const QByteArray text = trimmedBlanks(line);
    if (text.isEmpty() || text.startsWith(';'))
        return result;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close > 0) {
            result.kind = IniLine::Kind::Section;
            result.name = trimmedBlanks(QByteArrayView(text).sliced(1, close - 1));
        }
        return result;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return result;
    result.kind = IniLine::Kind::Key;
    result.name = trimmedBlanks(QByteArrayView(text).first(equals));
    result.value = trimmedBlanks(QByteArrayView(text).sliced(equals + 1));
    return result;
}

// Where a key stands in a file, or where it would go.
struct IniLookup
{
    bool readFailed = false;
    bool keyFound = false;
    QByteArray value;
    qint64 keyLineStart = 0; // the key's line, without its line end
    qint64 keyContentEnd = 0;
    bool sectionFound = false;
    qint64 insertAt = 0; // just after the last line of the first matching section
    bool insertNeedsLineEnd = false; // that line is the last one and has no line end
};

// The first key of that name in any section of that name. Section and key
// compare without regard to case. A new key goes to the end of the first
// section of that name, after its last key line, so that comments and blank
// lines before the next section stay with it.
IniLookup lookUp(QIODevice &device, const QString &section, const QString &key)
{
    IniLookup found;
    BoundedLineReader reader(device);
    QByteArray line;
    bool inSection = false;
    bool inFirstSection = false;
    qint64 lastLineEnd = 0;
    bool lastLineHasEnd = true;
    while (reader.readLine(line)) {
        lastLineEnd = reader.lineEnd();
        lastLineHasEnd = reader.contentEnd() != reader.lineEnd();
        const IniLine parsed = classify(line);
        if (parsed.kind == IniLine::Kind::Section) {
            inSection = sameName(parsed.name, section);
            inFirstSection = inSection && !found.sectionFound;
            if (inFirstSection) {
                found.sectionFound = true;
                found.insertAt = reader.lineEnd();
                found.insertNeedsLineEnd = !lastLineHasEnd;
            }
            continue;
        }
        if (parsed.kind != IniLine::Kind::Key || !inSection)
            continue;
        if (sameName(parsed.name, key)) {
            found.keyFound = true;
            found.value = parsed.value;
            found.keyLineStart = reader.lineStart();
            found.keyContentEnd = reader.contentEnd();
            return found;
        }
        if (inFirstSection) {
            found.insertAt = reader.lineEnd();
            found.insertNeedsLineEnd = !lastLineHasEnd;
        }
    }
    found.readFailed = reader.failed();
    if (!found.sectionFound) {
        found.insertAt = lastLineEnd;
        found.insertNeedsLineEnd = !lastLineHasEnd;
    }
    return found;
}

// Copies the bytes [from, to) of source into target, a chunk at a time.
bool copyRange(QIODevice &source, qint64 from, qint64 to, QIODevice &target)
{
    if (!source.seek(from))
        return false;
    QByteArray chunk;
    for (qint64 left = to - from; left > 0;) {
        chunk = source.read(std::min<qint64>(left, 64 * 1024));
        if (chunk.isEmpty() || target.write(chunk) != chunk.size())
            return false;
        left -= chunk.size();
    }
    return true;
}

// A value is one line: anything from the first line break (or NUL, which
// would end the value when read back) on is dropped, so a value can never
// add lines or keys to the file.
QByteArray valueLine(const QString &value)
{
    QByteArray bytes = value.toLocal8Bit();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\0') {
            bytes.truncate(i);
            break;
        }
    }
    return bytes;
}

// Names that would not read back as the same section or key are refused.
bool isWritableName(const QString &name, bool isSection)
{
    if (name.contains(u'\r') || name.contains(u'\n') || name.contains(QChar(0)))
        return false;
    if (isSection)
        return !name.contains(u']');
    return !name.isEmpty() && !name.contains(u'=') && !name.startsWith(u';')
        && !name.startsWith(u'[');
}

} // namespace

QString readIni(const QString &section, const QString &key, const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return MissingValue;
    const IniLookup found = lookUp(in, trimmedName(section), trimmedName(key));
    if (!found.keyFound)
        return MissingValue;
    QByteArray value = found.value;
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value.truncate(nul);
    // Cut the bytes first, as a fixed buffer would; a character cut in half
    // decodes as a replacement character.
    value.truncate(MaxValueBytes);
    return QString::fromLocal8Bit(value);
}

bool writeIni(const QString &section, const QString &key, const QString &file, const QString &value)
{
    const QString sectionName = trimmedName(section);
    const QString keyName = trimmedName(key);
    if (!isWritableName(sectionName, true) || !isWritableName(keyName, false))
        return false;
    const QByteArray keyLine = keyName.toLocal8Bit() + '=' + valueLine(value);
    const QByteArray sectionLine = '[' + sectionName.toLocal8Bit() + ']';

    QFile old(file);
    const bool hadFile = old.exists();
    IniLookup found;
    if (hadFile) {
        if (!old.open(QIODevice::ReadOnly))
            return false;
        found = lookUp(old, sectionName, keyName);
        if (found.readFailed)
            return false;
    }

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    bool ok = true;
    if (!hadFile) {
        ok = out.write(sectionLine + "\r\n" + keyLine + "\r\n") >= 0;
    } else if (found.keyFound) {
        // Only the key's text changes; its line end stays what it was.
        ok = copyRange(old, 0, found.keyLineStart, out) && out.write(keyLine) == keyLine.size()
            && copyRange(old, found.keyContentEnd, old.size(), out);
    } else {
        QByteArray insert = found.insertNeedsLineEnd ? "\r\n" : "";
        if (!found.sectionFound)
            insert += sectionLine + "\r\n";
        insert += keyLine + "\r\n";
        ok = copyRange(old, 0, found.insertAt, out) && out.write(insert) == insert.size()
            && copyRange(old, found.insertAt, old.size(), out);
    }
    // The last buffered bytes are written by flush(); commit() would rename
    // the file over the old one even when that failed (a full disk).
    if (!ok || !out.flush()) {
        out.cancelWriting();
        return false;
    }
    // Windows replaces no file that is still open, not even for reading.
    old.close();
    return out.commit();
}

} // namespace kalvidor
