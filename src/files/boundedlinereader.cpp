#include "boundedlinereader.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace kalvidor {

namespace {
constexpr qint64 ChunkSize = 16 * 1024;
}

BoundedLineReader::BoundedLineReader(QIODevice &device, qsizetype maxLength)
    : m_device(device)
    , m_maxLength(maxLength)
{
}

// Replaces the consumed buffer with the next chunk. False when nothing more
// can be read.
bool BoundedLineReader::fill()
{
    if (m_atEnd)
        return false;
    m_bufferStart += m_buffer.size();
    m_pos = 0;
    m_buffer.resize(ChunkSize);
    const qint64 got = m_device.read(m_buffer.data(), ChunkSize);
    if (got <= 0) {
        m_buffer.clear();
        m_atEnd = true;
        m_failed = got < 0;
        return false;
    }
    m_buffer.resize(got);
    return true;
}

bool BoundedLineReader::readLine(QByteArray &line)
{
    line.clear();
    m_truncated = false;
    if (m_pos == m_buffer.size() && !fill())
        return false;

    m_lineStart = position();
    for (;;) {
        if (m_pos == m_buffer.size() && !fill()) {
            // The last line, without a line end (or cut short by a read error).
            m_contentEnd = m_lineEnd = position();
            return !m_failed;
        }
        const char *begin = m_buffer.constData() + m_pos;
        const qsizetype available = m_buffer.size() - m_pos;
        const char *stop
            = std::find_if(begin, begin + available, [](char c) { return c == '\r' || c == '\n'; });
        const qsizetype textLength = stop - begin;
        const qsizetype keep = std::min(textLength, m_maxLength - line.size());
        line.append(begin, keep);
        if (keep < textLength)
            m_truncated = true;
        m_pos += textLength;
        if (textLength == available)
            continue;

        m_contentEnd = position();
        const char end = m_buffer.at(m_pos++);
        if (end == '\r' && (m_pos < m_buffer.size() || fill()) && m_buffer.at(m_pos) == '\n')
            ++m_pos;
        m_lineEnd = position();
        return !m_failed;
    }
}

} // namespace kalvidor
