#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace kalvidor {

// The unit's line commands and the tests applied to its replies. Pure
// functions: the link (unitlink.h) does the talking.

// Result codes of the exchanges setout, setin and timout. timin returns the
// value it read instead, and ExchangeNotOpen when no reply came in time.
inline constexpr qint16 ExchangeOk = 0;
inline constexpr qint16 ExchangeFailed = -1; // no reply in time, or a refusing reply
inline constexpr qint16 ExchangeNotOpen = -2; // the port is not open; the port message was shown
// Another exchange is still waiting for its reply: nothing was sent and
// nothing was shown. Callers show no message for it.
inline constexpr qint16 ExchangeBusy = -3;

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
// "STM " (mode 0) or "SNM " (mode 1) + value in at least 2 digits + CR;
// empty for any other mode.
QString timoutCommand(qint16 value, int mode);
// "RTM" + CR (mode 0) or "RNM" + CR (mode 1); empty for any other mode.
QString timinCommand(int mode);

// A write (SID, STM, SNM) is accepted when the reply begins with "OK".
bool isWriteAccepted(QStringView reply);
// A read (RID) is refused when the reply begins with "N" or "R".
bool isReadRefused(QStringView reply);
// The ID value an RID reply carries: its leading number rounded half to even,
// taken only when 0 < n < 268435455. No value leaves the slot unchanged.
std::optional<qint32> ridReplyValue(QStringView reply);
// The value an RTM/RNM reply carries: 0 for a reply beginning with "N",
// otherwise its leading number rounded half to even; 0 when that lies
// outside the 16-bit range.
qint16 timinReplyValue(QStringView reply);

} // namespace kalvidor
