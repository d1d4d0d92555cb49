#pragma once

#include "link/protocol.h"
#include "table/idcodetable.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <array>

class QEventLoop;

namespace kalvidor {

class Messenger;

struct LinkConfig
{
    QString programDir; // the folder that holds the settings file
    LinkLimits limits;
    int tickInterval = 1000; // ms between two looks for text the unit sent on its own
};

// "The unit is not connected": what timin says when no reply came in time,
// and what the unit commands say when an exchange fails.
QString notConnectedMessage();

// The link to the unit: owns the serial port com_Unit, collects the unit's
// replies and runs the four exchanges. An exchange writes one command at a
// time and waits for its reply in a local event loop, so the rest of the
// program keeps running meanwhile. Everything happens on the GUI thread.
class UnitLink : public QObject
{
    Q_OBJECT

public:
    // The most the receive buffer holds; further bytes are dropped until the
    // next command clears it, so a unit that streams without line ends
    // cannot exhaust memory (that exchange ends as a time-out).
    static constexpr qsizetype ReceiveBufferCap = 64 * 1024;

    UnitLink(LinkConfig config, Messenger &messenger, QObject *parent = nullptr);
    ~UnitLink() override;

    // Reads the port number from the settings file and (re)opens the port.
    // Every step runs even if one before it failed; failures are silent:
    // the next exchange reports a port that is not open. Empties LastReply
    // and starts the receive-display tick.
    void load();
    // Stops the tick and closes the port. The receive state survives. An
    // exchange waiting at this moment ends as if no reply came.
    void unload();
    bool isLoaded() const { return m_loaded; }
    bool isPortOpen() const;
    // The port number in use: 1 to 4 (initially 1).
    int portNumber() const { return m_portNumber; }
    // True from the start of an exchange to its return. Exchanges requested
    // meanwhile return ExchangeBusy; callers may also check this first.
    bool isBusy() const { return m_busy; }

    // Empties ReceiveBuffer and LastReply; ReplyComplete keeps its value. While
    // an exchange waits it does nothing: what arrives then is that exchange's reply.
    void Init_Ibuf();

    // Writes slots 0 to 212 (SID). 0, ExchangeFailed, ExchangeNotOpen or ExchangeBusy.
    qint16 setout(const std::array<qint32, SlotCount> &table);
    // Reads slots 0 to 212 (RID) into table; slots read before a failure
    // keep their new values. 0, ExchangeFailed, ExchangeNotOpen or ExchangeBusy.
    qint16 setin(std::array<qint32, SlotCount> &table);
    // Writes the hold time (mode 0, STM) or the operator allowance (mode 1, SNM).
    qint16 timout(qint16 value, int mode);
    // Reads the hold time (mode 0, RTM) or the allowance (mode 1, RNM). Returns
    // the value read, 0 for a refusal, ExchangeNotOpen when the port is not open
    // or no reply came (both reported here) and ExchangeBusy as above.
    qint16 timin(int mode);

    // The receive state, one character per received byte.
    QString receiveBuffer() const { return QString::fromLatin1(ReceiveBuffer); }
    bool replyComplete() const { return ReplyComplete; }
    QString lastReply() const { return QString::fromLatin1(LastReply); }

signals:
    // lbl_Comm(0): "送信：" + the command text.
    void sentCaptionChanged(const QString &caption);
    // lbl_Comm(1): "受信待ち" after each command sent, "受信：" + the reply once it came.
    void receivedCaptionChanged(const QString &caption);
    // setout or setin found the port closed: the link window is to be hidden.
    void hideRequested();
    // The main window's receive display: replace its text, or append to it.
    void receiveDisplayReplaced(const QString &text);
    void receiveDisplayAppended(const QString &text);
    // After each answered command of setout and setin (done of total).
    void progress(int done, int total);

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void ReceiveDisplayTick();

    void appendReceived(const QByteArray &bytes);
    void closePort();
    void ClearReceive();
    void takeUnsolicitedText();
    bool showUnsolicitedText();
    void forgetReceived();
    bool sendCommand(const QString &command, int limitMs);
    bool WaitReply(int limitMs);
    bool portReady(bool hideWhenClosed);

    LinkConfig m_config;
    Messenger &m_messenger;
    QSerialPort m_port;
    QTimer m_tick;
    int m_portNumber = 1;
    bool m_loaded = false;
    bool m_busy = false;
    bool m_closing = false;
    bool m_settingModemLines = false;
    bool m_polling = false;
    QEventLoop *m_waitLoop = nullptr;

    QByteArray ReceiveBuffer;
    bool ReplyComplete = false;
    QByteArray LastReply;
    bool m_bufferHasCr = false;
    // How many bytes at the start of ReceiveBuffer belong to the last exchange
    // (its reply). Only bytes after them are text the unit sent on its own.
    qsizetype m_exchangeBytes = 0;
};

} // namespace kalvidor
