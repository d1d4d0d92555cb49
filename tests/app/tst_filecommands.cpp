// The table file at start-up, the file menu (CSV保存, CSV読込み,
// アプリケーション終了) and the save question when the window closes.
#include "../files/filebytes.h"
#include "common/objectnames.h"
#include "windowfixture.h"

#include "common/filedialogs.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>

#include <map>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

const QString NoId = NoIdMark.toString();

// Answers each dialog with the next queued path (empty: cancelled) and
// records what it was asked with.
class FakeFileDialogs final : public FileDialogs
{
public:
    QStringList paths;
    QStringList asked; // "title|filter" per dialog shown

    QString saveFileName(const QString &t, const QString &f) override { return answer(t, f); }
    QString openFileName(const QString &t, const QString &f) override { return answer(t, f); }

private:
    QString answer(const QString &title, const QString &filter)
    {
        asked << title + u'|' + filter;
        return paths.isEmpty() ? QString() : paths.takeFirst();
    }
};

// A table file as the program writes it: the default table, with the given
// slots replaced.
QByteArray tableFile(const std::map<int, QByteArray> &ids = {}, int hold = 2, int allowance = 1,
    const QByteArray &lineEnd = "\r\n")
{
    QByteArray out;
    for (int s = 0; s < SlotCount; ++s) {
        const auto it = ids.find(s);
        out += QByteArray::number(s + 1) + ',' + (it == ids.end() ? "2800000" : it->second)
            + lineEnd;
    }
    return out + "214," + QByteArray::number(hold) + lineEnd + "215,"
        + QByteArray::number(allowance) + lineEnd;
}

enum class Leave { ExitCommand, CloseBox };

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT
    // A fresh program folder, messenger and dialogs per test.
    std::unique_ptr<WindowFixture> f;
    FakeFileDialogs dialogs;

    QString programFile() const { return f->dir.filePath(u"IdCodeTable.csv"_s); }
    QString label() const { return f->child<QLabel>(ObjectName::FileNameLabel)->text(); }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        QVERIFY(f->dir.isValid());
        dialogs = {};
        f->services.fileDialogs = &dialogs;
    }
    void cleanup() { f.reset(); }

    void startupReadsTheProgramFolderFile_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: none; "dir": a directory of that name
        QTest::addColumn<QList<int>>("expected"); // slots 0, 1, 2, 3 and 212
        QTest::addColumn<int>("hold");
        QTest::addColumn<bool>("modified");
        const int base = 0x2800000;
        QTest::newRow("none: defaults")
            << QByteArray() << QList { base, base, base, base, base } << 2 << true;
        QTest::newRow("valid") << tableFile({ { 2, "2800ABC" }, { 212, "28FFFFF" } }, 30)
                               << QList { base, base, 0x2800ABC, base, 0x28FFFFF } << 30 << false;
        QTest::newRow("fewer lines: the rest stay 0")
            << QByteArray("1,2800000\r\n2,2800001\r\n3,2800002\r\n")
            << QList { base, 0x2800001, 0x2800002, 0, 0 } << 0 << false;
        QTest::newRow("a directory: zeros, no message")
            << QByteArray("dir") << QList { 0, 0, 0, 0, 0 } << 0 << false;
    }
    void startupReadsTheProgramFolderFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, expected);
        QFETCH(int, hold);
        QFETCH(bool, modified);
        if (file == "dir")
            QVERIFY(QDir(f->dir.path()).mkdir(u"IdCodeTable.csv"_s));
        else if (!file.isNull())
            QVERIFY(writeBytes(programFile(), file));
        f->create();

        const IdCodeTable &t = f->document().table();
        QCOMPARE((QList<int> { t.ids[0], t.ids[1], t.ids[2], t.ids[3], t.ids[212] }), expected);
        QCOMPARE(int(t.holdTime), hold);
        QCOMPARE(f->document().isModified(), modified);
        QCOMPARE(label(), QDir::toNativeSeparators(programFile()));
        QVERIFY(f->messenger.messages().isEmpty());
    }

    void saveGathersTheWindowAndWritesTheTypedName()
    {
        f->create();
        const QString typed = f->dir.filePath(u"copy"_s);
        dialogs.paths = { QString(), typed, typed + u"/under-a-file.csv"_s };
        f->trigger(ObjectName::SaveAction); // cancelled: nothing changes
        QVERIFY(QDir(f->dir.path()).isEmpty());
        QCOMPARE(f->document().filePath(), programFile());

        WindowFixture::retype(f->row(IdList::Operators, 0), u"2800001"_s);
        f->bar(1)->setValue(5); // vehicles from slot 168
        WindowFixture::retype(f->row(IdList::Vehicles, 3), u"28000AB"_s);
        WindowFixture::retype(f->holdTime(), u"100"_s);
        WindowFixture::retype(f->allowance(), u"3"_s);
        f->trigger(ObjectName::SaveAction);
        QCOMPARE(f->messenger.texts(), QStringList { u"警報時間設定が範囲外です。"_s });
        const QByteArray saved = readBytes(typed); // exactly that name, no extension added
        QCOMPARE(saved, tableFile({ { 1, "2800001" }, { 171, "28000AB" } }, 2, 3));
        QCOMPARE(f->document().filePath(), typed);
        QCOMPARE(label(), QDir::toNativeSeparators(programFile()));

        f->trigger(ObjectName::SaveAction); // a path below a regular file cannot be written
        QCOMPARE(f->messenger.texts().last(), u"設定の保存に失敗しました。");
        QCOMPARE(f->messenger.messages().last().icon, MessageIcon::Exclamation);
        QCOMPARE(readBytes(typed), saved);
        QCOMPARE(dialogs.asked, QStringList(3, u"設定の保存|(*.csv)|*.csv"_s));
    }

    void loadReplacesTheFieldsAndExitSavesBesideTheProgram()
    {
        QVERIFY(writeBytes(programFile(), tableFile({ { 1, "2800001" }, { 6, "2800006" } }, 30)));
        f->create();
        WindowFixture::retype(f->row(IdList::Operators, 0), u"28000FF"_s);
        WindowFixture::retype(f->row(IdList::Operators, 6), u"2800077"_s); // never gathered
        const QString path = f->dir.filePath(u"short.csv"_s);
        const QByteArray shortFile = "1,2800000\r\n2,2800111\r\n";
        QVERIFY(writeBytes(path, shortFile));
        dialogs.paths = { path };

        f->trigger(ObjectName::LoadAction);
        QCOMPARE(dialogs.asked, QStringList { u"設定の読込み|(*.csv)|*.csv"_s });
        QCOMPARE(f->rowTexts(IdList::Operators).mid(0, 7),
            (QStringList { u"2800111"_s, NoId, NoId, NoId, NoId, u"2800006"_s, NoId }));
        QCOMPARE(f->holdTime()->text(), u"30");
        QCOMPARE(f->document().filePath(), path);
        QCOMPARE(label(), QDir::toNativeSeparators(path));
        QVERIFY(f->messenger.messages().isEmpty());

        f->trigger(ObjectName::ExitAction); // the load changed the fields: asks, OK
        QCOMPARE(f->messenger.texts(), QStringList { u"設定内容を保存しますか"_s });
        QCOMPARE(readBytes(programFile()), tableFile({ { 1, "2800111" }, { 6, "2800006" } }, 30));
        QCOMPARE(readBytes(path), shortFile);
    }

    void loadThatReadsNothingLeavesTheWindow_data()
    {
        QTest::addColumn<QString>("chosen"); // relative to the program folder
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("cancelled") << QString() << QStringList();
        QTest::newRow("no such file") << u"missing.csv"_s << QStringList();
        QTest::newRow("a directory")
            << u"folder.csv"_s << QStringList { u"設定の読込みに失敗しました。"_s };
    }
    void loadThatReadsNothingLeavesTheWindow()
    {
        QFETCH(QString, chosen);
        QFETCH(QStringList, messages);
        QVERIFY(QDir(f->dir.path()).mkdir(u"folder.csv"_s));
        f->create();
        WindowFixture::retype(f->row(IdList::Drivers, 2), u"2800042"_s);
        const IdCodeTable before = f->document().table();
        dialogs.paths = { chosen.isEmpty() ? QString() : f->dir.filePath(chosen) };

        f->trigger(ObjectName::LoadAction);
        QCOMPARE(f->messenger.texts(), messages);
        if (!messages.isEmpty())
            QCOMPARE(f->messenger.messages().first().icon, MessageIcon::Exclamation);
        QVERIFY(f->document().table() == before);
        QCOMPARE(f->row(IdList::Drivers, 2)->text(), u"2800042");
        QCOMPARE(f->document().filePath(), programFile());
        QCOMPARE(label(), QDir::toNativeSeparators(programFile()));
    }

    void leavingAsksToSaveOnlyWhenModified_data()
    {
        QTest::addColumn<Leave>("how");
        QTest::addColumn<bool>("modified"); // else started from an unchanged file
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("saved");
        QTest::newRow("exit, OK") << Leave::ExitCommand << true << MessageAnswer::Ok << true;
        QTest::newRow("exit, unmodified")
            << Leave::ExitCommand << false << MessageAnswer::Ok << false;
        QTest::newRow("close box, OK") << Leave::CloseBox << true << MessageAnswer::Ok << true;
        QTest::newRow("close box, Cancel")
            << Leave::CloseBox << true << MessageAnswer::Cancel << false;
    }
    void leavingAsksToSaveOnlyWhenModified()
    {
        QFETCH(Leave, how);
        QFETCH(bool, modified);
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, saved);
        // Line feeds only: any save rewrites the file with CR LF.
        const QByteArray original = tableFile({ { 5, "2800005" } }, 2, 1, "\n");
        QVERIFY(writeBytes(programFile(), original));
        f->create();
        if (modified)
            WindowFixture::retype(f->row(IdList::HeavyMachines, 0), u"2800009"_s);
        f->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->window));
        QSignalSpy closed(f->window, &MainWindow::closed);
        f->messenger.queueAnswer(answer);

        if (how == Leave::ExitCommand) {
            f->trigger(ObjectName::ExitAction);
        } else { // what the platform sends when the user clicks the close box
            QCloseEvent event;
            QCoreApplication::sendEvent(f->window->windowHandle(), &event);
        }
        QCOMPARE(closed.size(), 1);
        QVERIFY(!f->window->isVisible());
        QCOMPARE(f->messenger.messages().size(), modified ? 1 : 0); // asked once, if at all
        if (modified) {
            const Message &m = f->messenger.messages().first();
            QCOMPARE(m.text, u"設定内容を保存しますか");
            QCOMPARE(m.icon, MessageIcon::Information);
            QCOMPARE(m.buttons, MessageButtons::OkCancel);
            QCOMPARE(m.title, applicationTitle());
        }
        QCOMPARE(readBytes(programFile()),
            saved ? tableFile({ { 5, "2800005" }, { 113, "2800009" } }) : original);
    }

    void aFailedSaveAtExitKeepsTheWindowOpen()
    {
        f->create(); // the defaults: modified
        f->window->show();
        // Something in the way of the file that the save at exit writes.
        QVERIFY(QDir(f->dir.path()).mkdir(u"IdCodeTable.csv"_s));
        QSignalSpy closed(f->window, &MainWindow::closed);

        f->trigger(ObjectName::ExitAction); // OK, but the save cannot be written
        QCOMPARE(f->messenger.texts(),
            (QStringList { u"設定内容を保存しますか"_s, u"設定の保存に失敗しました。"_s }));
        QCOMPARE(f->messenger.messages().last().icon, MessageIcon::Exclamation);
        QVERIFY(f->window->isVisible());
        QCOMPARE(closed.size(), 0);

        f->messenger.queueAnswer(MessageAnswer::Cancel); // the user gives up the edits
        f->trigger(ObjectName::ExitAction);
        QCOMPARE(closed.size(), 1);
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
