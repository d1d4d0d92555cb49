#include "protocol.h"

#include "common/leadingnumber.h"
#include "table/idcodetable.h"

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

const QChar CR = u'\r';

} // namespace

QString paddedNumber(qint64 value, int width)
{
    // The magnitude as unsigned so that the most negative value has digits too.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    const QString digits = QString::number(magnitude).rightJustified(width, u'0');
    return value < 0 ? u'-' + digits : digits;
}

qint32 sidValue(int slot, qint32 element)
{
    // C++ % truncates toward zero, so the remainder keeps the element's sign.
    return slot == 0 ? element : element % 65536;
}

QString sidCommand(int slot, qint32 element)
{
    return u"SID "_s + paddedNumber(slot, 3) + u',' + paddedNumber(sidValue(slot, element), 9) + CR;
}

QString ridCommand(int slot)
{
    return u"RID "_s + paddedNumber(slot, 2) + CR;
}

QString timoutCommand(qint16 value, int mode)
{
    switch (mode) {
    case 0:
        return u"STM "_s + paddedNumber(value, 2) + CR;
    case 1:
        return u"SNM "_s + paddedNumber(value, 2) + CR;
    default:
        return {};
    }
}

QString timinCommand(int mode)
{
    switch (mode) {
    case 0:
        return u"RTM"_s + CR;
    case 1:
        return u"RNM"_s + CR;
    default:
        return {};
    }
}

bool isWriteAccepted(QStringView reply)
{
    return reply.startsWith(u"OK");
}

bool isReadRefused(QStringView reply)
{
    return reply.startsWith(u'N') || reply.startsWith(u'R');
}

std::optional<qint32> ridReplyValue(QStringView reply)
{
    const std::optional<qint32> n = roundHalfEvenToInt32(LeadingNumber(reply));
    if (n && *n > 0 && *n < MaxIdValue)
        return n;
    return std::nullopt;
}

qint16 timinReplyValue(QStringView reply)
{
    if (reply.startsWith(u'N'))
        return 0;
    return roundHalfEvenToInt16(LeadingNumber(reply)).value_or(0);
}

} // namespace kalvidor
