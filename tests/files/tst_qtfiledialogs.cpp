#include "app/qtfiledialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// Answers the next file dialog as a user would: types a name and accepts it.
struct NameTyper : QObject
{
    QString name;
    QString filters; // what the dialog offered
    explicit NameTyper(const QString &typed)
        : name(typed)
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QFileDialog *>(watched);
        if (dialog && event->type() == QEvent::Show) {
            filters = dialog->nameFilters().join(u";;"_s);
            QTimer::singleShot(0, dialog, [this, dialog] {
                dialog->selectFile(name);
                static_cast<QDialog *>(dialog)->accept(); // what its Save button does
            });
        }
        return false;
    }
};

} // namespace

class TestQtFileDialogs : public QObject
{
    Q_OBJECT

private slots:
    void filterNotation_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("converted");
        QTest::newRow("the file menu's, its description shown once")
            << u"(*.csv)|*.csv"_s << u"(*.csv)"_s;
        QTest::newRow("two entries")
            << u"CSV|*.csv|Text|*.txt;*.log"_s << u"CSV (*.csv);;Text (*.txt *.log)"_s;
        QTest::newRow("Qt's form already") << u"CSV (*.csv)"_s << u"CSV (*.csv)"_s;
    }
    void filterNotation()
    {
        QFETCH(QString, filter);
        QFETCH(QString, converted);
        QCOMPARE(QtFileDialogs::qtNameFilter(filter), converted);
    }

    void typedNameGetsNoExtension()
    {
        QTemporaryDir dir;
        const QString typed = dir.filePath(u"table"_s);
        NameTyper user(typed);
        QtFileDialogs dialogs;
        QCOMPARE(dialogs.saveFileName(u"設定の保存"_s, u"(*.csv)|*.csv"_s), typed);
        QCOMPARE(user.filters, u"(*.csv)"_s);
    }
};

QTEST_MAIN(TestQtFileDialogs)
#include "tst_qtfiledialogs.moc"
