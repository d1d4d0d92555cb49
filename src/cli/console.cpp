#include "console.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

constexpr int BarWidth = 40;

bool isTerminal(std::FILE *stream)
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

void put(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

Console::Console()
    : m_terminal(isTerminal(stderr))
{
}

void Console::error(const QString &line)
{
    endProgress();
    m_errorLines << line;
    put(stderr, (line + u'\n').toLocal8Bit());
}

void Console::message(const Message &message)
{
    error(message.text);
    if (message.details.isEmpty())
        return;
    const QStringList lines = message.details.split(u'\n');
    for (const QString &line : lines)
        error(line);
}

void Console::out(const QString &line)
{
    endProgress();
    put(stdout, (line + u'\n').toLocal8Bit());
}

void Console::outBytes(const QByteArray &bytes)
{
    endProgress();
    put(stdout, bytes);
}

void Console::progress(int done, int total)
{
    if (!m_terminal || total <= 0)
        return;
    const int filled = BarWidth * done / total;
    const QString bar = u"\r["_s + QString(filled, u'#') + QString(BarWidth - filled, u'.')
        + u"] %1/%2"_s.arg(done, 3).arg(total);
    put(stderr, bar.toLocal8Bit());
    m_barShown = true;
}

void Console::endProgress()
{
    if (!m_barShown)
        return;
    // Blank the bar's line so that the next line starts clean.
    put(stderr, (u'\r' + QString(BarWidth + 12, u' ') + u'\r').toLocal8Bit());
    m_barShown = false;
}

} // namespace kalvidor
