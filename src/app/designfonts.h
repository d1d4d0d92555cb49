#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace kalvidor {

// The one font family of the window's design.
QString designFontFamily();

// Makes the design family resolve on systems that lack it (Linux): the closest
// installed proportional Japanese Gothic is used instead. Call once, before the
// first widget is created.
void installFontSubstitutions();

// The design family at a point size; bold or regular.
QFont designFont(qreal pointSize, bool bold);

// The sizes the design uses, and the window's default font.
namespace FontSize {
inline constexpr qreal Default = 9; // elements without a size of their own
inline constexpr qreal Bold14 = 14.25; // row numbers, ID rows, notes
inline constexpr qreal Bold16 = 15.75; // panel captions and the red notice
inline constexpr qreal Regular18 = 18; // column titles and parameter fields
} // namespace FontSize

namespace DesignColor {
inline const QColor Yellow { 255, 255, 128 };
inline const QColor Green { 128, 255, 128 };
inline const QColor Orange { 255, 192, 128 };
inline const QColor RedText { 255, 0, 0 };
} // namespace DesignColor

} // namespace kalvidor
