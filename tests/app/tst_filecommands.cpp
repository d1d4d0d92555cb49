// The table file at start-up, the file menu (CSV保存, CSV読込み,
// アプリケーション終了) and the save question when the window closes.
#include "app/objectnames.h"
#include "expectedtexts.h"
#include "filebytes.h"
#include "windowfixture.h"

#include "app/filedialogs.h"

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
// records what it was asked with: "title|filter|folder it opens in".
class FakeFileDialogs final : public FileDialogs
{
public:
    QStringList paths;
    QStringList asked;
    QString folder;

    void setFolder(const QString &f) override { folder = f; }
    QString saveFileName(const QString &t, const QString &f) override { return answer(t, f); }
    QString openFileName(const QString &t, const QString &f) override { return answer(t, f); }

private:
    QString answer(const QString &title, const QString &filter)
    {
        asked << title + u'|' + filter + u'|' + folder;
        return paths.isEmpty() ? QString() : paths.takeFirst();
    }
};

// A table file as the program writes it: the default table, with the given
// slots replaced.
QByteArray tableFile(const std::map<int, QByteArray> &ids = {}, int hold = 2, int allowance = 1)
{
    const QByteArray lineEnd = "\r\n";
    QByteArray out;
    for (int s = 0; s < SlotCount; ++s) {
        const auto it = ids.find(s);
        out += QByteArray::number(s + 1) + ',' + (it == ids.end() ? "2800000" : it->second)
            + lineEnd;
    }
    return out + "214," + QByteArray::number(hold) + lineEnd + "215,"
        + QByteArray::number(allowance) + lineEnd;
}

// The message after a load of a file that is not a well-formed table file;
// what is wrong follows on its second line.
const QString LoadedShort = u"IDコード表の形式と違うため、読める値だけを読み込みました。\n"_s;

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
        dialogs = {};
        f->services.fileDialogs = &dialogs;
    }

    // A table file that cannot be read (here a folder of that name): the
    // table stays all zeros, unmodified, and nothing is said. No file at
    // all: see tst_mainwindow.cpp::defaultTableAtStartUpAndAfterReset.
    void startupReadsTheProgramFolderFile()
    {
        QVERIFY(QDir(f->dir.path()).mkdir(u"IdCodeTable.csv"_s));
        f->create();
        QVERIFY(f->document().table() == IdCodeTable());
        QVERIFY(!f->document().isModified());
        QCOMPARE(label(), QDir::toNativeSeparators(programFile()));
        QVERIFY(f->messenger.messages().isEmpty());
    }

    // CSV保存 gathers the window and writes the name as typed; a save that
    // cannot be written says so and keeps the old file, and one at exit
    // keeps the window open.
    void saveWritesTheTypedNameAndReportsFailures()
    {
        f->create();
        f->window->show();
        const QString typed = f->dir.filePath(u"sub/copy"_s);
        dialogs.paths = { QString(), typed, typed + u"/under-a-file.csv"_s };
        f->run(ObjectName::SaveAction); // cancelled: no message (see below)

        QVERIFY(QDir(f->dir.path()).mkdir(u"sub"_s));
        WindowFixture::retype(f->row(IdList::Operators, 0), u"2800001"_s);
        f->bar(1)->setValue(5); // vehicles from slot 168
        WindowFixture::retype(f->row(IdList::Vehicles, 3), u"28000AB"_s);
        WindowFixture::retype(f->holdTime(), u"100"_s);
        WindowFixture::retype(f->allowance(), u"3"_s);
        f->run(ObjectName::SaveAction);
        QCOMPARE(f->messenger.texts(), QStringList { expected::HoldTimeOutOfRange });
        const QByteArray saved = readBytes(typed); // exactly that name, no extension added
        QCOMPARE(saved, tableFile({ { 1, "2800001" }, { 171, "28000AB" } }, 2, 3));
        QCOMPARE(label(), QDir::toNativeSeparators(programFile()));

        f->run(ObjectName::SaveAction); // a path below a regular file cannot be written
        QCOMPARE(f->messenger.texts().last(), expected::SaveFailed);
        QCOMPARE(f->messenger.messages().last().icon, MessageIcon::Exclamation);
        QCOMPARE(readBytes(typed), saved);
        // Each dialog opens in the folder of the table file saved or loaded last.
        const QString asked = u"設定の保存|(*.csv)|*.csv|"_s + f->dir.path();
        QCOMPARE(dialogs.asked, (QStringList { asked, asked, asked + u"/sub"_s }));

        // Something in the way of the file that the save at exit writes.
        QVERIFY(QDir(f->dir.path()).mkdir(u"IdCodeTable.csv"_s));
        QSignalSpy closed(f->window, &MainWindow::closed);
        f->messenger.clear();
        f->run(ObjectName::ExitAction); // OK, but the save cannot be written
        QCOMPARE(
            f->messenger.texts(), (QStringList { expected::SaveQuestion, expected::SaveFailed }));
        QCOMPARE(f->messenger.messages().last().icon, MessageIcon::Exclamation);
        QVERIFY(f->window->isVisible());
        QCOMPARE(closed.size(), 0);
        f->messenger.queueAnswer(MessageAnswer::Cancel); // the user gives up the edits
        f->run(ObjectName::ExitAction);
        QCOMPARE(closed.size(), 1);
    }

    // Cancelled, a name that is not there, a folder: nothing changes (only
    // the folder is reported). Then a load replaces what the fields show.
    void loadOnlyFromAReadableFileAndExitSavesBesideTheProgram()
    {
        QVERIFY(writeBytes(programFile(), tableFile({ { 1, "2800001" }, { 6, "2800006" } }, 30)));
        QVERIFY(QDir(f->dir.path()).mkdir(u"folder.csv"_s));
        f->create();
        WindowFixture::retype(f->row(IdList::Operators, 0), u"28000FF"_s);
        WindowFixture::retype(f->row(IdList::Operators, 6), u"2800077"_s); // never gathered
        const IdCodeTable before = f->document().table();
        const QString path = f->dir.filePath(u"short.csv"_s);
        const QByteArray shortFile = "1,2800000\r\n2,2800111\r\n";
        QVERIFY(writeBytes(path, shortFile));
        dialogs.paths = { QString(), f->dir.filePath(u"missing.csv"_s),
            f->dir.filePath(u"folder.csv"_s), path };

        for (int i = 0; i < 3; ++i)
            f->run(ObjectName::LoadAction);
        QCOMPARE(f->messenger.texts(), QStringList { expected::LoadFailed });
        QCOMPARE(f->messenger.messages().first().icon, MessageIcon::Exclamation);
        QVERIFY(f->document().table() == before);
        QCOMPARE(f->row(IdList::Operators, 0)->text(), u"28000FF");
        QCOMPARE(f->document().filePath(), programFile());
        QCOMPARE(label(), QDir::toNativeSeparators(programFile()));

        f->messenger.clear();
        f->run(ObjectName::LoadAction);
        QCOMPARE(dialogs.asked, QStringList(4, u"設定の読込み|(*.csv)|*.csv|"_s + f->dir.path()));
        QCOMPARE(f->rowTexts(IdList::Operators).mid(0, 7),
            (QStringList { u"2800111"_s, NoId, NoId, NoId, NoId, u"2800006"_s, NoId }));
        QCOMPARE(f->holdTime()->text(), u"30");
        QCOMPARE(f->document().filePath(), path);
        QCOMPARE(label(), QDir::toNativeSeparators(path));
        QCOMPARE(f->messenger.texts(),
            QStringList { LoadedShort + u"行数が 2 行です（IDコード表は 215 行）。"_s });
        f->messenger.clear();

        f->run(ObjectName::ExitAction); // the load changed the fields: asks, OK
        QCOMPARE(f->messenger.texts(), QStringList { expected::SaveQuestion });
        QCOMPARE(readBytes(programFile()), tableFile({ { 1, "2800111" }, { 6, "2800006" } }, 30));
        QCOMPARE(readBytes(path), shortFile);
    }

    // CSV読込み, and the start-up load once the window is up, say what sets
    // a file apart from a table file after loading what it could; a
    // well-formed file shows nothing.
    void loadingAFileThatIsNoTableSaysWhatIsWrong_data()
    {
        QTest::addColumn<bool>("atStartUp"); // else by CSV読込み
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("base"); // the base field after the load
        QTest::addColumn<QString>("fault"); // the message's second line; empty: no message

        QTest::newRow("not a table") << false << QByteArray("name,age\r\nfoo,12\r\nbar,7\r\n")
                                     << u"A0E"_s << u"行数が 3 行です（IDコード表は 215 行）。"_s;
        QTest::newRow("hold time 150") << false << tableFile({}, 150) << u"2800000"_s
                                       << u"214 行目の値が 1～99 の警報時間設定ではありません。"_s;
        QTest::newRow("well-formed")
            << false << tableFile({ { 0, "2800ABC" } }) << u"2800ABC"_s << QString();
        QTest::newRow("start-up, renumbered")
            << true << tableFile().replace("\n2,", "\n1,") << u"2800000"_s
            << u"2 行目が行番号 2 で始まっていません。"_s;
        QTest::newRow("start-up, an ID of eight digits")
            << true << tableFile({ { 113, "12345678" } }) << u"2800000"_s
            << u"114 行目の値が 16進数 7 桁までの ID ではありません。"_s;
        QTest::newRow("start-up, allowance 5")
            << true << tableFile({}, 2, 5) << u"2800000"_s
            << u"215 行目の値が 1～4 の重機オペ許可人数ではありません。"_s;
        QTest::newRow("start-up, well-formed") << true << tableFile() << u"2800000"_s << QString();
    }
    void loadingAFileThatIsNoTableSaysWhatIsWrong()
    {
        QFETCH(bool, atStartUp);
        QFETCH(QByteArray, content);
        QFETCH(QString, base);
        QFETCH(QString, fault);
        const QString path = atStartUp ? programFile() : f->dir.filePath(u"other.csv"_s);
        QVERIFY(writeBytes(path, content));
        f->create();
        if (atStartUp) {
            // Not before the window is up: the program shows it, then the message.
            QVERIFY(f->messenger.messages().isEmpty());
            f->window->show();
        } else {
            dialogs.paths = { path };
            f->run(ObjectName::LoadAction);
        }
        if (fault.isEmpty()) {
            QCoreApplication::processEvents();
            QCOMPARE(f->messenger.texts(), QStringList());
        } else {
            QTRY_COMPARE(f->messenger.texts(), QStringList { LoadedShort + fault });
            QCOMPARE(f->messenger.messages().first().icon, MessageIcon::Exclamation);
            QCOMPARE(f->messenger.messages().first().title, u"Kalvidor装置");
        }
        QCOMPARE(f->base()->text(), base);
        QCOMPARE(f->document().filePath(), path);
    }

    // By the close box; the exit command closes the window the same way.
    void leavingAsksToSaveOnlyWhenModified_data()
    {
        QTest::addColumn<bool>("modified"); // else started from an unchanged file
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("saved");
        QTest::newRow("unmodified") << false << MessageAnswer::Ok << false;
        QTest::newRow("OK") << true << MessageAnswer::Ok << true;
        QTest::newRow("Cancel") << true << MessageAnswer::Cancel << false;
    }
    void leavingAsksToSaveOnlyWhenModified()
    {
        QFETCH(bool, modified);
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, saved);
        // Line feeds only: any save rewrites the file with CR LF.
        const QByteArray original = tableFile({ { 5, "2800005" } }).replace("\r\n", "\n");
        QVERIFY(writeBytes(programFile(), original));
        f->create();
        if (modified)
            WindowFixture::retype(f->row(IdList::HeavyMachines, 0), u"2800009"_s);
        f->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->window));
        QSignalSpy closed(f->window, &MainWindow::closed);
        f->messenger.queueAnswer(answer);

        QCloseEvent event; // what the platform sends when the user clicks the close box
        QCoreApplication::sendEvent(f->window->windowHandle(), &event);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(f->messenger.messages().size(), modified ? 1 : 0); // asked once, if at all
        if (modified) {
            const Message &m = f->messenger.messages().first();
            QCOMPARE(m.text, expected::SaveQuestion);
            QCOMPARE(m.icon, MessageIcon::Information);
            QCOMPARE(m.buttons, MessageButtons::OkCancel);
            QCOMPARE(m.title, u"Kalvidor装置");
        }
        QCOMPARE(readBytes(programFile()),
            saved ? tableFile({ { 5, "2800005" }, { 113, "2800009" } }) : original);
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
