#include "common/leadingnumber.h"

#include <QTest>

#include <limits>

using namespace kalvidor;

class TestLeadingNumber : public QObject
{
    Q_OBJECT

private slots:
    void readsTheNumberAtTheStart_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("fraction") << "2.9" << 2.9;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("negative") << "-2" << -2.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("blanks anywhere are removed") << " 1 2\t3\n" << 123.0;
        QTest::newRow("carriage return stops") << "12\r34" << 12.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("D exponent") << "15d-1" << 1.5;
        QTest::newRow("exponent sign") << "2e+2" << 200.0;
        QTest::newRow("incomplete signed exponent") << "7E-x" << 7.0;
        QTest::newRow("hex lower case") << "&hff" << 255.0;
        QTest::newRow("octal stops at 8") << "&O178" << 15.0;
        QTest::newRow("unknown prefix") << "&X12" << 0.0;
        QTest::newRow("ampersand alone") << "&" << 0.0;
        QTest::newRow("tiny underflows to zero") << "1E-400" << 0.0;
    }
    void readsTheNumberAtTheStart()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(leadingNumber(text), expected);
    }

    void conversionsToTheStoredWidths()
    {
        QCOMPARE(leadingNumber(u"1E400"), std::numeric_limits<double>::infinity());
        QCOMPARE(leadingNumber(u"-9e999"), -std::numeric_limits<double>::infinity());
        QVERIFY(!roundHalfEvenToInt32(leadingNumber(u"1E400")));
        QVERIFY(!floorToInt16(leadingNumber(u"-1E400")));
        QCOMPARE(floorClamped(leadingNumber(u"1E400"), 1, 4), 4);
        QCOMPARE(floorClamped(leadingNumber(u"-1E400"), 1, 4), 1);
        QCOMPARE(roundHalfEvenToInt32(-2.5), std::optional<qint32>(-2));
        QCOMPARE(roundHalfEvenToInt32(2147483647.0), std::optional<qint32>(2147483647));
        QVERIFY(!roundHalfEvenToInt32(2147483648.0));
        QCOMPARE(roundHalfEvenToInt16(32767.4), std::optional<qint16>(32767));
        QVERIFY(!roundHalfEvenToInt16(32767.5));
        QCOMPARE(floorToInt16(-0.5), std::optional<qint16>(-1));
        QVERIFY(!floorToInt16(40000));
        QCOMPARE(floorClamped(2.9, 1, 4), 2);
        QCOMPARE(floorClamped(9, 1, 4), 4);
        QCOMPARE(floorClamped(-2, 1, 4), 1);
    }
};

QTEST_GUILESS_MAIN(TestLeadingNumber)
#include "tst_leadingnumber.moc"
