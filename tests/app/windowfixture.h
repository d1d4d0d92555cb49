#pragma once

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/objectnames.h"
#include "app/unitoperations.h"
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

    // Builds the program anew, the previous one gone first.
    void create()
    {
        app.reset();
        messenger.clear();
        app = std::make_unique<kalvidor::Application>(services);
        window = &app->window();
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
        return window->findChild<T *>(name);
    }
    // Gives the menu command of the item with this object name.
    void run(const QString &item) const { window->action(item)->trigger(); }
    QLineEdit *row(kalvidor::IdList list, int r) const
    {
        using namespace kalvidor::ObjectName;
        return child<QLineEdit>(rowName(ListRows[int(list)], r));
    }
    QLineEdit *base() const
    {
        using namespace kalvidor::ObjectName;
        return child<QLineEdit>(rowName(BaseIdFields, 0));
    }
    QLineEdit *holdTime() const { return child<QLineEdit>(kalvidor::ObjectName::HoldTimeField); }
    QLineEdit *allowance() const { return child<QLineEdit>(kalvidor::ObjectName::AllowanceField); }
    QScrollBar *bar(int index) const
    {
        using namespace kalvidor::ObjectName;
        return child<QScrollBar>(rowName(ScrollBars, index));
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
        QTest::keyClicks(field, text);
    }
};
