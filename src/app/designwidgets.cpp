#include "designwidgets.h"

#include "app/twips.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace kalvidor {

void placeWidget(QWidget *widget, const QString &objectName, QRect twips)
{
    widget->setObjectName(objectName);
    widget->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
}

void applyLabelLook(QLabel *label, const LabelLook &look)
{
    label->setFont(look.font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, look.textColor.value_or(Qt::black));
    if (look.background) {
        palette.setColor(QPalette::Window, *look.background);
        label->setAutoFillBackground(true);
    }
    label->setPalette(palette);
    if (look.bordered) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
    }
    label->setAlignment((look.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
}

} // namespace kalvidor
