// kalvidor-screenshot OUT.png
//
// Builds the main window against an empty temporary program folder, fills in
// a few IDs, and writes an image of the window at its design size. Run it on
// the offscreen platform: QT_QPA_PLATFORM=offscreen kalvidor-screenshot out.png
#include "app/application.h"
#include "app/mainwindow.h"
#include "app/translations.h"
#include "document/tabledocument.h"
#include "messages/messenger.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace kalvidor;

namespace {

// Nothing in this tool should ask the user anything; report it if it does.
class PrintingMessenger final : public Messenger
{
public:
    MessageAnswer show(const Message &message) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(message.text));
        return MessageAnswer::Ok;
    }
};

void fillSampleIds(Application &application)
{
    IdCodeTable &table = application.document().table();
    const int heavy = idListInfo(IdList::HeavyMachines).firstSlot;
    const int vehicles = idListInfo(IdList::Vehicles).firstSlot;
    const int operators = idListInfo(IdList::Operators).firstSlot;
    const int drivers = idListInfo(IdList::Drivers).firstSlot;
    for (int r = 0; r < 5; ++r)
        table.ids[heavy + r] = 0x2800101 + r;
    for (int r = 0; r < 3; ++r)
        table.ids[vehicles + r] = 0x2800301 + r;
    for (int r = 0; r < 8; ++r)
        table.ids[operators + r] = 0x2800201 + r;
    table.ids[drivers] = 0x2800401;
    table.ids[drivers + 1] = 0x2800402;
    table.holdTime = 5;
    table.operatorAllowance = 2;
    application.window().showTable();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kalvidor-screenshot OUT.png\n");
        return 2;
    }
    installQtTranslation(QCoreApplication::applicationDirPath());

    QTemporaryDir programDir;
    if (!programDir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    PrintingMessenger messenger;
    Application application(MainWindowServices { programDir.path(), &messenger, nullptr });
    fillSampleIds(application);
    MainWindow &window = application.window();
    window.show();

    int status = 1;
    // Grab once the window has been laid out and painted.
    QTimer::singleShot(0, &window, [&] {
        const QString out = args.at(1);
        if (window.grab().save(out, "PNG"))
            status = 0;
        else
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        app.quit();
    });
    app.exec();
    return status;
}
