#include "appinfo.h"

#include "common/version.h"

using namespace Qt::StringLiterals;

namespace kalvidor {

QString applicationTitle()
{
    return u"Kalvidor装置"_s;
}

QString versionLabel()
{
    return u"Ver%1.%2%3"_s.arg(VersionMajor).arg(VersionMinor).arg(VersionPatch);
}

} // namespace kalvidor
