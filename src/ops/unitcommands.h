#pragma once

#include "table/idcodetable.h"

#include <QObject>
#include <QString>

namespace kalvidor {

class Messenger;
class UnitLink;

// What the unit commands need from the window they run in.
class UnitCommandHost
{
public:
    virtual ~UnitCommandHost() = default;
    // GatherTable at the scroll bars' current positions.
    virtual void gatherTable() = 0;
    virtual void showTable() = 0;
    // Show frm_Comm modeless, and hide it again.
    virtual void showLinkWindow() = 0;
    virtual void hideLinkWindow() = 0;
};

// The write, read and compare commands: each prepares the table, runs the
// link's exchanges in order and turns their outcome into one message.
// Nothing here touches a widget; the host does that.
class UnitCommands : public QObject
{
    Q_OBJECT

public:
    // Commands a write or a read sends: 213 IDs and the two parameters.
    static constexpr int CommandsPerTransfer = SlotCount + 2;

    UnitCommands(UnitLink &link, IdCodeTable &table, Messenger &messenger, UnitCommandHost &host,
        QObject *parent = nullptr);

    // "NELORへ流し込み" and the button "ID登録".
    void writeToUnit();
    // "NELORから読込み".
    void readFromUnit();
    // "比較確認".
    void compareWithUnit();

    // True from the start of a command to the end of its message. A command
    // requested meanwhile does nothing.
    bool isRunning() const { return m_running; }

    // The list caption and row number under which the window shows a slot:
    // "重　機 38"; the base ID has no row number.
    static QString slotPlace(int slot);

signals:
    void runningChanged(bool running);
    // During a write or a read: commands answered out of CommandsPerTransfer.
    void progress(int done, int total);

private:
    class RunningScope;
    // Where a write or a read stopped, as "failed at" details.
    enum class Step { Ids, HoldTime, Allowance };

    void onLinkProgress(int done);
    void startProgress();
    void advanceProgress();
    // timin with a note of whether the unit answered at all.
    qint16 readParameter(int mode, bool &answered);
    QString stopDetails(bool writing, Step step) const;
    QString differenceDetails(const std::array<qint32, SlotCount> &unitIds) const;
    void reportNotConnected(const QString &details);

    UnitLink &m_link;
    IdCodeTable &m_table;
    Messenger &m_messenger;
    UnitCommandHost &m_host;
    bool m_running = false;
    bool m_counting = false; // a write or a read reports its progress
    bool m_replied = false; // the link showed a reply since the last command went out
    int m_idsDone = 0; // IDs answered so far in this command
    int m_done = 0; // all commands answered so far in this command
};

} // namespace kalvidor
