#include "console.h"

#include <cstdio>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

constexpr int BarWidth = 40;

#ifdef Q_OS_WIN
HANDLE handleOf(std::FILE *stream)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

StreamKind kindOf(std::FILE *stream)
{
    // A console answers for its mode; a file, a pipe or the NUL device does not.
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) ? StreamKind::Console : StreamKind::FileOrPipe;
}

void writeConsole(std::FILE *stream, const QString &text)
{
    const HANDLE console = handleOf(stream);
    const auto *data = reinterpret_cast<const wchar_t *>(text.utf16());
    qsizetype left = text.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = DWORD(left < 8192 ? left : 8192);
        if (!WriteConsoleW(console, data, chunk, &written, nullptr) || written == 0)
            return;
        data += written;
        left -= qsizetype(written);
    }
}
#else
StreamKind kindOf(std::FILE *stream)
{
    return isatty(fileno(stream)) ? StreamKind::Console : StreamKind::FileOrPipe;
}
#endif

void put(std::FILE *stream, const QString &text)
{
#ifdef Q_OS_WIN
    if (outputPath(kindOf(stream), true) == OutputPath::WideConsole) {
        writeConsole(stream, text);
        return;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

OutputPath outputPath(StreamKind kind, bool onWindows)
{
    return onWindows && kind == StreamKind::Console ? OutputPath::WideConsole
                                                    : OutputPath::Utf8Bytes;
}

Console::Console()
    : m_terminal(kindOf(stderr) == StreamKind::Console)
{
}

void Console::error(const QString &line)
{
    endProgress();
    m_errorLines << line;
    put(stderr, line + u'\n');
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
    put(stdout, line + u'\n');
}

void Console::outUtf8(const QByteArray &bytes)
{
    endProgress();
    put(stdout, QString::fromUtf8(bytes));
}

void Console::progress(int done, int total, const QString &phase)
{
    if (!m_terminal || total <= 0)
        return;
    const int filled = BarWidth * done / total;
    QString bar = u"["_s + QString(filled, u'#') + QString(BarWidth - filled, u'.')
        + u"] %1/%2"_s.arg(done, 3).arg(total);
    // The phase's name is Japanese: two columns a character.
    int columns = int(bar.size());
    if (!phase.isEmpty()) {
        bar += u' ' + phase;
        columns += 1 + 2 * int(phase.size());
    }
    put(stderr, u'\r' + bar);
    m_barColumns = std::max(m_barColumns, columns);
}

void Console::endProgress()
{
    if (m_barColumns == 0)
        return;
    // Blank the bar's line so that the next line starts clean.
    put(stderr, u'\r' + QString(m_barColumns, u' ') + u'\r');
    m_barColumns = 0;
}

} // namespace kalvidor
