// Fuzz target for the table file reader: arbitrary bytes as a table file,
// and each of their lines through the CSV field splitter.
#include "../support/filebytes.h"
#include "files/idtablefile.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QDir>

#include <cstdint>
#include <cstdlib>

using namespace kalvidor;

namespace {

QString scratchPath(const char *name)
{
    return QDir::tempPath() + u"/kalvidor-fuzz-%1-"_qs.arg(QCoreApplication::applicationPid())
        + QLatin1String(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    static const QString input = scratchPath("in.csv");
    static const QString copy = scratchPath("copy.csv");
    if (!writeBytes(input, bytes))
        std::abort();

    // Sentinels that no file line can produce, so that untouched slots show.
    IdCodeTable table;
    table.ids.fill(-7);
    table.holdTime = -5;
    table.operatorAllowance = -6;
    if (loadIdCodeTable(input, table) != LoadOutcome::Loaded)
        std::abort(); // a readable file always loads
    for (qint32 id : table.ids) {
        if (id != -7 && (id < -1 || id > MaxIdValue))
            std::abort();
    }
    if (table.holdTime != -5 && (table.holdTime < 1 || table.holdTime > 99))
        std::abort();
    if (table.operatorAllowance != -6
        && (table.operatorAllowance < 1 || table.operatorAllowance > 4))
        std::abort();

    // Whatever was loaded saves and loads back unchanged (a slot or parameter
    // the file did not reach still holds its sentinel, which no file can hold).
    if (!saveIdCodeTable(copy, table))
        std::abort();
    IdCodeTable again;
    if (loadIdCodeTable(copy, again) != LoadOutcome::Loaded)
        std::abort();
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (table.ids[slot] != -7 && again.ids[slot] != table.ids[slot])
            std::abort();
    }
    if (table.holdTime != -5 && again.holdTime != table.holdTime)
        std::abort();
    if (table.operatorAllowance != -6 && table.holdTime != -5
        && again.operatorAllowance != table.operatorAllowance)
        std::abort();

    // The field splitter on each line: a field found never holds a comma, and
    // a missing field leaves the output alone.
    for (const QByteArray &line : bytes.split('\n')) {
        const QString text = QString::fromLatin1(line);
        for (int n = 1; n <= 3; ++n) {
            QString field = u"unchanged"_qs;
            const bool found = csvField(text, n, field);
            if (found ? field.contains(u',') : field != u"unchanged")
                std::abort();
        }
    }
    return 0;
}
