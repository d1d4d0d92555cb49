#include "filebytes.h"
#include "files/qtfiledialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// Answers the next file dialog: notes what it offers, then accepts the given
// path (or cancels when it is empty). The replace question, if one appears,
// gets the given answer; a refused replace leaves the dialog open, and it is
// then cancelled.
struct DialogAnswerer : QObject
{
    QString path;
    QMessageBox::StandardButton replaceAnswer = QMessageBox::No;
    QStringList offered;
    QString nameFilters;
    int questions = 0;

    DialogAnswerer() { qApp->installEventFilter(this); }
    ~DialogAnswerer() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto *dialog = qobject_cast<QFileDialog *>(watched)) {
            offered = dialog->selectedFiles();
            nameFilters = dialog->nameFilters().join(u";;"_s);
            QTimer::singleShot(0, dialog, [this, dialog] {
                if (!path.isEmpty()) {
                    dialog->selectFile(path);
                    static_cast<QDialog *>(dialog)->accept(); // what its Save button does
                }
                if (dialog->isVisible())
                    dialog->reject();
            });
        } else if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            ++questions;
            QTimer::singleShot(0, box, [this, box] { box->button(replaceAnswer)->click(); });
        }
        return false;
    }
};

const QString CsvFilter = u"(*.csv)|*.csv"_s;

} // namespace

class TestQtFileDialogs : public QObject
{
    Q_OBJECT

private slots:
    void filterNotation()
    {
        QCOMPARE(QtFileDialogs::qtNameFilter(CsvFilter), u"(*.csv) (*.csv)"_s);
        QCOMPARE(QtFileDialogs::qtNameFilter(u"CSV|*.csv|Text|*.txt;*.log"_s),
            u"CSV (*.csv);;Text (*.txt *.log)"_s);
        QCOMPARE(QtFileDialogs::qtNameFilter(u"CSV (*.csv)"_s), u"CSV (*.csv)"_s);
    }

    void savesAndOpensThroughOneDialog()
    {
        QTemporaryDir dir;
        const QString typed = dir.filePath(u"table"_s); // no extension
        QtFileDialogs dialogs;
        DialogAnswerer answerer;
        answerer.path = typed;
        QCOMPARE(dialogs.saveFileName(u"設定の保存"_s, CsvFilter), typed);
        QCOMPARE(answerer.nameFilters, u"(*.csv) (*.csv)"_s);
        QCOMPARE(answerer.questions, 0);

        // Replacing the file, now existing, is asked first; No counts as a cancel.
        QVERIFY(writeBytes(typed, "old"));
        QCOMPARE(dialogs.saveFileName(u"設定の保存"_s, CsvFilter), QString());
        answerer.replaceAnswer = QMessageBox::Yes;
        QCOMPARE(dialogs.saveFileName(u"設定の保存"_s, CsvFilter), typed);
        QCOMPARE(answerer.questions, 2);

        // The open dialog offers the path chosen last; a cancel gives an
        // empty result and keeps the remembered path.
        answerer.path.clear();
        QCOMPARE(dialogs.openFileName(u"設定の読込み"_s, CsvFilter), QString());
        QCOMPARE(answerer.offered, QStringList { typed });
        QCOMPARE(dialogs.lastPath(), typed);
    }
};

QTEST_MAIN(TestQtFileDialogs)
#include "tst_qtfiledialogs.moc"
