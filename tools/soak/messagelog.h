#pragma once

#include "messages/messenger.h"

#include <QList>
#include <QStringList>

#include <utility>

namespace kalvidor::soak {

// Records every message box instead of showing it and answers OK; the soak
// takes the messages of each command and compares them with the expected ones.
class MessageLog final : public Messenger
{
public:
    MessageAnswer show(const Message &message) override
    {
        m_messages.append(message);
        return MessageAnswer::Ok;
    }

    // The messages shown since the last take, oldest first.
    QList<Message> take() { return std::exchange(m_messages, {}); }

private:
    QList<Message> m_messages;
};

} // namespace kalvidor::soak
