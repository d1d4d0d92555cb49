#pragma once

#include "messages/messenger.h"

class QWidget;

namespace kalvidor {

// Shows each message as a modal QMessageBox.
class QtMessenger final : public Messenger
{
public:
    explicit QtMessenger(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }
    void setParent(QWidget *parent) { m_parent = parent; }
    MessageAnswer show(const Message &message) override;

private:
    QWidget *m_parent;
};

} // namespace kalvidor
