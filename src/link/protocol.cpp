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

QString writeParameterCommand(UnitParameter parameter, qint16 value)
{
    const QString word = parameter == UnitParameter::HoldTime ? u"STM "_s : u"SNM "_s;
    return word + paddedNumber(value, 2) + CR;
}

QString readParameterCommand(UnitParameter parameter)
{
    return (parameter == UnitParameter::HoldTime ? u"RTM"_s : u"RNM"_s) + CR;
}

bool isWriteAccepted(QStringView reply)
{
    return reply.startsWith(u"OK");
}

bool isReadRefused(QStringView reply)
{
    return reply.startsWith(u'N') || reply.startsWith(u'R');
}

bool isParameterReadRefused(QStringView reply)
{
    return reply.startsWith(u'N');
}

bool isOtherKindOfReply(ReplyKind awaited, QByteArrayView reply)
{
    if (awaited == ReplyKind::Value)
        return reply.startsWith("OK");
    if (reply.isEmpty())
        return false;
    const char first = reply.front();
    return (first >= '0' && first <= '9') || first == '-';
}

std::optional<qint32> ridReplyValue(QStringView reply)
{
    const std::optional<qint32> n = roundHalfEvenToInt32(leadingNumber(reply));
    if (n && *n > 0 && *n < MaxIdValue)
        return n;
    return std::nullopt;
}

qint16 parameterReplyValue(QStringView reply)
{
    if (isParameterReadRefused(reply))
        return 0;
    return roundHalfEvenToInt16(leadingNumber(reply)).value_or(0);
}

} // namespace kalvidor
