#include "linkwindow.h"

#include "app/objectnames.h"
#include "app/twips.h"
#include "messages/unitmessages.h"

#include <QLabel>
#include <QProgressBar>

using namespace Qt::StringLiterals;

namespace kalvidor {

LinkWindow::LinkWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(ObjectName::LinkWindow);
    setWindowTitle(u"Form1"_s);
    // The layout as designed, in twips.
    resize(px(5055), px(1230));

    const int tops[2] = { 120, 600 };
    for (int i = 0; i < 2; ++i) {
        auto *label = new QLabel(u"Label1"_s, this);
        label->setObjectName(ObjectName::rowName(ObjectName::LinkCaptions, i));
        label->setGeometry(twipsRect(480, tops[i], 4095, 375));
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, Qt::white);
        label->setPalette(palette);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_labels[i] = label;
    }

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(ObjectName::LinkProgress);
    m_progress->setGeometry(twipsRect(480, 1005, 4095, 210));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setFormat(u"%v / %m"_s);

    m_updateTimer.setSingleShot(true);
    connect(&m_updateTimer, &QTimer::timeout, this, &LinkWindow::flush);
}

void LinkWindow::showCommand(const QString &command)
{
    m_captions[0] = sentCaption(command);
    m_captions[1] = waitingCaption();
    scheduleUpdate();
}

void LinkWindow::showReply(const QString &reply)
{
    m_captions[1] = receivedCaption(reply);
    scheduleUpdate();
}

void LinkWindow::setProgress(int done, int total)
{
    m_done = done;
    m_total = total;
    scheduleUpdate();
}

void LinkWindow::scheduleUpdate()
{
    m_pending = true;
    if (m_updateTimer.isActive())
        return;
    // The first change after a quiet spell shows at once; later ones wait
    // for the rest of the interval.
    const qint64 since = m_sinceUpdate.isValid() ? m_sinceUpdate.elapsed() : UpdateIntervalMs;
    if (since >= UpdateIntervalMs)
        flush();
    else
        m_updateTimer.start(int(UpdateIntervalMs - since));
}

void LinkWindow::flush()
{
    m_updateTimer.stop();
    if (!m_pending)
        return;
    m_pending = false;
    m_sinceUpdate.start();
    for (int i = 0; i < 2; ++i) {
        if (!m_captions[i].isNull())
            m_labels[i]->setText(m_captions[i]);
    }
    m_progress->setRange(0, m_total);
    m_progress->setValue(m_done);
}

} // namespace kalvidor
