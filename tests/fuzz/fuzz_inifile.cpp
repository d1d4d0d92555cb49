// Fuzz target for the settings file: arbitrary bytes as an INI file, read,
// then written to and read back.
#include "files/inifile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

using namespace kalvidor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path
        = QDir::tempPath() + u"/kalvidor-fuzz-%1.ini"_qs.arg(QCoreApplication::applicationPid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || f.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }

    const QString port = readIni(u"CONF"_qs, u"PORT"_qs, path);
    // At most 127 bytes are read; each decodes to at most one UTF-16 unit (a
    // byte that is no valid character becomes one replacement character).
    if (port.size() > 127)
        std::abort();
    const QString other = readIni(u"ZZZ"_qs, u"Q"_qs, path);

    // A write of the port reads back, and leaves another section's key alone.
    if (writeIni(u"CONF"_qs, u"PORT"_qs, path, u"3"_qs)) {
        if (readIni(u"CONF"_qs, u"PORT"_qs, path) != u"3")
            std::abort();
        if (readIni(u"ZZZ"_qs, u"Q"_qs, path) != other)
            std::abort();
    }
    return 0;
}
