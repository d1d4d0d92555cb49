// Qt's own dialogs as the program shows them: in Japanese whatever the
// system's language, the file dialogs with the one filter "(*.csv)",
// opening in the folder they are given and offering the path chosen last.
#include "app/qtfiledialogs.h"
#include "app/qtmessenger.h"
#include "app/translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// Runs `look` on the next dialog of type T once it is shown; `look` closes it.
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

// A file dialog's labels, its filters and the path it offers.
QStringList shownBy(QFileDialog *dialog)
{
    QStringList shown;
    for (const auto label : { QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
             QFileDialog::Accept, QFileDialog::Reject })
        shown << dialog->labelText(label);
    const auto *types = dialog->findChild<QComboBox *>(u"fileTypeCombo"_s);
    for (int i = 0; types && i < types->count(); ++i)
        shown << types->itemText(i);
    return shown << dialog->directory().filePath(dialog->selectedFiles().value(0));
}

const QString QtFolderFile
    = QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath)).filePath(u"qtbase_ja.qm"_s);

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT

private slots:
    // Qt's Japanese texts come from the program's own copy, else from Qt's
    // folder: a copy that does not load is passed over.
    void initTestCase()
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

    void messageBoxSpeaksJapanese()
    {
        QStringList texts;
        NextDialog<QMessageBox> user([&](QMessageBox *box) {
            for (const QAbstractButton *button : box->findChildren<QAbstractButton *>()) {
                if (button->isVisible() && !button->text().isEmpty())
                    texts << button->text();
            }
            box->button(QMessageBox::Cancel)->click();
        });
        const MessageAnswer answer = QtMessenger().show({ u"設定内容を保存しますか"_s,
            MessageIcon::Information, MessageButtons::OkCancel, u"Kalvidor装置"_s, u"1行目"_s });
        texts.sort();
        // The program's own "OK" stays as it is.
        QCOMPARE(texts, (QStringList { u"OK"_s, u"キャンセル"_s, u"詳細を表示..."_s }));
        QCOMPARE(answer, MessageAnswer::Cancel);
    }

    // The name typed in the save dialog comes back as typed, no extension
    // added; the open dialog then offers it, whatever folder it was given.
    void fileDialogsSpeakJapaneseAndOfferTheLastPath()
    {
        QTemporaryDir folder, other;
        const QString typed = folder.filePath(u"table"_s);
        QtFileDialogs dialogs;
        dialogs.setFolder(folder.path());
        QStringList shown;
        {
            NextDialog<QFileDialog> user([&](QFileDialog *dialog) {
                shown = shownBy(dialog);
                dialog->selectFile(typed);
                static_cast<QDialog *>(dialog)->accept(); // what its Save button does
            });
            QCOMPARE(dialogs.saveFileName(u"設定の保存"_s, u"(*.csv)|*.csv"_s), typed);
        }
        QCOMPARE(shown,
            (QStringList { u"アドレス:"_s, u"ファイル名(&N):"_s, u"ファイルの種類:"_s,
                u"保存(&S)"_s, u"キャンセル"_s, u"(*.csv)"_s, folder.path() }));

        NextDialog<QFileDialog> user([&](QFileDialog *dialog) {
            shown = shownBy(dialog);
            dialog->reject();
        });
        dialogs.setFolder(other.path());
        QCOMPARE(dialogs.openFileName(u"設定の読込み"_s, u"(*.csv)|*.csv"_s), QString());
        QCOMPARE(
            shown.mid(3), (QStringList { u"開く(&O)"_s, u"キャンセル"_s, u"(*.csv)"_s, typed }));
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
