#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

namespace kalvidor {

// Reads text lines from a device without trusting the file: a line ends at CR
// LF, a lone LF or a lone CR, and only its first maxLength bytes are kept (the
// rest is skipped, not held), so a huge or binary file costs bounded memory.
// Also reports the byte offsets of each line, for rewriting a file in place.
class BoundedLineReader
{
public:
    static constexpr qsizetype DefaultMaxLength = 4096;

    explicit BoundedLineReader(QIODevice &device, qsizetype maxLength = DefaultMaxLength);

    // The next line without its line end. False at the end of the data or
    // after a read error (see failed()).
    bool readLine(QByteArray &line);

    bool failed() const { return m_failed; }
    bool truncated() const { return m_truncated; } // the last line was cut

    // Offsets of the last line read, from the device position at construction.
    qint64 lineStart() const { return m_lineStart; }
    qint64 contentEnd() const { return m_contentEnd; } // where its line end starts
    qint64 lineEnd() const { return m_lineEnd; } // just past its line end

private:
    bool fill();
    qint64 position() const { return m_bufferStart + m_pos; }

    QIODevice &m_device;
    qsizetype m_maxLength;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_bufferStart = 0;
    bool m_atEnd = false;
    bool m_failed = false;
    bool m_truncated = false;
    qint64 m_lineStart = 0;
    qint64 m_contentEnd = 0;
    qint64 m_lineEnd = 0;
};

} // namespace kalvidor
