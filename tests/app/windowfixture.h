#pragma once

#include "app/designfonts.h"
#include "app/mainwindow.h"
#include "recordingmessenger.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A fresh main window per test, built against an empty program folder and
// driven only through its elements' object names.
struct WindowFixture
{
    QTemporaryDir dir;
    RecordingMessenger messenger;
    std::unique_ptr<kalvidor::MainWindow> window;

    void create()
    {
        kalvidor::installFontSubstitutions();
        messenger.clear();
        window = std::make_unique<kalvidor::MainWindow>(
            kalvidor::MainWindowServices { dir.path(), &messenger, nullptr });
    }
    // Focus and key handling need a shown, active window.
    bool showActive()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    template <typename T = QWidget> T *child(const QString &name) const
    {
        T *w = window->findChild<T *>(name);
        if (!w)
            qWarning("no element %s", qPrintable(name));
        return w;
    }
    static QString rowName(kalvidor::IdList list, int r)
    {
        static const QStringView names[]
            = { u"txt_ID重機工夫", u"txt_IDダンプ工夫", u"txt_ID重機", u"txt_ID車両" };
        return QStringLiteral("%1(%2)").arg(names[int(list)]).arg(r);
    }
    QLineEdit *row(kalvidor::IdList list, int r) const
    {
        return child<QLineEdit>(rowName(list, r));
    }
    QLineEdit *base() const { return child<QLineEdit>(QStringLiteral("txt_ID作業員(0)")); }
    QLineEdit *field(const QString &name) const { return child<QLineEdit>(name); }
    QScrollBar *bar(int index) const
    {
        return child<QScrollBar>(QStringLiteral("VScroll(%1)").arg(index));
    }
    QStringList rowTexts(kalvidor::IdList list) const
    {
        QStringList out;
        for (int r = 0; r < kalvidor::RowsPerList; ++r)
            out << row(list, r)->text();
        return out;
    }
    // Replaces a field's whole text by typing, as a user would.
    static void retype(QLineEdit *field, const QString &text)
    {
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClicks(field, text);
    }
};
