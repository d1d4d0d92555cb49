// Fuzz target for the text readers: leadingNumber() and its conversions,
// parseHexId(), and the ID entry normalisation. Input bytes are read as UTF-8
// and, separately, as Latin-1, so both ordinary and odd characters reach them.
#include "common/leadingnumber.h"
#include "table/idcodetable.h"
#include "table/identry.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace kalvidor;

namespace {

void check(const QString &text)
{
    const double v = leadingNumber(text);
    if (std::isnan(v))
        std::abort(); // a number read from text is never NaN
    roundHalfEvenToInt32(v);
    roundHalfEvenToInt16(v);
    floorToInt16(v);
    const int port = floorClamped(v, 1, 4);
    if (port < 1 || port > 4)
        std::abort();

    const qint32 id = parseHexId(text);
    if (text.size() >= 8 ? id != -1 : (id < 0 || id > MaxIdValue))
        std::abort();

    // Normalisation is idempotent and yields at most seven hex digits or the mark.
    const QString row = normalizedIdText(text);
    if (normalizedIdText(row) != row || (row != NoIdMark && row.size() > 7))
        std::abort();
    keepsIdPrefix(row, normalizedBaseIdText(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    check(QString::fromUtf8(chars, qsizetype(size)));
    check(QString::fromLatin1(chars, qsizetype(size)));
    return 0;
}
