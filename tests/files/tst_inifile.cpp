#include "files/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray plain = "[CONF]\r\nPORT=3\r\n";
        QTest::newRow("plain") << plain << "CONF"
                               << "PORT"
                               << "3";
        QTest::newRow("section case") << plain << "conf"
                                      << "PORT"
                                      << "3";
        QTest::newRow("key case") << plain << "CONF"
                                  << "Port"
                                  << "3";
        QTest::newRow("file case") << QByteArray("[cOnF]\r\npOrT=3\r\n") << "CONF"
                                   << "PORT"
                                   << "3";
        QTest::newRow("blanks around key and value")
            << QByteArray("[CONF]\r\n \t PORT \t=  \t4 \t\r\n") << "CONF"
            << "PORT"
            << "4";
        QTest::newRow("blanks inside brackets") << QByteArray("  [ CONF ]\r\nPORT=2\r\n") << "CONF"
                                                << "PORT"
                                                << "2";
        QTest::newRow("inner blanks kept") << QByteArray("[CONF]\r\nPORT= a b \r\n") << "CONF"
                                           << "PORT"
                                           << "a b";
        QTest::newRow("empty value") << QByteArray("[CONF]\r\nPORT=\r\n") << "CONF"
                                     << "PORT"
                                     << "";
        QTest::newRow("only blanks") << QByteArray("[CONF]\r\nPORT=   \r\n") << "CONF"
                                     << "PORT"
                                     << "";
        QTest::newRow("missing section") << plain << "OTHER"
                                         << "PORT"
                                         << "ERR";
        QTest::newRow("missing key") << plain << "CONF"
                                     << "BAUD"
                                     << "ERR";
        QTest::newRow("key outside any section") << QByteArray("PORT=1\r\n[CONF]\r\n") << "CONF"
                                                 << "PORT"
                                                 << "ERR";
        QTest::newRow("key of another section")
            << QByteArray("[A]\r\nPORT=1\r\n[CONF]\r\nX=2\r\n") << "CONF"
            << "PORT"
            << "ERR";
        QTest::newRow("commented key")
            << QByteArray("[CONF]\r\n;PORT=1\r\n  ; PORT=2\r\n") << "CONF"
            << "PORT"
            << "ERR";
        QTest::newRow("comment then key")
            << QByteArray("; settings\r\n[CONF]\r\n; the port\r\nPORT=2\r\n") << "CONF"
            << "PORT"
            << "2";
        QTest::newRow("first of two") << QByteArray("[CONF]\r\nPORT=1\r\nPORT=2\r\n") << "CONF"
                                      << "PORT"
                                      << "1";
        QTest::newRow("LF ends") << QByteArray("[CONF]\nPORT=3\n") << "CONF"
                                 << "PORT"
                                 << "3";
        QTest::newRow("CR ends") << QByteArray("[CONF]\rPORT=3\r") << "CONF"
                                 << "PORT"
                                 << "3";
        QTest::newRow("no final line end") << QByteArray("[CONF]\r\nPORT=3") << "CONF"
                                           << "PORT"
                                           << "3";
        QTest::newRow("same key, section A")
            << QByteArray("[A]\r\nPORT=1\r\n[B]\r\nPORT=2\r\n") << "A"
            << "PORT"
            << "1";
        QTest::newRow("same key, section B")
            << QByteArray("[A]\r\nPORT=1\r\n[B]\r\nPORT=2\r\n") << "B"
            << "PORT"
            << "2";
        QTest::newRow("value with equals sign") << QByteArray("[CONF]\r\nPORT=a=b\r\n") << "CONF"
                                                << "PORT"
                                                << "a=b";
        QTest::newRow("value ends at NUL") << QByteArray("[CONF]\r\nPORT=12\0x\r\n", 16) << "CONF"
                                           << "PORT"
                                           << "12";
        QTest::newRow("long value cut to 127 bytes")
            << QByteArray("[CONF]\r\nPORT=" + QByteArray(200, 'v') + "\r\n") << "CONF"
            << "PORT" << QString(127, u'v');
    }
    void readsValues()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath(u"k.ini"_s);
        QVERIFY(writeBytes(path, content));
        QCOMPARE(ReadIni(section, key, path), expected);
    }

    void missingFileReadsAsErr()
    {
        QCOMPARE(ReadIni(u"CONF"_s, u"PORT"_s, m_dir.filePath(u"none.ini"_s)), u"ERR"_s);
        QCOMPARE(ReadIni(u"CONF"_s, u"PORT"_s, m_dir.path()), u"ERR"_s); // a directory
    }

    void hugeAndBinaryFilesReadSafely()
    {
        const QString path = m_dir.filePath(u"big.ini"_s);
        // An over-long line is skipped past, and the key after it still counts.
        QVERIFY(writeBytes(
            path, "[CONF]\r\nJUNK=" + QByteArray(2 * 1024 * 1024, 'x') + "\r\nPORT=4\r\n"));
        QCOMPARE(ReadIni(u"CONF"_s, u"JUNK"_s, path), QString(127, u'x'));
        QCOMPARE(ReadIni(u"CONF"_s, u"PORT"_s, path), u"4"_s);

        QByteArray binary;
        for (int i = 0; i < 256 * 1024; ++i)
            binary.append(char((i * 7919 + i / 13) & 0xFF));
        QVERIFY(writeBytes(path, binary + "\n[CONF]\nPORT=2\n"));
        QCOMPARE(ReadIni(u"CONF"_s, u"PORT"_s, path), u"2"_s);
    }

    void valueCutInsideACharacterDoesNotBreak()
    {
        const QString path = m_dir.filePath(u"mb.ini"_s);
        // 126 ASCII bytes then a three-byte character: the cut falls inside it.
        const QString value = QString(126, u'a') + u"\u3042"_s;
        QVERIFY(writeBytes(path, "[CONF]\r\nPORT=" + value.toLocal8Bit() + "\r\n"));
        const QString read = ReadIni(u"CONF"_s, u"PORT"_s, path);
        QVERIFY(read.startsWith(QString(126, u'a')));
        QVERIFY(read.size() <= 127);
    }

    void writeCreatesFileSectionAndKey()
    {
        const QString path = m_dir.filePath(u"new.ini"_s);
        QVERIFY(WriteIni(u"CONF"_s, u"PORT"_s, path, u"3"_s));
        QCOMPARE(readBytes(path), QByteArray("[CONF]\r\nPORT=3\r\n"));
        QCOMPARE(ReadIni(u"CONF"_s, u"PORT"_s, path), u"3"_s);

        QVERIFY(WriteIni(u"CONF"_s, u"BAUD"_s, path, u"38400"_s));
        QCOMPARE(readBytes(path), QByteArray("[CONF]\r\nPORT=3\r\nBAUD=38400\r\n"));

        QVERIFY(WriteIni(u"OTHER"_s, u"X"_s, path, u""_s));
        QCOMPARE(
            readBytes(path), QByteArray("[CONF]\r\nPORT=3\r\nBAUD=38400\r\n[OTHER]\r\nX=\r\n"));
        QCOMPARE(ReadIni(u"OTHER"_s, u"X"_s, path), u""_s);
    }

    void writeKeepsEveryOtherByte_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("replace in place")
            << QByteArray("; top\r\n[A]\nPORT=1\n\n[CONF]\r\n ; note\r\n  port = 1 \r\nX=y\r")
            << "CONF"
            << "PORT" << QByteArray("; top\r\n[A]\nPORT=1\n\n[CONF]\r\n ; note\r\nPORT=7\r\nX=y\r");
        QTest::newRow("replace the last line without line end")
            << QByteArray("[CONF]\nPORT=1") << "conf"
            << "PORT" << QByteArray("[CONF]\nPORT=7");
        QTest::newRow("second section of the same key")
            << QByteArray("[A]\r\nPORT=1\r\n[B]\r\nPORT=2\r\n") << "B"
            << "PORT" << QByteArray("[A]\r\nPORT=1\r\n[B]\r\nPORT=7\r\n");
        QTest::newRow("new key after the section's last key")
            << QByteArray("[CONF]\nA=1\n\n; next\n[B]\nPORT=2\n") << "CONF"
            << "PORT" << QByteArray("[CONF]\nA=1\nPORT=7\r\n\n; next\n[B]\nPORT=2\n");
        QTest::newRow("new key under a last header without line end")
            << QByteArray("x=1\n[CONF]") << "CONF"
            << "PORT" << QByteArray("x=1\n[CONF]\r\nPORT=7\r\n");
        QTest::newRow("new section after a last line without line end")
            << QByteArray("[A]\nB=1") << "CONF"
            << "PORT" << QByteArray("[A]\nB=1\r\n[CONF]\r\nPORT=7\r\n");
        QTest::newRow("empty file") << QByteArray() << "CONF"
                                    << "PORT" << QByteArray("[CONF]\r\nPORT=7\r\n");
    }
    void writeKeepsEveryOtherByte()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, after);
        const QString path = m_dir.filePath(u"keep.ini"_s);
        QVERIFY(writeBytes(path, before));
        QVERIFY(WriteIni(section, key, path, u"7"_s));
        QCOMPARE(readBytes(path), after);
        QCOMPARE(ReadIni(section, key, path), u"7"_s);
    }

    void writeKeepsAnOverlongLine()
    {
        const QString path = m_dir.filePath(u"long.ini"_s);
        const QByteArray before = "[CONF]\r\nJUNK=" + QByteArray(100000, 'j') + "\r\nPORT=1\r\n";
        QVERIFY(writeBytes(path, before));
        QVERIFY(WriteIni(u"CONF"_s, u"PORT"_s, path, u"2"_s));
        QByteArray expected = before;
        expected.replace("PORT=1", "PORT=2");
        QCOMPARE(readBytes(path), expected);
    }

    void valueWithLineBreakAddsNoLines()
    {
        const QString path = m_dir.filePath(u"inject.ini"_s);
        QVERIFY(WriteIni(u"CONF"_s, u"PORT"_s, path, u"3\r\n[EVIL]\r\nPORT=9"_s));
        QVERIFY(WriteIni(u"CONF"_s, u"BAUD"_s, path, u"1\nX=2"_s));
        QCOMPARE(readBytes(path), QByteArray("[CONF]\r\nPORT=3\r\nBAUD=1\r\n"));
        QCOMPARE(ReadIni(u"EVIL"_s, u"PORT"_s, path), u"ERR"_s);
    }

    void unusableNamesAreRefused()
    {
        const QString path = m_dir.filePath(u"names.ini"_s);
        QVERIFY(!WriteIni(u"CONF"_s, u""_s, path, u"1"_s));
        QVERIFY(!WriteIni(u"CONF"_s, u"A=B"_s, path, u"1"_s));
        QVERIFY(!WriteIni(u"CO\nNF"_s, u"PORT"_s, path, u"1"_s));
        QVERIFY(!WriteIni(u"CO]NF"_s, u"PORT"_s, path, u"1"_s));
        QVERIFY(!QFile::exists(path));
    }

    void unwritablePathFailsAndKeepsTheOldFile()
    {
        // The parent "folder" is a regular file: no file can be created below it.
        const QString blocker = m_dir.filePath(u"plain"_s);
        QVERIFY(writeBytes(blocker, "x"));
        QVERIFY(!WriteIni(u"CONF"_s, u"PORT"_s, blocker + u"/Kalvidor.ini"_s, u"1"_s));
        QCOMPARE(readBytes(blocker), QByteArray("x"));

        // A directory where the file should be cannot be replaced.
        const QString dirPath = m_dir.filePath(u"isdir.ini"_s);
        QVERIFY(QDir().mkdir(dirPath));
        QVERIFY(!WriteIni(u"CONF"_s, u"PORT"_s, dirPath, u"1"_s));
        QVERIFY(QFileInfo(dirPath).isDir());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
