#pragma once

#include "app/filedialogs.h"

#include <QPointer>
#include <QWidget>

namespace kalvidor {

// The open and save dialogs of the file menu, as one dialog object: the path
// chosen last in either dialog is offered again the next time either opens.
// The save dialog asks before an existing file is replaced and adds no
// extension to a typed name.
class QtFileDialogs final : public FileDialogs
{
public:
    explicit QtFileDialogs(QWidget *parent = nullptr);
    // The window the dialogs are modal to, when it is created after them.
    void setParent(QWidget *parent) { m_parent = parent; }

    QString saveFileName(const QString &title, const QString &filter) override;
    QString openFileName(const QString &title, const QString &filter) override;
    void setFolder(const QString &folder) override { m_folder = folder; }

    QString lastPath() const { return m_lastPath; }

    // Turns a filter written as "description|pattern|description|pattern"
    // (patterns separated by ';') into Qt's "description (pattern);;..." form.
    // A description that already ends with its patterns in parentheses, as
    // "(*.csv)|*.csv" does, is shown once, not as "(*.csv) (*.csv)".
    // A filter without '|' is taken to be in Qt's form already.
    static QString qtNameFilter(const QString &filter);

private:
    QString choose(bool save, const QString &title, const QString &filter);

    QPointer<QWidget> m_parent;
    QString m_folder;
    QString m_lastPath;
};

} // namespace kalvidor
