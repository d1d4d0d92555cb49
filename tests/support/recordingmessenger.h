#pragma once

#include "messages/messenger.h"

#include <QList>

#include <functional>

// Records every message instead of showing it, and answers from a queue of
// answers that a test sets up in advance (OK when the queue is empty).
class RecordingMessenger final : public kalvidor::Messenger
{
public:
    kalvidor::MessageAnswer show(const kalvidor::Message &message) override;

    void queueAnswer(kalvidor::MessageAnswer answer) { m_answers.append(answer); }
    // Called with each message as it is shown, to look at the program then.
    void setOnShow(std::function<void(const kalvidor::Message &)> look)
    {
        m_onShow = std::move(look);
    }
    const QList<kalvidor::Message> &messages() const { return m_messages; }
    QStringList texts() const;
    void clear() { m_messages.clear(); }

private:
    QList<kalvidor::Message> m_messages;
    QList<kalvidor::MessageAnswer> m_answers;
    std::function<void(const kalvidor::Message &)> m_onShow;
};
