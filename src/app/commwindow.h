#pragma once

#include <QWidget>

#include <array>

class QLabel;
class QProgressBar;

namespace kalvidor {

class UnitLink;

// frm_Comm: a small modeless tool window that shows the last command sent and
// the last reply received while the unit operations run. It only shows what
// the link tells it, and how far the running write or read has come; it is
// hidden between operations.
class CommWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CommWindow(UnitLink &link, QWidget *parent = nullptr);

    // lbl_Comm(0) (sent) and lbl_Comm(1) (received).
    QLabel *label(int index) const { return m_labels.at(index); }
    // prg_Progress, under the two labels.
    QProgressBar *progressBar() const { return m_progress; }

    // Commands answered so far out of the operation's commands.
    void setProgress(int done, int total);

private:
    std::array<QLabel *, 2> m_labels {};
    QProgressBar *m_progress = nullptr;
};

} // namespace kalvidor
