#pragma once

#include "messages/appinfo.h"

#include <QString>

namespace kalvidor {

enum class MessageIcon { Information, Exclamation };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// One message box as the program shows it. Everything the user is told goes
// through this, so that tests can check the exact text, icon and buttons and
// answer without a modal window.
struct Message
{
    QString text;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
    QString title = applicationTitle();
    QString details; // shown as the box's detailed text when not empty
};

class Messenger
{
public:
    virtual ~Messenger() = default;
    virtual MessageAnswer show(const Message &message) = 0;

    MessageAnswer inform(const QString &text)
    {
        return show({ text, MessageIcon::Information, MessageButtons::Ok, applicationTitle(), {} });
    }
    MessageAnswer warn(const QString &text)
    {
        return show({ text, MessageIcon::Exclamation, MessageButtons::Ok, applicationTitle(), {} });
    }
};

} // namespace kalvidor
