#pragma once

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/unitoperations.h"
#include "common/objectnames.h"
#include "document/tabledocument.h"
#include "recordingmessenger.h"

#include <QAction>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The program built against its own program folder (empty unless the test
// fills it), its main window driven only through its elements' object names.
// Adjust `services` before create().
struct WindowFixture
{
    QTemporaryDir dir;
    RecordingMessenger messenger;
    kalvidor::MainWindowServices services { dir.path(), &messenger };
    std::unique_ptr<kalvidor::Application> app;
    kalvidor::MainWindow *window = nullptr;

    void create()
    {
        messenger.clear();
        app = std::make_unique<kalvidor::Application>(services);
        window = &app->window();
    }
    void destroy()
    {
        window = nullptr;
        app.reset();
    }
    kalvidor::UnitOperations &ops() const { return app->unitOperations(); }
    kalvidor::TableDocument &document() const { return app->document(); }
    // Focus and key handling need a shown, active window.
    bool showActive()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }

    template <typename T = QWidget> T *child(const QString &name) const
    {
        T *w = window->findChild<T *>(name);
        if (!w)
            qWarning("no element %s", qPrintable(name));
        return w;
    }
    void trigger(const QString &action) const { child<QAction>(action)->trigger(); }
    void run(kalvidor::MainCommand command) const { window->action(command)->trigger(); }
    static QString rowName(kalvidor::IdList list, int r)
    {
        return kalvidor::ObjectName::rowName(kalvidor::ObjectName::ListRows[int(list)], r);
    }
    QLineEdit *row(kalvidor::IdList list, int r) const
    {
        return child<QLineEdit>(rowName(list, r));
    }
    QLineEdit *base() const
    {
        return child<QLineEdit>(
            kalvidor::ObjectName::rowName(kalvidor::ObjectName::BaseIdFields, 0));
    }
    QLineEdit *holdTime() const { return child<QLineEdit>(kalvidor::ObjectName::HoldTimeField); }
    QLineEdit *allowance() const { return child<QLineEdit>(kalvidor::ObjectName::AllowanceField); }
    QScrollBar *bar(int index) const
    {
        return child<QScrollBar>(
            kalvidor::ObjectName::rowName(kalvidor::ObjectName::ScrollBars, index));
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
