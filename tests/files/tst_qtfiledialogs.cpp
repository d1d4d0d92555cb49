#include "files/qtfiledialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// Answers the next file dialog that opens: notes what it offers, then runs
// the given action on it once it is shown. Message boxes raised meanwhile
// (the replace question) are answered with a chosen button.
class DialogAnswerer : public QObject
{
public:
    std::function<void(QFileDialog *)> action;
    QMessageBox::StandardButton replaceAnswer = QMessageBox::No;
    QStringList offered;
    QString title;
    QString nameFilters;
    int questions = 0;

    DialogAnswerer() { qApp->installEventFilter(this); }
    ~DialogAnswerer() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto *dialog = qobject_cast<QFileDialog *>(watched)) {
            offered = dialog->selectedFiles();
            title = dialog->windowTitle();
            nameFilters = dialog->nameFilters().join(u";;"_s);
            QTimer::singleShot(0, dialog, [this, dialog] { action(dialog); });
        } else if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            ++questions;
            QTimer::singleShot(0, box, [this, box] { box->button(replaceAnswer)->click(); });
        }
        return false;
    }
};

void choose(QFileDialog *dialog, const QString &path)
{
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept, as its Save button does
    if (dialog->isVisible()) // the replace question was refused
        dialog->reject();
}

} // namespace

class TestQtFileDialogs : public QObject
{
    Q_OBJECT

private slots:
    void filterNotation_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("one entry") << "(*.csv)|*.csv"
                                   << "(*.csv) (*.csv)";
        QTest::newRow("two entries") << "CSV|*.csv|All|*.*"
                                     << "CSV (*.csv);;All (*.*)";
        QTest::newRow("several patterns") << "Text|*.txt;*.csv"
                                          << "Text (*.txt *.csv)";
        QTest::newRow("already Qt") << "CSV (*.csv)"
                                    << "CSV (*.csv)";
    }
    void filterNotation()
    {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(QtFileDialogs::qtNameFilter(filter), qt);
    }

    void typedNameIsKeptAndOfferedAgain()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString typed = dir.filePath(u"table"_s); // no extension
        QtFileDialogs dialogs;
        DialogAnswerer answerer;
        answerer.action = [&](QFileDialog *d) { choose(d, typed); };
        QCOMPARE(dialogs.saveFileName(u"設定の保存"_s, u"(*.csv)|*.csv"_s), typed);
        QCOMPARE(answerer.title, u"設定の保存"_s);
        QCOMPARE(answerer.nameFilters, u"(*.csv) (*.csv)"_s);
        QCOMPARE(answerer.questions, 0);

        // The open dialog offers the path the save dialog returned; cancel
        // gives an empty result and keeps the remembered path.
        answerer.action = [](QFileDialog *d) { d->reject(); };
        QCOMPARE(dialogs.openFileName(u"設定の読込み"_s, u"(*.csv)|*.csv"_s), QString());
        QCOMPARE(answerer.offered, QStringList { typed });
        QCOMPARE(dialogs.lastPath(), typed);
    }

    void replacingAFileAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("no") << int(QMessageBox::No) << false;
    }
    void replacingAFileAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(bool, chosen);
        QTemporaryDir dir;
        const QString existing = dir.filePath(u"old.csv"_s);
        QFile f(existing);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QtFileDialogs dialogs;
        DialogAnswerer answerer;
        answerer.replaceAnswer = QMessageBox::StandardButton(answer);
        answerer.action = [&](QFileDialog *d) { choose(d, existing); };
        QCOMPARE(dialogs.saveFileName(u"設定の保存"_s, u"(*.csv)|*.csv"_s),
            chosen ? existing : QString());
        QCOMPARE(answerer.questions, 1);
    }
};

QTEST_MAIN(TestQtFileDialogs)
#include "tst_qtfiledialogs.moc"
