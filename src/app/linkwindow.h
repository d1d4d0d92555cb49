#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;
class QProgressBar;

namespace kalvidor {

// The link window frm_Comm ("Form1"): a small modeless tool window that shows
// the last command sent and the last reply received while a unit operation
// runs, and how far the running write or read has come; it is hidden
// between operations.
//
// A sequence sends a command every millisecond or so; repainting after each
// would cost more than the wire. The window takes every update at once but
// shows them at most about 30 times a second, and always shows the latest
// once flush() is called at the end of a sequence.
class LinkWindow : public QWidget
{
    Q_OBJECT

public:
    // The shortest time between two updates of what the window shows.
    static constexpr int UpdateIntervalMs = 33;

    explicit LinkWindow(QWidget *parent = nullptr);

    // lbl_Comm(0) (sent) and lbl_Comm(1) (received).
    QLabel *label(int index) const { return m_labels.at(index); }
    // prg_Progress, under the two labels.
    QProgressBar *progressBar() const { return m_progress; }

    // A command went out: lbl_Comm(0) shows it, lbl_Comm(1) the waiting notice.
    void showCommand(const QString &command);
    // Its reply came: lbl_Comm(1) shows it.
    void showReply(const QString &reply);
    // Commands answered so far out of the operation's commands.
    void setProgress(int done, int total);
    // Shows the latest command, reply and progress now.
    void flush();

private:
    void scheduleUpdate();

    std::array<QLabel *, 2> m_labels {};
    QProgressBar *m_progress = nullptr;
    std::array<QString, 2> m_captions;
    int m_done = 0;
    int m_total = 1;
    bool m_pending = false;
    QElapsedTimer m_sinceUpdate;
    QTimer m_updateTimer;
};

} // namespace kalvidor
