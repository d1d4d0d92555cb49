// Qt's own dialogs as the program shows them: in Japanese whatever the
// system's language, the file dialogs with the one filter "(*.csv)" and
// opening in the folder of the current table file.
#include "common/objectnames.h"
#include "windowfixture.h"

#include "app/qtfiledialogs.h"
#include "app/qtmessenger.h"
#include "app/translations.h"
#include "common/filedialogs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// Runs `look` on the next dialog of type T once it is shown, then closes it
// as `answer` says (for a message box: the button to click; for a file
// dialog: accept with the selected file, else reject).
template <typename T> struct NextDialog : QObject
{
    std::function<void(T *)> look;
    bool seen = false;

    explicit NextDialog(std::function<void(T *)> l)
        : look(std::move(l))
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<T *>(watched);
        if (dialog && event->type() == QEvent::Show && !seen) {
            seen = true;
            QTimer::singleShot(0, dialog, [this, dialog] { look(dialog); });
        }
        return false;
    }
};

QStringList buttonTexts(QWidget *dialog)
{
    QStringList texts;
    for (const QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        if (button->isVisible() && !button->text().isEmpty())
            texts << button->text();
    }
    texts.sort();
    return texts;
}

// Records the folder each file dialog of the file menu was to open in.
class FolderRecorder final : public FileDialogs
{
public:
    QStringList folders;
    QString answer;

    void setFolder(const QString &folder) override { m_folder = folder; }
    QString saveFileName(const QString &, const QString &) override { return take(); }
    QString openFileName(const QString &, const QString &) override { return take(); }

private:
    QString take()
    {
        folders << m_folder;
        return std::exchange(answer, QString());
    }
    QString m_folder;
};

const QString QtFolderFile
    = QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath)).filePath(u"qtbase_ja.qm"_s);

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QTemporaryDir programDir;
        QCOMPARE(installQtTranslation(programDir.path()), QtFolderFile);
    }

    void messageBoxSpeaksJapanese()
    {
        QStringList texts;
        NextDialog<QMessageBox> user([&](QMessageBox *box) {
            texts = buttonTexts(box);
            box->button(QMessageBox::Cancel)->click();
        });
        QtMessenger messenger;
        const MessageAnswer answer = messenger.show({ u"設定内容を保存しますか"_s,
            MessageIcon::Information, MessageButtons::OkCancel, u"Kalvidor装置"_s, u"1行目"_s });
        QVERIFY(user.seen);
        // The program's own "OK" stays as it is.
        QCOMPARE(texts, (QStringList { u"OK"_s, u"キャンセル"_s, u"詳細を表示..."_s }));
        QCOMPARE(answer, MessageAnswer::Cancel);
    }

    void fileDialogSpeaksJapanese_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("accept");
        QTest::newRow("CSV保存") << true << u"保存(&S)"_s;
        QTest::newRow("CSV読込み") << false << u"開く(&O)"_s;
    }
    void fileDialogSpeaksJapanese()
    {
        QFETCH(bool, save);
        QFETCH(QString, accept);
        QTemporaryDir folder;
        QStringList labels;
        QStringList filters;
        QString shownFolder;
        NextDialog<QFileDialog> user([&](QFileDialog *dialog) {
            for (const auto label : { QFileDialog::LookIn, QFileDialog::FileName,
                     QFileDialog::FileType, QFileDialog::Accept, QFileDialog::Reject })
                labels << dialog->labelText(label);
            const auto *types = dialog->findChild<QComboBox *>(u"fileTypeCombo"_s);
            for (int i = 0; types && i < types->count(); ++i)
                filters << types->itemText(i);
            shownFolder = dialog->directory().absolutePath();
            dialog->reject();
        });
        QtFileDialogs dialogs;
        dialogs.setFolder(folder.path());
        const QString title = save ? u"設定の保存"_s : u"設定の読込み"_s;
        const QString chosen = save ? dialogs.saveFileName(title, u"(*.csv)|*.csv"_s)
                                    : dialogs.openFileName(title, u"(*.csv)|*.csv"_s);
        QVERIFY(user.seen);
        QCOMPARE(chosen, QString());
        QCOMPARE(labels,
            (QStringList { u"アドレス:"_s, u"ファイル名(&N):"_s, u"ファイルの種類:"_s, accept,
                u"キャンセル"_s }));
        QCOMPARE(filters, QStringList { u"(*.csv)"_s });
        QCOMPARE(shownFolder, QDir(folder.path()).absolutePath());
    }

    // The path chosen last is offered again, wherever the current table is.
    void lastChosenPathComesBeforeTheFolder()
    {
        QTemporaryDir first, second;
        const QString typed = first.filePath(u"new.csv"_s);
        QString offered;
        QtFileDialogs dialogs;
        {
            NextDialog<QFileDialog> user([&](QFileDialog *dialog) {
                dialog->selectFile(typed);
                static_cast<QDialog *>(dialog)->accept(); // what its Save button does
            });
            QCOMPARE(dialogs.saveFileName(u"設定の保存"_s, u"(*.csv)|*.csv"_s), typed);
        }
        NextDialog<QFileDialog> user([&](QFileDialog *dialog) {
            offered = dialog->directory().filePath(dialog->selectedFiles().value(0));
            dialog->reject();
        });
        dialogs.setFolder(second.path());
        QCOMPARE(dialogs.openFileName(u"設定の読込み"_s, u"(*.csv)|*.csv"_s), QString());
        QCOMPARE(offered, typed);
    }

    // The file menu hands the dialogs the folder of the current table file:
    // the program folder at start-up, then that of the file saved; a name
    // that does not exist, chosen to load, changes nothing.
    void fileMenuOpensInTheCurrentTableFolder()
    {
        WindowFixture f;
        FolderRecorder dialogs;
        f.services.fileDialogs = &dialogs;
        f.create();
        const QDir dir(f.dir.path());
        QVERIFY(dir.mkpath(u"sub"_s));
        f.trigger(ObjectName::SaveAction); // cancelled
        dialogs.answer = dir.filePath(u"sub/b.csv"_s);
        f.trigger(ObjectName::SaveAction);
        dialogs.answer = dir.filePath(u"missing.csv"_s);
        f.trigger(ObjectName::LoadAction);
        f.trigger(ObjectName::LoadAction); // cancelled
        QCOMPARE(dialogs.folders,
            (QStringList { dir.absolutePath(), dir.absolutePath(), dir.absoluteFilePath(u"sub"_s),
                dir.absoluteFilePath(u"sub"_s) }));
    }

    // A program may carry its own copy; one that does not load is passed over.
    void copyBesideTheProgramComesFirst()
    {
        QTemporaryDir programDir;
        const QString copy = programDir.filePath(u"qtbase_ja.qm"_s);
        QVERIFY(QFile::copy(QtFolderFile, copy));
        QCOMPARE(installQtTranslation(programDir.path()), copy);
        QVERIFY(QFile::remove(copy));
        QFile damaged(copy);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a translation");
        damaged.close();
        QCOMPARE(installQtTranslation(programDir.path()), QtFolderFile);
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
