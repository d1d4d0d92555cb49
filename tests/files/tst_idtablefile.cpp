#include "files/idtablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

namespace {

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A table whose every slot differs from what the test files hold, so a
// slot a load does not reach is easy to tell.
IdCodeTable markedTable()
{
    IdCodeTable t;
    for (int s = 0; s < SlotCount; ++s)
        t.Ids[s] = 0x100000 + s;
    t.HoldTime = 7;
    t.OperatorAllowance = 3;
    t.Modified = true;
    return t;
}

// Lines "n,value" with the value of slot n-1 being 0xA000 + slot, then the
// two parameters; lines 1..count joined by lineEnd.
QList<QByteArray> fileLines(const QByteArray &hold = "42", const QByteArray &allowance = "2")
{
    QList<QByteArray> lines;
    for (int s = 0; s < SlotCount; ++s)
        lines.append(QByteArray::number(s + 1) + ',' + QByteArray::number(0xA000 + s, 16));
    lines.append("214," + hold);
    lines.append("215," + allowance);
    return lines;
}

QByteArray joined(const QList<QByteArray> &lines, const QByteArray &lineEnd = "\r\n")
{
    QByteArray out;
    for (const QByteArray &l : lines)
        out += l + lineEnd;
    return out;
}

// The marked table after loading the first slotCount slots of fileLines().
IdCodeTable loadedSlots(int slotCount, int hold = 7, int allowance = 3)
{
    IdCodeTable t = markedTable();
    for (int s = 0; s < slotCount; ++s)
        t.Ids[s] = 0xA000 + s;
    t.HoldTime = qint16(hold);
    t.OperatorAllowance = qint16(allowance);
    return t;
}

} // namespace

Q_DECLARE_METATYPE(kalvidor::IdCodeTable)

class TestIdTableFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void defaultTableFileBytes()
    {
        IdCodeTable t;
        ResetTableToDefaults(t);
        const QString path = m_dir.filePath(u"IdCodeTable.csv"_s);
        QVERIFY(SaveIdCodeTable(path, t));
        QByteArray expected;
        for (int line = 1; line <= 213; ++line)
            expected += QByteArray::number(line) + ",2800000\r\n";
        expected += "214,2\r\n215,1\r\n";
        QCOMPARE(readBytes(path), expected);
    }

    void savedTableLoadsBackUnchanged()
    {
        // Every kind of value a slot can hold: -1, zero, small, single digit
        // boundaries, the largest ID, and a spread of values in between.
        IdCodeTable saved;
        const qint32 fixed[] = { -1, 0, 1, 0xF, 0x10, 0xFF, 0x100, 0xFFFF, 0x10000, 0x2800000,
            0xFFFFFFE, 0xFFFFFFF };
        QRandomGenerator random(2024);
        for (int s = 0; s < SlotCount; ++s)
            saved.Ids[s] = s < int(std::size(fixed)) ? fixed[s] : random.bounded(-1, 0x10000000);
        saved.HoldTime = 99;
        saved.OperatorAllowance = 4;

        const QString path = m_dir.filePath(u"roundtrip.csv"_s);
        QVERIFY(SaveIdCodeTable(path, saved));
        QVERIFY(readBytes(path).startsWith("1,FFFFFFFF\r\n2,0\r\n3,1\r\n4,F\r\n5,10\r\n"));

        IdCodeTable loaded;
        loaded.Modified = true;
        QCOMPARE(LoadIdCodeTable(path, loaded), LoadOutcome::Loaded);
        QVERIFY(loaded.Modified); // loading leaves the flag alone
        loaded.Modified = false;
        QCOMPARE(loaded, saved);
    }

    void loadsFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<IdCodeTable>("expected");

        const QList<QByteArray> all = fileLines();
        QTest::newRow("whole file") << joined(all) << loadedSlots(SlotCount, 42, 2);
        QTest::newRow("empty file") << QByteArray() << markedTable();
        QTest::newRow("100 lines") << joined(all.first(100)) << loadedSlots(100);
        QTest::newRow("214 lines") << joined(all.first(214)) << loadedSlots(SlotCount, 42);
        QTest::newRow("LF line ends") << joined(all, "\n") << loadedSlots(SlotCount, 42, 2);
        QTest::newRow("CR line ends") << joined(all, "\r") << loadedSlots(SlotCount, 42, 2);
        QTest::newRow("no final line end")
            << joined(all).chopped(2) << loadedSlots(SlotCount, 42, 2);

        QList<QByteArray> same;
        for (const QByteArray &l : all)
            same.append("1" + l.mid(l.indexOf(',')));
        QTest::newRow("every line numbered 1") << joined(same) << loadedSlots(SlotCount, 42, 2);

        QList<QByteArray> extra = all;
        extra.append("216,5");
        extra.append("garbage");
        QTest::newRow("lines after 215 ignored") << joined(extra) << loadedSlots(SlotCount, 42, 2);

        const auto withLine = [&](int line, const QByteArray &text) {
            QList<QByteArray> l = all;
            l[line - 1] = text;
            return joined(l);
        };
        const auto withSlot = [](int slot, qint32 value, int hold = 42, int allowance = 2) {
            IdCodeTable t = loadedSlots(SlotCount, hold, allowance);
            t.Ids[slot] = value;
            return t;
        };
        QTest::newRow("third field ignored") << withLine(5, "5,ABC,xyz") << withSlot(4, 0xABC);
        QTest::newRow("eight characters") << withLine(3, "3,12345678") << withSlot(2, -1);
        QTest::newRow("G counts as 0") << withLine(3, "3,G1") << withSlot(2, 1);
        QTest::newRow("blanks kept as digits") << withLine(3, "3, 1 ") << withSlot(2, 0x10);
        QTest::newRow("first field never read") << withLine(3, "zz,5") << withSlot(2, 5);
        QTest::newRow("empty second field") << withLine(3, "3,,x") << withSlot(2, 0);
        QTest::newRow("no comma keeps slot") << withLine(3, "3") << withSlot(2, 0x100002);
        QTest::newRow("nothing after comma keeps slot")
            << withLine(3, "3,") << withSlot(2, 0x100002);
        QTest::newRow("empty line keeps slot") << withLine(1, "") << withSlot(0, 0x100000);

        const auto holdRow = [&](const char *name, const QByteArray &text, int hold) {
            QTest::newRow(name) << withLine(214, "214," + text) << loadedSlots(SlotCount, hold, 2);
        };
        holdRow("hold 0", "0", 2);
        holdRow("hold 1", "1", 1);
        holdRow("hold 99", "99", 99);
        holdRow("hold 100", "100", 2);
        holdRow("hold -5", "-5", 2);
        holdRow("hold 2.5 to even", "2.5", 2);
        holdRow("hold 3.5 to even", "3.5", 4);
        holdRow("hold 2.51", "2.51", 3);
        holdRow("hold blanks and sign", " \t+12 ", 12);
        holdRow("hold beyond 32 bits", "99999999999", 2);
        holdRow("hold exponent", "1E1", 10);
        holdRow("hold huge exponent", "1E400", 2);

        // Text that is no number ends the load at that line.
        QTest::newRow("hold abc") << withLine(214, "214,abc") << loadedSlots(SlotCount);
        QTest::newRow("hold empty") << withLine(214, "214,") << loadedSlots(SlotCount);
        QTest::newRow("hold no comma") << withLine(214, "214") << loadedSlots(SlotCount);
        QTest::newRow("hold trailing text") << withLine(214, "214,5x") << loadedSlots(SlotCount);
        QTest::newRow("hold hexadecimal") << withLine(214, "214,&H10") << loadedSlots(SlotCount);
        QTest::newRow("allowance abc") << withLine(215, "215,abc") << loadedSlots(SlotCount, 42, 3);

        const auto allowanceRow = [&](const char *name, const QByteArray &text, int allowance) {
            QTest::newRow(name) << withLine(215, "215," + text)
                                << loadedSlots(SlotCount, 42, allowance);
        };
        allowanceRow("allowance 5", "5", 1);
        allowanceRow("allowance 0", "0", 1);
        allowanceRow("allowance 4", "4", 4);
        allowanceRow("allowance 3.5", "3.5", 4);
    }
    void loadsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(IdCodeTable, expected);
        const QString path = m_dir.filePath(u"load.csv"_s);
        QVERIFY(writeBytes(path, content));
        IdCodeTable table = markedTable();
        QCOMPARE(LoadIdCodeTable(path, table), LoadOutcome::Loaded);
        QCOMPARE(table, expected);
    }

    void overlongLineIsSkippedPast()
    {
        QList<QByteArray> lines = fileLines();
        lines[49] = "50," + QByteArray(1024 * 1024, 'A');
        const QString path = m_dir.filePath(u"long.csv"_s);
        QVERIFY(writeBytes(path, joined(lines)));
        IdCodeTable table = markedTable();
        QCOMPARE(LoadIdCodeTable(path, table), LoadOutcome::Loaded);
        IdCodeTable expected = loadedSlots(SlotCount, 42, 2);
        expected.Ids[49] = -1; // eight or more characters
        QCOMPARE(table, expected);
    }

    void binaryFileLoadsSafely()
    {
        QByteArray binary(512 * 1024, '\0');
        QRandomGenerator random(7);
        for (char &c : binary)
            c = char(random.bounded(256));
        const QString path = m_dir.filePath(u"binary.csv"_s);
        QVERIFY(writeBytes(path, binary));
        IdCodeTable table = markedTable();
        QCOMPARE(LoadIdCodeTable(path, table), LoadOutcome::Loaded);
        QVERIFY(table.HoldTime == 7 || (table.HoldTime >= 1 && table.HoldTime <= 99));
        QVERIFY(table.OperatorAllowance == 3
            || (table.OperatorAllowance >= 1 && table.OperatorAllowance <= 4));
    }

    void unreadableFileLeavesTableAlone()
    {
        IdCodeTable table = markedTable();
        QCOMPARE(LoadIdCodeTable(m_dir.path(), table), LoadOutcome::CannotOpen);
        QCOMPARE(LoadIdCodeTable(m_dir.filePath(u"missing.csv"_s), table), LoadOutcome::CannotOpen);
        QCOMPARE(table, markedTable());
    }

    void failedSaveReportsAndKeepsOldContent()
    {
        IdCodeTable t;
        ResetTableToDefaults(t);

        // Below a regular file nothing can be created.
        const QString plain = m_dir.filePath(u"plain"_s);
        QVERIFY(writeBytes(plain, "old"));
        QVERIFY(!SaveIdCodeTable(plain + u"/IdCodeTable.csv"_s, t));
        QCOMPARE(readBytes(plain), QByteArray("old"));

        // A directory in place of the file is not replaced.
        const QString dir = m_dir.filePath(u"taken.csv"_s);
        QVERIFY(QDir().mkpath(dir + u"/inner"_s));
        QVERIFY(!SaveIdCodeTable(dir, t));
        QVERIFY(QFileInfo(dir + u"/inner"_s).isDir());
    }

    void saveIntoReadOnlyFolderFails()
    {
        const QString folder = m_dir.filePath(u"readonly"_s);
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + u"/IdCodeTable.csv"_s;
        QVERIFY(writeBytes(path, "old"));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const bool enforced = !QFile(folder + u"/probe"_s).open(QIODevice::WriteOnly);
        IdCodeTable t;
        ResetTableToDefaults(t);
        const bool saved = SaveIdCodeTable(path, t);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!enforced)
            QSKIP("this user ignores permission bits");
        QVERIFY(!saved);
        QCOMPARE(readBytes(path), QByteArray("old"));
    }

    void csvField_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("field");
        QTest::newRow("second") << "5,ABC" << 2 << true << "ABC";
        QTest::newRow("first") << "5,ABC" << 1 << true << "5";
        QTest::newRow("empty between commas") << "5,,x" << 2 << true << "";
        QTest::newRow("third") << "5,,x" << 3 << true << "x";
        QTest::newRow("middle of three") << "5,ABC,xyz" << 2 << true << "ABC";
        QTest::newRow("nothing trimmed") << " a , b " << 2 << true << " b ";
        QTest::newRow("quotes are text") << "\"a,b\"" << 2 << true << "b\"";
        QTest::newRow("leading comma") << ",x" << 1 << true << "";
        QTest::newRow("ends after comma") << "5," << 2 << false << "kept";
        QTest::newRow("no comma") << "5" << 2 << false << "kept";
        QTest::newRow("too few commas") << "1,2" << 3 << false << "kept";
        QTest::newRow("empty line") << "" << 1 << false << "kept";
        QTest::newRow("two trailing commas") << "1,," << 3 << false << "kept";
    }
    void csvField()
    {
        QFETCH(QString, line);
        QFETCH(int, n);
        QFETCH(bool, found);
        QFETCH(QString, field);
        QString out = u"kept"_s;
        QCOMPARE(GetCsvField(line, n, out), found);
        QCOMPARE(out, field);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestIdTableFile)
#include "tst_idtablefile.moc"
