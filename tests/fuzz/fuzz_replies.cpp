// Fuzz target for the evaluation of the unit's replies, for every command.
#include "link/protocol.h"
#include "table/idcodetable.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace kalvidor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Replies travel one byte per character.
    const QString reply
        = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));

    const bool accepted = isWriteAccepted(reply); // SID, STM, SNM
    if (accepted != reply.startsWith(u"OK"))
        std::abort();

    if (!isReadRefused(reply)) { // RID
        if (const auto v = ridReplyValue(reply); v && (*v <= 0 || *v >= MaxIdValue))
            std::abort();
    }
    // A reply is never both a late acknowledgement and a late value.
    if (isOtherKindOfReply(ReplyKind::Acknowledgement, QByteArrayView(data, qsizetype(size)))
        && isOtherKindOfReply(ReplyKind::Value, QByteArrayView(data, qsizetype(size))))
        std::abort();
    const qint16 t = parameterReplyValue(reply); // RTM, RNM
    if (reply.startsWith(u'N') && t != 0)
        std::abort();

    // Command formatting with values taken from the input: never cut, always one CR at the end.
    if (size >= 6) {
        const int slot = data[0] % 213;
        const qint32 element = qint32(
            quint32(data[1]) << 24 | quint32(data[2]) << 16 | quint32(data[3]) << 8 | data[4]);
        const QString sid = sidCommand(slot, element);
        if (!sid.startsWith(u"SID ") || !sid.endsWith(u'\r') || sid.count(u'\r') != 1)
            std::abort();
        const qint16 value = qint16(data[5] << 8 | data[4]);
        const QString stm = writeParameterCommand(
            (data[5] & 1) ? UnitParameter::OperatorAllowance : UnitParameter::HoldTime, value);
        if (!stm.endsWith(u'\r') || stm.size() < 7)
            std::abort();
    }
    return 0;
}
