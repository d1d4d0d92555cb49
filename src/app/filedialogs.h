#pragma once

#include <QString>

namespace kalvidor {

// The open and save dialogs of the file commands. An empty result means the
// user cancelled. Tests answer with a chosen path instead of a modal dialog.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // Asks before an existing file is replaced; a refusal counts as a cancel.
    virtual QString saveFileName(const QString &title, const QString &filter) = 0;
    virtual QString openFileName(const QString &title, const QString &filter) = 0;
    // The folder the next dialog opens in when no path has been chosen yet
    // (after that, the dialogs offer the path chosen last).
    virtual void setFolder(const QString &) { }
};

} // namespace kalvidor
