#pragma once

#include "link/protocol.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <functional>

class QEventLoop;

namespace kalvidor {

struct LinkConfig
{
    // Names the serial device to open, asked at every load: what it names
    // may change between loads (another port stored meanwhile). Without it
    // no port opens.
    std::function<QString()> device {};
    LinkLimits limits {};
    int tickInterval = 1000; // ms between two looks for text the unit sent on its own
};

// How one exchange (one command and its reply) ended.
enum class ExchangeStatus {
    Answered, // a reply came in time and did not refuse the command
    Refused, // a reply came in time and refused the command
    NoReply, // no reply within the time limit, or the port failed meanwhile
    PortNotOpen, // the port is not open: nothing was sent
    Busy, // another exchange is waiting for its reply: nothing was sent
};

struct ExchangeResult
{
    ExchangeStatus status = ExchangeStatus::NoReply;
    // The reply as received, one character per byte, from the start of the
    // receive buffer up to and including its CR and whatever came with it.
    // Empty unless the status is Answered or Refused.
    QString reply;

    bool answered() const { return status == ExchangeStatus::Answered; }
};

// The link to the unit: owns the serial port, collects the unit's replies and
// carries out one command at a time. An exchange writes its command and waits
// for the reply in a local event loop, so the rest of the program keeps
// running meanwhile. Everything happens on the GUI thread.
//
// Text the unit sends on its own (a version banner, a late reply, and once
// after each sequence the last reply of that sequence) is handed out through
// unitTextReceived() when no sequence runs.
class UnitLink : public QObject
{
    Q_OBJECT

public:
    // The most the receive buffer holds; further bytes are dropped until the
    // next command clears it, so a unit that streams without line ends
    // cannot exhaust memory (that exchange ends as a time-out).
    static constexpr qsizetype ReceiveBufferCap = 64 * 1024;

    explicit UnitLink(LinkConfig config, QObject *parent = nullptr);
    ~UnitLink() override;

    // (Re)opens the port on the device the configuration names now. Every
    // step runs even if one before it failed; failures are silent: the next
    // exchange reports PortNotOpen. Starts the tick that hands out the
    // unit's own text. An exchange on an unloaded link loads it first.
    void load();
    // Loads the link once the event loop runs, unless it was loaded or
    // unloaded before then: the program's start opens the stored port this
    // way, after its window has been shown.
    void loadWhenIdle();
    // Stops the tick and closes the port. The receive buffer survives. An
    // exchange waiting at this moment ends as NoReply.
    void unload();
    bool isLoaded() const { return m_loaded; }
    bool isPortOpen() const;
    // The device the port was last opened on (or tried).
    QString deviceName() const { return m_port.portName(); }
    const LinkLimits &limits() const { return m_config.limits; }

    // Whether a sequence is running: the one answer to that question, which
    // the session, the unit operations and the port dialog ask. An exchange
    // waits inside a sequence, its own when nobody opened one.
    bool isBusy() const { return m_sequenceOpen; }

    // A sequence groups exchanges that belong together (a whole write, read
    // or compare): the tick stays away from the receive buffer in between,
    // and the last reply of the sequence is handed out once when it ends.
    // beginSequence() returns false, and opens nothing, while busy.
    bool beginSequence();
    void endSequence();

    // One command each; see protocol.h for the texts and replies.
    ExchangeResult writeId(int slot, qint32 element); // SID
    ExchangeResult readId(int slot); // RID
    ExchangeResult writeParameter(UnitParameter parameter, qint16 value); // STM, SNM
    ExchangeResult readParameter(UnitParameter parameter); // RTM, RNM

    // Ends the exchange waiting now, if any, as NoReply; the port stays open.
    void abortWait();

    // Empties the receive buffer and forgets any text not
    // handed out yet (the receive display was cleared). While an exchange
    // waits it does nothing: what arrives then is that exchange's reply.
    void clearReceived();

    // The receive state, one character per received byte.
    QString receiveBuffer() const { return QString::fromLatin1(m_receiveBuffer); }
    bool replyComplete() const { return m_replyComplete; }

signals:
    // A command was written (or would have been, on a port that failed
    // since): its text with the CR.
    void commandSent(const QString &command);
    // The reply to the command last sent came in time.
    void replyReceived(const QString &reply);
    // A line the unit sent on its own, CR included, one character per byte.
    void unitTextReceived(const QString &text);

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void onTick();

    ExchangeResult exchange(const QString &command, int limitMs, ReplyKind awaited);
    void appendReceived(QByteArrayView bytes);
    void setAsideOverdueReply();
    void closePort();
    void clearForCommand();
    void takeWaitingBytes();
    bool handOutUnsolicitedText();
    void handOut(const QByteArray &text);
    void keepForHandOut(QByteArrayView text);
    void forgetReceived();
    bool waitForReply(int limitMs);

    LinkConfig m_config;
    QSerialPort m_port;
    QTimer m_tick;
    bool m_loaded = false;
    int m_loadCount = 0; // loads and unloads so far
    bool m_sequenceOpen = false;
    bool m_closing = false;
    bool m_settingModemLines = false;
    QEventLoop *m_waitLoop = nullptr;
    ReplyKind m_awaited = ReplyKind::Acknowledgement;
    bool m_awaitingReply = false; // from writing a command to the end of its wait
    // Commands that timed out and whose reply may still come: each is owed
    // one reply, set aside when it arrives in the shape of the other kind.
    int m_overdueReplies = 0;

    QByteArray m_receiveBuffer;
    bool m_replyComplete = false;
    bool m_bufferHasCr = false;
    // A line feed that follows a reply set aside as the unit's own text
    // belongs to that reply, not to the start of the next one.
    bool m_dropLeadingLineFeed = false;
    // How many bytes at the start of the receive buffer belong to the last
    // exchange (its reply). Only bytes after them are text the unit sent on its own.
    qsizetype m_exchangeBytes = 0;
    // The last reply of the open sequence.
    QByteArray m_sequenceReply;
    // Text for the next tick to hand out, in arrival order: the last reply of
    // each sequence that ended, and replies to earlier commands that arrived
    // during a later exchange. At most ReceiveBufferCap bytes in all.
    QByteArrayList m_pendingTexts;
};

} // namespace kalvidor
