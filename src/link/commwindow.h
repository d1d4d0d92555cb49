#pragma once

#include <QWidget>

#include <array>

class QLabel;

namespace kalvidor {

class UnitLink;

// frm_Comm: a small modeless tool window that shows the last command sent and
// the last reply received while the unit operations run. It only shows what
// the link tells it; it is hidden between operations.
class CommWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CommWindow(UnitLink &link, QWidget *parent = nullptr);

    // lbl_Comm(0) (sent) and lbl_Comm(1) (received).
    QLabel *label(int index) const { return m_labels.at(index); }

private:
    std::array<QLabel *, 2> m_labels {};
};

} // namespace kalvidor
