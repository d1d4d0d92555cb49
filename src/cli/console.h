#pragma once

#include "messages/messenger.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kalvidor {

// Where a standard stream leads.
enum class StreamKind { Console, FileOrPipe };

// How text is written to a stream.
enum class OutputPath {
    // UTF-16 through the wide-character console API: a Windows console shows
    // the Japanese lines whatever its code page.
    WideConsole,
    // UTF-8 bytes: a file or a pipe on every system (a log stays readable
    // wherever it is opened), and a terminal elsewhere than on Windows.
    Utf8Bytes,
};

OutputPath outputPath(StreamKind kind, bool onWindows);

// Standard output and standard error of the command line, each written as
// outputPath() decides for what it leads to. A progress bar is drawn on
// standard error only when that is a console, and is erased before any
// other line.
class Console
{
public:
    Console();

    // One line on standard error; every line is also kept for the JSON report.
    void error(const QString &line);
    // A message as the window would show it: its text, then its details
    // line by line.
    void message(const Message &message);
    // One line on standard output.
    void out(const QString &line);
    // UTF-8 text on standard output as it is (the JSON report).
    void outUtf8(const QByteArray &bytes);

    // The bar for done of total commands, and after it the name of the
    // part of the run that is going on (empty: none).
    void progress(int done, int total, const QString &phase = {});
    void endProgress();

    const QStringList &errorLines() const { return m_errorLines; }

private:
    bool m_terminal = false;
    int m_barColumns = 0; // the columns the bar drawn takes; 0: none drawn
    QStringList m_errorLines;
};

} // namespace kalvidor
