#include "filebytes.h"
#include "files/idtablefile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

// A table whose every slot differs from what the test files hold, with the
// first slotCount slots as loaded from fileLines(): a slot a load does not
// reach is easy to tell.
IdCodeTable loadedSlots(int slotCount, int hold = 7, int allowance = 3)
{
    IdCodeTable t;
    for (int s = 0; s < SlotCount; ++s)
        t.ids[s] = s < slotCount ? 0xA000 + s : 0x100000 + s;
    t.holdTime = qint16(hold);
    t.operatorAllowance = qint16(allowance);
    return t;
}

// The lines of a whole file: slot s holds 0xA000 + s, hold time 42, allowance 2.
QList<QByteArray> fileLines()
{
    QList<QByteArray> lines;
    for (int s = 0; s < SlotCount; ++s)
        lines.append(QByteArray::number(s + 1) + ',' + QByteArray::number(0xA000 + s, 16));
    return lines << "214,42"
                 << "215,2";
}

QByteArray joined(const QList<QByteArray> &lines, const QByteArray &lineEnd = "\r\n")
{
    QByteArray out;
    for (const QByteArray &l : lines)
        out += l + lineEnd;
    return out;
}

} // namespace

namespace kalvidor {
// How QCOMPARE prints a check: "Value at 214 of 215 lines".
char *toString(const TableFileCheck &check)
{
    static const char *const faults[] = { "None", "LineCount", "LineNumber", "Value" };
    return QTest::toString(QString(u"%1 at %2 of %3 lines"_s)
                               .arg(QLatin1StringView(faults[int(check.fault)]))
                               .arg(check.line)
                               .arg(check.lineCount));
}
} // namespace kalvidor

Q_DECLARE_METATYPE(kalvidor::IdCodeTable)
Q_DECLARE_METATYPE(kalvidor::TableFileCheck)

class TestIdTableFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void savedTableLoadsBackUnchanged()
    {
        // Every kind of value a slot can hold: -1, zero, small, single digit
        // boundaries, the largest ID, and a spread of values in between.
        IdCodeTable saved;
        const qint32 fixed[] = { -1, 0, 1, 0xF, 0x10, 0xFF, 0x100, 0xFFFF, 0x10000, 0x2800000,
            0xFFFFFFE, 0xFFFFFFF };
        QRandomGenerator random(2024);
        for (int s = 0; s < SlotCount; ++s)
            saved.ids[s] = s < int(std::size(fixed)) ? fixed[s] : random.bounded(-1, 0x10000000);
        saved.holdTime = 99;
        saved.operatorAllowance = 4;

        const QString path = m_dir.filePath(u"roundtrip.csv"_s);
        QVERIFY(saveIdCodeTable(path, saved));
        QVERIFY(readBytes(path).startsWith("1,FFFFFFFF\r\n2,0\r\n3,1\r\n4,F\r\n5,10\r\n"));

        IdCodeTable loaded;
        QCOMPARE(loadIdCodeTable(path, loaded), LoadOutcome::Loaded);
        QCOMPARE(loaded, saved);
    }

    void loadsFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<IdCodeTable>("expected");

        const QList<QByteArray> all = fileLines();
        QTest::newRow("whole file") << joined(all) << loadedSlots(SlotCount, 42, 2);
        QTest::newRow("empty file") << QByteArray() << loadedSlots(0);
        QTest::newRow("100 lines") << joined(all.first(100)) << loadedSlots(100);
        QTest::newRow("CR line ends") << joined(all, "\r") << loadedSlots(SlotCount, 42, 2);
        QList<QByteArray> same = all;
        for (QByteArray &l : same)
            l = "1" + l.mid(l.indexOf(','));
        same.append("216,5");
        QTest::newRow("renumbered, line 216") << joined(same) << loadedSlots(SlotCount, 42, 2);

        // One line of the whole file changed, and what the table then holds.
        const auto row = [&](const char *name, int line, const QByteArray &text, int slot,
                             qint32 value, int hold = 42, int allowance = 2) {
            QList<QByteArray> l = all;
            l[line - 1] = text;
            IdCodeTable t = loadedSlots(SlotCount, hold, allowance);
            if (slot >= 0)
                t.ids[slot] = value;
            QTest::newRow(name) << joined(l) << t;
        };
        row("third field ignored", 5, "5,ABC,xyz", 4, 0xABC);
        row("quotes are text", 3, "3,\"A\",x", 2, 0xA0);
        row("blanks kept as zeros", 3, "3, 1 ", 2, 0x10);
        row("empty second field", 3, "3,,x", 2, 0);
        row("nothing after the comma keeps slot", 3, "3,", 2, 0x100002);
        row("no comma keeps slot", 3, "3", 2, 0x100002);
        row("empty line keeps slot", 1, "", 0, 0x100000);
        row("hold 0", 214, "214,0", -1, 0, 2);
        row("hold 99", 214, "214,99", -1, 0, 99);
        row("hold 100", 214, "214,100", -1, 0, 2);
        row("hold 2.5 to even", 214, "214,2.5", -1, 0, 2);
        row("hold 3.5 to even", 214, "214,3.5", -1, 0, 4);
        row("hold blanks and sign", 214, "214, \t+12 ", -1, 0, 12);
        row("hold beyond 32 bits", 214, "214,99999999999", -1, 0, 2);
        row("allowance 5", 215, "215,5", -1, 0, 42, 1);
        row("allowance 4", 215, "215,4", -1, 0, 42, 4);
        // Text that is no number ends the load at that line.
        row("hold abc", 214, "214,abc", -1, 0, 7, 3);
        row("hold empty", 214, "214,", -1, 0, 7, 3);
        row("hold trailing text", 214, "214,5x", -1, 0, 7, 3);
        row("allowance abc", 215, "215,abc", -1, 0, 42, 3);
        row("over-long line", 50, "50," + QByteArray(1 << 20, 'A'), 49, -1);
    }
    void loadsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(IdCodeTable, expected);
        const QString path = m_dir.filePath(u"load.csv"_s);
        QVERIFY(writeBytes(path, content));
        IdCodeTable table = loadedSlots(0);
        QCOMPARE(loadIdCodeTable(path, table), LoadOutcome::Loaded);
        QCOMPARE(table, expected);
    }

    // The first fault of a file: its line count when that is not 215, else
    // the first line that is not its number, one comma and a value its line
    // can hold as written. A strict load takes a well-formed file only; a
    // lenient one loads as loadsFile shows, whatever the check finds.
    void checkNamesTheFirstFault_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<TableFileCheck>("expected");

        const QList<QByteArray> all = fileLines();
        const auto lines = [](int count) { return TableFileCheck { {}, 0, count }; };
        const auto countFault = [](int count) {
            return TableFileCheck { TableFileFault::LineCount, 0, count };
        };
        QTest::newRow("whole file") << joined(all) << lines(215);
        QTest::newRow("LF line ends") << joined(all, "\n") << lines(215);
        QTest::newRow("not a table")
            << QByteArray("name,age\r\nfoo,12\r\nbar,7\r\n") << countFault(3);
        QTest::newRow("empty file") << QByteArray() << countFault(0);
        QTest::newRow("100 lines") << joined(all.first(100)) << countFault(100);
        QList<QByteArray> longer = all;
        longer[4] = "5,xyz";
        QTest::newRow("line 216 outweighs a bad line")
            << joined(longer << "216,1") << countFault(216);
        QTest::newRow("an empty line after the last") << joined(all) + "\r\n" << countFault(216);

        // One or two lines of the whole file changed.
        const auto row
            = [&](const char *name, int line, const QByteArray &text, TableFileFault fault,
                  int faultLine = 0, int otherLine = 0) {
                  QList<QByteArray> l = all;
                  l[line - 1] = text;
                  if (otherLine)
                      l[otherLine - 1] = "x";
                  QTest::newRow(name)
                      << joined(l)
                      << TableFileCheck { fault,
                             fault == TableFileFault::None ? 0 : (faultLine ? faultLine : line),
                             215 };
              };
        const TableFileFault None = TableFileFault::None, Number = TableFileFault::LineNumber,
                             Value = TableFileFault::Value;
        row("lower case, seven digits", 3, "3,fffffff", None);
        row("zero", 3, "3,0", None);
        row("leading zeros in the number", 9, "009,A008", None);
        row("hold 99, leading zero", 214, "214,099", None);
        row("allowance 4", 215, "215,4", None);
        row("the first of two faults", 7, "7,", Value, 0, 12);
        row("number of another line", 2, "1,A001", Number);
        row("number with a blank", 2, " 2,A001", Number);
        row("no comma", 2, "A001", Number);
        row("number alone", 3, "3", Value);
        row("nothing after the comma", 3, "3,", Value);
        row("third field", 5, "5,ABC,xyz", Value);
        row("blanks around the ID", 3, "3, 1 ", Value);
        row("not hexadecimal", 3, "3,12G4", Value);
        row("eight digits (-1 as saved)", 3, "3,FFFFFFFF", Value);
        row("hold 0", 214, "214,0", Value);
        row("hold 150", 214, "214,150", Value);
        row("hold 2.5", 214, "214,2.5", Value);
        row("hold with a sign", 214, "214,+12", Value);
        row("hold abc", 214, "214,abc", Value);
        row("allowance 5", 215, "215,5", Value);
        row("allowance beyond 32 bits", 215, "215,99999999999", Value);
    }
    void checkNamesTheFirstFault()
    {
        QFETCH(QByteArray, content);
        QFETCH(TableFileCheck, expected);
        const QString path = m_dir.filePath(u"check.csv"_s);
        QVERIFY(writeBytes(path, content));

        IdCodeTable lenient = loadedSlots(0);
        TableFileCheck check { TableFileFault::LineNumber, 99, 99 };
        QCOMPARE(loadIdCodeTable(path, lenient, TableFileStrictness::Lenient, &check),
            LoadOutcome::Loaded);
        QCOMPARE(check, expected);

        IdCodeTable strict = loadedSlots(0);
        check = {};
        QCOMPARE(loadIdCodeTable(path, strict, TableFileStrictness::Strict, &check),
            expected.isWellFormed() ? LoadOutcome::Loaded : LoadOutcome::NotATable);
        QCOMPARE(check, expected);
        QCOMPARE(strict, expected.isWellFormed() ? lenient : loadedSlots(0));
    }

    // Whether a read's output can be saved, asked before the unit is: as the
    // save itself finds it, and without a file left behind.
    void canSaveLeavesNothingBehind()
    {
        QTemporaryDir dir;
        const QString existing = dir.filePath(u"existing.csv"_s);
        QVERIFY(writeBytes(existing, "old"));
        QVERIFY(QDir(dir.path()).mkdir(u"folder.csv"_s));
        QVERIFY(canSaveIdCodeTable(dir.filePath(u"new.csv"_s)));
        QVERIFY(canSaveIdCodeTable(existing));
        QVERIFY(!canSaveIdCodeTable(dir.filePath(u"folder.csv"_s)));
        QVERIFY(!canSaveIdCodeTable(dir.filePath(u"missing/new.csv"_s)));
        QVERIFY(!canSaveIdCodeTable(existing + u"/below-a-file.csv"_s));
        // A folder that takes no new file, even from root.
        QVERIFY(!canSaveIdCodeTable(u"/proc/kalvidor-new.csv"_s));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList { u"existing.csv"_s, u"folder.csv"_s }));
        QCOMPARE(readBytes(existing), QByteArray("old"));
    }

    void oddFilesLeaveTheTableSane()
    {
        IdCodeTable table = loadedSlots(0);
        QCOMPARE(loadIdCodeTable(m_dir.path(), table), LoadOutcome::CannotOpen); // a directory
        QCOMPARE(loadIdCodeTable(m_dir.filePath(u"missing.csv"_s), table), LoadOutcome::CannotOpen);
        QCOMPARE(table, loadedSlots(0));

        QByteArray binary(512 * 1024, '\0');
        QRandomGenerator random(7);
        for (char &c : binary)
            c = char(random.bounded(256));
        const QString path = m_dir.filePath(u"binary.csv"_s);
        QVERIFY(writeBytes(path, binary));
        // Strict: refused, the table untouched.
        QCOMPARE(loadIdCodeTable(path, table, TableFileStrictness::Strict), LoadOutcome::NotATable);
        QCOMPARE(table, loadedSlots(0));
        QCOMPARE(loadIdCodeTable(path, table), LoadOutcome::Loaded);
        QVERIFY(table.holdTime == 7 || (table.holdTime >= 1 && table.holdTime <= 99));
        QVERIFY(table.operatorAllowance == 3
            || (table.operatorAllowance >= 1 && table.operatorAllowance <= 4));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestIdTableFile)
#include "tst_idtablefile.moc"
