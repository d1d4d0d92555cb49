#include "recordingmessenger.h"

using namespace kalvidor;

MessageAnswer RecordingMessenger::show(const Message &message)
{
    m_messages.append(message);
    if (m_onShow)
        m_onShow(message);
    return m_answers.isEmpty() ? MessageAnswer::Ok : m_answers.takeFirst();
}

QStringList RecordingMessenger::texts() const
{
    QStringList out;
    for (const Message &m : m_messages)
        out.append(m.text);
    return out;
}
