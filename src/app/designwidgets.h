#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <optional>

class QLabel;
class QWidget;

namespace kalvidor {

// How a label of the design looks.
struct LabelLook
{
    QFont font;
    std::optional<QColor> background; // none: the window's own background
    std::optional<QColor> textColor; // none: black
    bool bordered = false;
    bool centred = false; // centred horizontally; labels keep their text at the top
};

inline LabelLook labelLook(const QFont &font, std::optional<QColor> background = {},
    std::optional<QColor> textColor = {}, bool bordered = false, bool centred = false)
{
    LabelLook look;
    look.font = font;
    look.background = background;
    look.textColor = textColor;
    look.bordered = bordered;
    look.centred = centred;
    return look;
}

// Names a widget and puts it at its design position, given in twips.
void placeWidget(QWidget *widget, const QString &objectName, QRect twips);

void applyLabelLook(QLabel *label, const LabelLook &look);

} // namespace kalvidor
