#include "unitlink.h"

#include "common/leadingnumber.h"
#include "common/messenger.h"
#include "files/idtablefile.h"
#include "link/serialports.h"

#include <QDeadlineTimer>
#include <QEventLoop>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

const QString PortMessage = u"通信ポート番号が正しくありません。設定を行ってください。"_s;

// Marks the link busy for the lifetime of one exchange.
class BusyScope
{
public:
    explicit BusyScope(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~BusyScope() { m_flag = false; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    bool &m_flag;
};

} // namespace

QString notConnectedMessage()
{
    return u"警報ユニットが接続されていません。"_s;
}

UnitLink::UnitLink(LinkConfig config, Messenger &messenger, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_messenger(messenger)
    , m_port(this)
    , m_tick(this)
{
    m_port.setObjectName(u"com_Unit"_s);
    m_tick.setInterval(m_config.tickInterval);
    connect(&m_port, &QSerialPort::readyRead, this, &UnitLink::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &UnitLink::onErrorOccurred);
    connect(&m_tick, &QTimer::timeout, this, &UnitLink::ReceiveDisplayTick);
}

UnitLink::~UnitLink()
{
    m_tick.stop();
    closePort();
}

void UnitLink::load()
{
    const QString settingsFile = settingsFilePath(m_config.programDir);
    const int number = storedPortNumber(settingsFile);

    closePort();
    if (number != 0)
        m_portNumber = number;
    m_port.setPortName(portDeviceName(m_portNumber, settingsFile));
    m_port.setBaudRate(38400);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    // A port that cannot be opened stays closed; the next exchange says so.
    if (m_port.open(QIODevice::ReadWrite)) {
        // Pseudo-terminals and some adapters have no modem lines; that is no
        // reason to give up the port.
        m_settingModemLines = true;
        m_port.setDataTerminalReady(true);
        m_port.setRequestToSend(true);
        m_settingModemLines = false;
        m_port.clearError();
    }

    LastReply.clear();
    m_loaded = true;
    m_tick.start();
}

void UnitLink::unload()
{
    m_tick.stop();
    closePort();
    m_loaded = false;
}

bool UnitLink::isPortOpen() const
{
    return m_port.isOpen();
}

void UnitLink::Init_Ibuf()
{
    // Whatever arrives while an exchange waits is that exchange's reply.
    if (m_waitLoop)
        return;
    ReceiveBuffer.clear();
    LastReply.clear();
    m_bufferHasCr = false;
    m_exchangeBytes = 0;
}

void UnitLink::ClearReceive()
{
    ReceiveBuffer.clear();
    ReplyComplete = false;
    m_bufferHasCr = false;
    m_exchangeBytes = 0;
}

void UnitLink::forgetReceived()
{
    ReceiveBuffer.clear();
    LastReply.clear();
    m_bufferHasCr = false;
    m_exchangeBytes = 0;
}

void UnitLink::onReadyRead()
{
    // Always take everything, also bytes beyond the cap, so that nothing
    // piles up inside the port object either.
    appendReceived(m_port.readAll());
}

void UnitLink::appendReceived(const QByteArray &bytes)
{
    const qsizetype room = ReceiveBufferCap - ReceiveBuffer.size();
    if (bytes.isEmpty() || room <= 0)
        return;
    const QByteArrayView kept = QByteArrayView(bytes).first(qMin(room, bytes.size()));

    ReceiveBuffer.append(kept);

    if (!m_bufferHasCr && kept.contains('\r'))
        m_bufferHasCr = true;
    if (m_bufferHasCr) {
        ReplyComplete = true;
        LastReply = ReceiveBuffer;
        if (m_waitLoop)
            m_waitLoop->quit();
    }
}

void UnitLink::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || m_settingModemLines)
        return;
    // The non-blocking poll before a command reports a time-out when nothing waits.
    if (m_polling && error == QSerialPort::TimeoutError)
        return;
    // A device that failed or went away keeps raising errors (and a core
    // busy) until the port is closed; a reply will not come through it.
    closePort();
}

void UnitLink::closePort()
{
    // close() may report an error of its own, which comes back here.
    if (m_closing)
        return;
    m_closing = true;
    if (m_port.isOpen())
        m_port.close();
    m_closing = false;
    if (m_waitLoop)
        m_waitLoop->quit();
}

bool UnitLink::showUnsolicitedText()
{
    const QByteArray text = ReceiveBuffer.mid(m_exchangeBytes);
    if (!text.contains('\r'))
        return false;
    const qsizetype p = text.indexOf("Ver");
    if (p >= 0)
        emit receiveDisplayReplaced(u"ROM "_s + QString::fromLatin1(text.mid(p)));
    else
        emit receiveDisplayAppended(QString::fromLatin1(text));
    forgetReceived();
    return true;
}

void UnitLink::ReceiveDisplayTick()
{
    // The buffers belong to the exchange while one runs.
    if (m_busy)
        return;
    // Text that filled the buffer without a line end can never be shown.
    if (!showUnsolicitedText() && ReceiveBuffer.size() >= ReceiveBufferCap)
        forgetReceived();
}

void UnitLink::takeUnsolicitedText()
{
    if (m_port.isOpen()) {
        // Collect bytes that wait in the system but have not been announced
        // yet (a banner sent before the port was opened, the late reply to a
        // command that timed out). Timeout 0: a poll, it never blocks.
        m_polling = true;
        m_port.waitForReadyRead(0);
        m_polling = false;
        if (m_port.isOpen()) {
            m_port.clearError();
            appendReceived(m_port.readAll());
        }
    }
    showUnsolicitedText();
}

bool UnitLink::sendCommand(const QString &command, int limitMs)
{
    emit sentCaptionChanged(u"送信："_s + command);
    emit receivedCaptionChanged(u"受信待ち"_s);
    takeUnsolicitedText();
    ClearReceive();
    if (!command.isEmpty() && m_port.isOpen())
        m_port.write(command.toLatin1());
    const bool replied = WaitReply(limitMs);
    m_exchangeBytes = ReceiveBuffer.size();
    if (replied)
        emit receivedCaptionChanged(u"受信："_s + receiveBuffer());
    return replied;
}

bool UnitLink::WaitReply(int limitMs)
{
    if (ReplyComplete || !m_port.isOpen())
        return ReplyComplete;

    const QDeadlineTimer deadline(limitMs, Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [&] {
        // Never end early, whatever the timer's accuracy.
        const qint64 left = deadline.remainingTime();
        if (left > 0)
            timer.start(int(left));
        else
            loop.quit();
    });
    timer.start(limitMs);
    m_waitLoop = &loop;
    loop.exec();
    m_waitLoop = nullptr;
    return ReplyComplete;
}

bool UnitLink::portReady(bool hideWhenClosed)
{
    if (!m_loaded)
        load();
    if (m_port.isOpen())
        return true;
    if (hideWhenClosed)
        emit hideRequested();
    m_messenger.warn(PortMessage);
    return false;
}

qint16 UnitLink::setout(const std::array<qint32, SlotCount> &table)
{
    if (m_busy)
        return ExchangeBusy;
    const BusyScope busy(m_busy);
    if (!portReady(true))
        return ExchangeNotOpen;
    // The table as it was when the write began, whatever happens meanwhile.
    const std::array<qint32, SlotCount> ids = table;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (!sendCommand(sidCommand(slot, ids[slot]), m_config.limits.sid))
            break;
        if (!isWriteAccepted(receiveBuffer())) {
            ReplyComplete = false;
            break;
        }
        emit progress(slot + 1, SlotCount);
    }
    return ReplyComplete ? ExchangeOk : ExchangeFailed;
}

qint16 UnitLink::setin(std::array<qint32, SlotCount> &table)
{
    if (m_busy)
        return ExchangeBusy;
    const BusyScope busy(m_busy);
    if (!portReady(true))
        return ExchangeNotOpen;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (!sendCommand(ridCommand(slot), m_config.limits.rid))
            break;
        const QString reply = receiveBuffer();
        if (isReadRefused(reply)) {
            ReplyComplete = false;
            break;
        }
        if (const std::optional<qint32> value = ridReplyValue(reply))
            table[slot] = *value;
        emit progress(slot + 1, SlotCount);
    }
    return ReplyComplete ? ExchangeOk : ExchangeFailed;
}

qint16 UnitLink::timout(qint16 value, int mode)
{
    if (m_busy)
        return ExchangeBusy;
    const BusyScope busy(m_busy);
    if (!portReady(false))
        return ExchangeNotOpen;
    const int limit = mode == 1 ? m_config.limits.snm : m_config.limits.stm;
    if (sendCommand(timoutCommand(value, mode), limit) && !isWriteAccepted(receiveBuffer()))
        ReplyComplete = false;
    return ReplyComplete ? ExchangeOk : ExchangeFailed;
}

qint16 UnitLink::timin(int mode)
{
    if (m_busy)
        return ExchangeBusy;
    const BusyScope busy(m_busy);
    if (!portReady(false))
        return ExchangeNotOpen;
    const int limit = mode == 1 ? m_config.limits.rnm : m_config.limits.rtm;
    if (!sendCommand(timinCommand(mode), limit)) {
        m_messenger.inform(notConnectedMessage());
        return ExchangeNotOpen;
    }
    return timinReplyValue(receiveBuffer());
}

} // namespace kalvidor
