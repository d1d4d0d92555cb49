#pragma once

#include <QLabel>

namespace kalvidor {

// A label that reports a click: a left-button release inside the label.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace kalvidor
