#include "designfonts.h"

using namespace Qt::StringLiterals;

namespace kalvidor {

QString designFontFamily()
{
    return u"ＭＳ Ｐゴシック"_s;
}

void installFontSubstitutions()
{
    // Without a substitute Qt falls back to a fixed-width font whose wide
    // glyphs push the longer captions past their labels. IPAPGothic
    // (fonts-ipafont-gothic) is proportional with metrics close to the design
    // font; the English name comes first for Windows installations that list
    // the font under it.
    QFont::insertSubstitutions(
        designFontFamily(), { u"MS PGothic"_s, u"IPAPGothic"_s, u"IPA Pゴシック"_s });
}

QFont designFont(qreal pointSize, bool bold)
{
    QFont font(designFontFamily());
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace kalvidor
