#include "unitlink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <utility>

namespace kalvidor {

UnitLink::UnitLink(LinkConfig config, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_port(this)
    , m_tick(this)
{
    m_tick.setInterval(m_config.tickInterval);
    connect(&m_port, &QSerialPort::readyRead, this, &UnitLink::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &UnitLink::onErrorOccurred);
    connect(&m_tick, &QTimer::timeout, this, &UnitLink::onTick);
}

UnitLink::~UnitLink()
{
    m_tick.stop();
    closePort();
}

void UnitLink::loadWhenIdle()
{
    QTimer::singleShot(0, this, [this, count = m_loadCount] {
        if (count == m_loadCount)
            load();
    });
}

void UnitLink::load()
{
    ++m_loadCount;
    const QString device = m_config.device ? m_config.device() : QString();

    closePort();
    m_port.setPortName(device);
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

    m_loaded = true;
    m_tick.start();
}

void UnitLink::unload()
{
    ++m_loadCount;
    m_tick.stop();
    closePort();
    m_loaded = false;
}

bool UnitLink::isPortOpen() const
{
    return m_port.isOpen();
}

bool UnitLink::beginSequence()
{
    if (isBusy())
        return false;
    m_sequenceOpen = true;
    m_sequenceReply.clear();
    return true;
}

void UnitLink::endSequence()
{
    m_sequenceOpen = false;
    if (!m_sequenceReply.isEmpty())
        keepForHandOut(std::exchange(m_sequenceReply, {}));
}

void UnitLink::keepForHandOut(QByteArrayView text)
{
    qsizetype size = 0;
    for (const QByteArray &t : std::as_const(m_pendingTexts))
        size += t.size();
    const qsizetype room = ReceiveBufferCap - size;
    if (room > 0)
        m_pendingTexts.append(text.first(qMin(room, text.size())).toByteArray());
}

void UnitLink::abortWait()
{
    if (m_waitLoop)
        m_waitLoop->quit();
}

void UnitLink::clearReceived()
{
    // Whatever arrives while an exchange waits is that exchange's reply.
    if (m_waitLoop)
        return;
    forgetReceived();
    m_sequenceReply.clear();
    m_pendingTexts.clear();
}

void UnitLink::clearForCommand()
{
    m_receiveBuffer.clear();
    m_replyComplete = false;
    m_bufferHasCr = false;
    m_dropLeadingLineFeed = false;
    m_exchangeBytes = 0;
}

void UnitLink::forgetReceived()
{
    m_receiveBuffer.clear();
    m_bufferHasCr = false;
    m_exchangeBytes = 0;
}

void UnitLink::onReadyRead()
{
    // Always take everything, also bytes beyond the cap, so that nothing
    // piles up inside the port object either.
    appendReceived(m_port.readAll());
}

void UnitLink::appendReceived(QByteArrayView bytes)
{
    if (m_dropLeadingLineFeed && m_receiveBuffer.isEmpty()) {
        while (!bytes.isEmpty() && bytes.front() == '\n')
            bytes = bytes.sliced(1);
        if (!bytes.isEmpty())
            m_dropLeadingLineFeed = false;
    }
    const qsizetype room = ReceiveBufferCap - m_receiveBuffer.size();
    if (bytes.isEmpty() || room <= 0)
        return;
    const QByteArrayView kept = bytes.first(qMin(room, bytes.size()));

    m_receiveBuffer.append(kept);

    if (!m_bufferHasCr && kept.contains('\r'))
        m_bufferHasCr = true;
    if (m_bufferHasCr && m_awaitingReply && m_overdueReplies > 0)
        setAsideOverdueReply();
    if (m_bufferHasCr) {
        m_replyComplete = true;
        if (m_waitLoop)
            m_waitLoop->quit();
    }
}

void UnitLink::setAsideOverdueReply()
{
    // A command that timed out may still be answered, just after the next
    // command went out. A reply shaped as the answer to the other kind of
    // command is that late one, not this command's: keep it for the receive
    // display and go on waiting. Only while such a reply is overdue; any
    // other time every reply is this command's and is judged as it stands.
    qsizetype cr = m_receiveBuffer.indexOf('\r');
    while (cr >= 0 && m_overdueReplies > 0
        && isOtherKindOfReply(m_awaited, QByteArrayView(m_receiveBuffer).first(cr))) {
        qsizetype end = cr + 1;
        if (end < m_receiveBuffer.size() && m_receiveBuffer.at(end) == '\n')
            ++end;
        else if (end == m_receiveBuffer.size())
            m_dropLeadingLineFeed = true;
        keepForHandOut(QByteArrayView(m_receiveBuffer).first(end));
        m_receiveBuffer.remove(0, end);
        --m_overdueReplies;
        cr = m_receiveBuffer.indexOf('\r');
    }
    m_bufferHasCr = cr >= 0;
}

void UnitLink::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || m_settingModemLines)
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
    // A reply still owed by a closed line never comes.
    m_overdueReplies = 0;
    if (m_waitLoop)
        m_waitLoop->quit();
}

void UnitLink::handOut(const QByteArray &text)
{
    emit unitTextReceived(QString::fromLatin1(text));
}

bool UnitLink::handOutUnsolicitedText()
{
    const QByteArray text = m_receiveBuffer.mid(m_exchangeBytes);
    if (!text.contains('\r'))
        return false;
    // Lines that came in after a time-out include the reply it owed.
    m_overdueReplies = qMax(0, m_overdueReplies - int(text.count('\r')));
    // What is still waiting for the tick came earlier: it goes first.
    for (const QByteArray &earlier : std::exchange(m_pendingTexts, {}))
        handOut(earlier);
    handOut(text);
    forgetReceived();
    return true;
}

void UnitLink::onTick()
{
    // The buffers belong to the sequence while one runs.
    if (isBusy())
        return;
    for (const QByteArray &text : std::exchange(m_pendingTexts, {}))
        handOut(text);
    // Text that filled the buffer without a line end can never be shown.
    if (!handOutUnsolicitedText() && m_receiveBuffer.size() >= ReceiveBufferCap)
        forgetReceived();
}

void UnitLink::takeWaitingBytes()
{
    // Bytes that reached the system before this command (a banner sent
    // before the port was opened, the late reply to a command that timed
    // out) are announced by the port's own notification: one pass of the
    // event loop delivers them, so that they are not taken for this
    // command's reply. The pass never blocks. (The port's waitFor…
    // functions are not used: on Windows they lose notifications.)
    if (m_port.isOpen())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // Reading what the port holds also starts its next read from the
    // system where the port reads on request (Windows): the reply to the
    // command about to go out is then announced when it arrives.
    if (m_port.isOpen())
        appendReceived(m_port.readAll());
    handOutUnsolicitedText();
}

bool UnitLink::waitForReply(int limitMs)
{
    if (m_replyComplete || !m_port.isOpen())
        return m_replyComplete;

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
    return m_replyComplete;
}

ExchangeResult UnitLink::exchange(const QString &command, int limitMs, ReplyKind awaited)
{
    // One exchange at a time: one asked for while another waits (from
    // something its wait lets run) sends nothing.
    if (m_waitLoop)
        return { ExchangeStatus::Busy, {} };
    // An exchange outside a sequence is a sequence of its own.
    const bool ownSequence = beginSequence();
    struct SequenceEnd
    {
        UnitLink *link;
        bool own;
        ~SequenceEnd()
        {
            if (own)
                link->endSequence();
        }
    } sequenceEnd { this, ownSequence };

    if (!m_loaded)
        load();
    if (!m_port.isOpen())
        return { ExchangeStatus::PortNotOpen, {} };

    emit commandSent(command);
    takeWaitingBytes();
    clearForCommand();
    m_awaited = awaited;
    m_awaitingReply = true;
    if (m_port.isOpen())
        m_port.write(command.toLatin1()); // goes out from the wait's event loop
    const bool replied = waitForReply(limitMs);
    m_awaitingReply = false;
    m_exchangeBytes = m_receiveBuffer.size();
    if (!replied) {
        // Its reply may still come, during a later command.
        if (m_port.isOpen())
            ++m_overdueReplies;
        return { ExchangeStatus::NoReply, {} };
    }

    m_sequenceReply = m_receiveBuffer;
    const QString reply = receiveBuffer();
    emit replyReceived(reply);
    return { ExchangeStatus::Answered, reply };
}

ExchangeResult UnitLink::writeId(int slot, qint32 element)
{
    ExchangeResult result
        = exchange(sidCommand(slot, element), m_config.limits.sid, ReplyKind::Acknowledgement);
    if (result.answered() && !isWriteAccepted(result.reply))
        result.status = ExchangeStatus::Refused;
    return result;
}

ExchangeResult UnitLink::readId(int slot)
{
    ExchangeResult result = exchange(ridCommand(slot), m_config.limits.rid, ReplyKind::Value);
    if (result.answered() && isReadRefused(result.reply))
        result.status = ExchangeStatus::Refused;
    return result;
}

ExchangeResult UnitLink::writeParameter(UnitParameter parameter, qint16 value)
{
    const int limit
        = parameter == UnitParameter::HoldTime ? m_config.limits.stm : m_config.limits.snm;
    ExchangeResult result
        = exchange(writeParameterCommand(parameter, value), limit, ReplyKind::Acknowledgement);
    if (result.answered() && !isWriteAccepted(result.reply))
        result.status = ExchangeStatus::Refused;
    return result;
}

ExchangeResult UnitLink::readParameter(UnitParameter parameter)
{
    const int limit
        = parameter == UnitParameter::HoldTime ? m_config.limits.rtm : m_config.limits.rnm;
    ExchangeResult result = exchange(readParameterCommand(parameter), limit, ReplyKind::Value);
    if (result.answered() && isParameterReadRefused(result.reply))
        result.status = ExchangeStatus::Refused;
    return result;
}

} // namespace kalvidor
