#pragma once

#include <QRect>

namespace kalvidor {

// The window's design is measured in twips (1/1440 inch). Fifteen twips make
// one pixel at 96 dots per inch; the few design values that are no multiple
// of 15 are rounded to the nearest pixel.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace kalvidor
