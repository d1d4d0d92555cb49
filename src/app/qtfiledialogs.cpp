#include "qtfiledialogs.h"

#include <QFileDialog>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace kalvidor {

QtFileDialogs::QtFileDialogs(QWidget *parent)
    : m_parent(parent)
{
}

QString QtFileDialogs::saveFileName(const QString &title, const QString &filter)
{
    return choose(true, title, filter);
}

QString QtFileDialogs::openFileName(const QString &title, const QString &filter)
{
    return choose(false, title, filter);
}

QString QtFileDialogs::choose(bool save, const QString &title, const QString &filter)
{
    QFileDialog dialog(m_parent, title);
    // Qt's own dialog on every platform: a native one may append the filter's
    // extension to a typed name, and the name must be kept exactly as typed.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The open command itself checks that the chosen file exists.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qtNameFilter(filter));
    if (!m_lastPath.isEmpty())
        dialog.selectFile(m_lastPath);
    else if (!m_folder.isEmpty())
        dialog.setDirectory(m_folder);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return QString();
    m_lastPath = chosen.first();
    return m_lastPath;
}

QString QtFileDialogs::qtNameFilter(const QString &filter)
{
    if (!filter.contains(u'|'))
        return filter;
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i];
        QString patterns = i + 1 < parts.size() ? parts[i + 1] : description;
        patterns.replace(u';', u' ');
        if (description.isEmpty() && patterns.isEmpty())
            continue;
        const QString shown = u'(' + patterns + u')';
        filters.append(description.endsWith(shown) ? description : description + u' ' + shown);
    }
    return filters.join(u";;"_s);
}

} // namespace kalvidor
