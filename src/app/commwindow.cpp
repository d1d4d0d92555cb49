#include "commwindow.h"

#include "link/unitlink.h"

#include <QLabel>
#include <QProgressBar>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

// Layout in twips, as designed; 15 twips make one pixel at 96 dpi.
constexpr int px(int twips)
{
    return twips / 15;
}

} // namespace

CommWindow::CommWindow(UnitLink &link, QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(u"frm_Comm"_s);
    setWindowTitle(u"Form1"_s);
    resize(px(5055), px(1230));

    const int tops[2] = { 120, 600 };
    for (int i = 0; i < 2; ++i) {
        auto *label = new QLabel(u"Label1"_s, this);
        label->setObjectName(u"lbl_Comm(%1)"_s.arg(i));
        label->setGeometry(px(480), px(tops[i]), px(4095), px(375));
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, Qt::white);
        label->setPalette(palette);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_labels[i] = label;
    }

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"prg_Progress"_s);
    m_progress->setGeometry(px(480), px(1005), px(4095), px(210));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setFormat(u"%v / %m"_s);

    connect(&link, &UnitLink::sentCaptionChanged, m_labels[0], &QLabel::setText);
    connect(&link, &UnitLink::receivedCaptionChanged, m_labels[1], &QLabel::setText);
    connect(&link, &UnitLink::hideRequested, this, &QWidget::hide);
}

void CommWindow::setProgress(int done, int total)
{
    m_progress->setRange(0, total);
    m_progress->setValue(done);
}

} // namespace kalvidor
