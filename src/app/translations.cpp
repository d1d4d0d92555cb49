#include "translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kalvidor {

QString installQtTranslation(const QString &programDir)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QString folders[] = { programDir, QLibraryInfo::path(QLibraryInfo::TranslationsPath) };
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(QString::fromUtf16(QtTranslationFile));
        // load() would also try other names when this one is missing.
        if (!folder.isEmpty() && QFileInfo::exists(path) && translator->load(path)) {
            QCoreApplication::installTranslator(translator);
            QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
            return path;
        }
    }
    delete translator;
    return QString();
}

} // namespace kalvidor
