#pragma once

#include <QByteArrayList>
#include <QString>

namespace kalvidor::bench {

// The floor under the link's figures: the same command lines sent by a
// plain blocking client (write, then poll() and read() until the reply's CR)
// on the same pseudo-terminal, with no Qt in the loop. What the link takes
// beyond this is its own cost; what this takes is the kernel's and the
// simulator's.
struct PlainRun
{
    qint64 ns = 0;
    qint64 bytesOut = 0;
    qint64 bytesIn = 0;
    QString error;
};

PlainRun runPlainClient(const QString &device, const QByteArrayList &commands);

} // namespace kalvidor::bench
