#pragma once

#include "messages/messenger.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kalvidor {

// Standard output and standard error of the command line. Lines go out in
// the system's encoding (UTF-8 on Linux, the ANSI code page on Windows, the
// console's own on a Japanese system). A progress bar is drawn on standard
// error only when that is a terminal, and is erased before any other line.
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
    // Bytes on standard output as they are (the JSON report, UTF-8).
    void outBytes(const QByteArray &bytes);

    void progress(int done, int total);
    void endProgress();

    const QStringList &errorLines() const { return m_errorLines; }

private:
    bool m_terminal = false;
    bool m_barShown = false;
    QStringList m_errorLines;
};

} // namespace kalvidor
