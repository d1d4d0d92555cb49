#pragma once

#include "table/idcodetable.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace kalvidor {

// The unit's line commands and the tests applied to its replies. Pure
// functions: the link (unitlink.h) does the talking.

// What a command waits for: writes are acknowledged with "OK", reads answer
// with a value (or a refusal).
enum class ReplyKind { Acknowledgement, Value };

// The time limit of each command, in milliseconds.
struct LinkLimits
{
    int sid = 20000;
    int rid = 2000;
    int stm = 10000;
    int snm = 10000;
    int rtm = 2000;
    int rnm = 2000;
};

// A decimal number zero-padded on the left to at least width digits and never
// cut; a negative number is a minus sign followed by its padded digits
// (-5 in width 9 reads "-000000005").
QString paddedNumber(qint64 value, int width);

// The ID value SID sends for a slot: slot 0 whole; every other slot the
// remainder of the element divided by 65536, carrying the element's sign.
qint32 sidValue(int slot, qint32 element);

// "SID " + slot in 3 digits + "," + the slot's ID value in 9 digits + CR.
QString sidCommand(int slot, qint32 element);
// "RID " + slot in at least 2 digits + CR.
QString ridCommand(int slot);
// "STM " (hold time) or "SNM " (allowance) + value in at least 2 digits + CR.
QString writeParameterCommand(UnitParameter parameter, qint16 value);
// "RTM" + CR (hold time) or "RNM" + CR (allowance).
QString readParameterCommand(UnitParameter parameter);

// A write (SID, STM, SNM) is accepted when the reply begins with "OK".
bool isWriteAccepted(QStringView reply);
// A read (RID) is refused when the reply begins with "N" or "R".
bool isReadRefused(QStringView reply);
// A parameter read (RTM, RNM) is refused when the reply begins with "N".
bool isParameterReadRefused(QStringView reply);
// Whether a complete reply is shaped as the answer to the other kind of
// command: a number (a digit or a minus sign first) where an acknowledgement
// is awaited, or "OK" where a value is. Such a line is the late reply to an
// earlier command, not the answer to the one waiting.
bool isOtherKindOfReply(ReplyKind awaited, QByteArrayView reply);
// The ID value an RID reply carries: its leading number rounded half to even,
// taken only when 0 < n < 268435455. No value leaves the slot unchanged.
std::optional<qint32> ridReplyValue(QStringView reply);
// The value an RTM/RNM reply carries: 0 for a reply beginning with "N",
// otherwise its leading number rounded half to even; 0 when that lies
// outside the 16-bit range.
qint16 parameterReplyValue(QStringView reply);

} // namespace kalvidor
