#include "filebytes.h"
#include "files/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvidor;
using namespace Qt::StringLiterals;

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &content, const char *section,
                             const QString &expected) {
            QTest::newRow(name) << content << QString::fromLatin1(section) << expected;
        };
        row("case ignored", "[cOnF]\r\npOrT=3\r\n", "conf", u"3"_s);
        row("blanks ignored", "  [ CONF ]\r\n \t PORT \t=  \ta b \t\r\n", "CONF", u"a b"_s);
        row("empty value", "[CONF]\r\nPORT=\r\n", "CONF", u""_s);
        row("missing section", "[CONF]\r\nPORT=3\r\n", "OTHER", u"ERR"_s);
        row("missing key", "[CONF]\r\nBAUD=3\r\n", "CONF", u"ERR"_s);
        row("key outside any section", "PORT=1\r\n[CONF]\r\n", "CONF", u"ERR"_s);
        row("commented key", "[CONF]\r\n;PORT=1\r\n  ; PORT=2\r\n", "CONF", u"ERR"_s);
        row("LF ends", "[CONF]\nPORT=3\n", "CONF", u"3"_s);
        row("CR ends, none at the end", "[CONF]\rPORT=3", "CONF", u"3"_s);
        row("same key, section B", "[A]\r\nPORT=1\r\n[B]\r\nPORT=2\r\n", "B", u"2"_s);
        row("value cut to 127 bytes", "[CONF]\r\nPORT=" + QByteArray(200, 'v') + "\r\n", "CONF",
            QString(127, u'v'));
        row("after an over-long line", "[CONF]\r\nJ=" + QByteArray(1 << 21, 'x') + "\r\nPORT=4",
            "CONF", u"4"_s);
    }
    void readsValues()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath(u"k.ini"_s);
        QVERIFY(writeBytes(path, content));
        QCOMPARE(readIni(section, u"PORT"_s, path), expected);
    }

    void unreadableInputIsSafe()
    {
        QCOMPARE(readIni(u"CONF"_s, u"PORT"_s, m_dir.filePath(u"none.ini"_s)), u"ERR"_s);
        QCOMPARE(readIni(u"CONF"_s, u"PORT"_s, m_dir.path()), u"ERR"_s); // a directory

        const QString path = m_dir.filePath(u"odd.ini"_s);
        QByteArray binary;
        for (int i = 0; i < 256 * 1024; ++i)
            binary.append(char((i * 7919 + i / 13) & 0xFF));
        QVERIFY(writeBytes(path, binary + "\n[CONF]\nPORT=2\n"));
        QCOMPARE(readIni(u"CONF"_s, u"PORT"_s, path), u"2"_s);

        // The 127-byte cut falls inside a multi-byte character.
        const QString value = QString(126, u'a') + u"\u3042"_s;
        QVERIFY(writeBytes(path, "[CONF]\r\nPORT=" + value.toLocal8Bit() + "\r\n"));
        const QString read = readIni(u"CONF"_s, u"PORT"_s, path);
        QVERIFY(read.startsWith(QString(126, u'a')) && read.size() <= 127);
    }

    void writeKeepsEveryOtherByte_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char *name, const QByteArray &before, const char *section,
                             const QByteArray &after) {
            QTest::newRow(name) << before << QString::fromLatin1(section) << after;
        };
        row("replace in place", "; top\r\n[A]\nPORT=1\n\n[CONF]\r\n ; note\r\n  port = 1 \r\nX=y\r",
            "CONF", "; top\r\n[A]\nPORT=1\n\n[CONF]\r\n ; note\r\nPORT=7\r\nX=y\r");
        row("last line without line end", "[CONF]\nPORT=1", "conf", "[CONF]\nPORT=7");
        row("second section of the same key", "[A]\r\nPORT=1\r\n[B]\r\nPORT=2\r\n", "B",
            "[A]\r\nPORT=1\r\n[B]\r\nPORT=7\r\n");
        row("new key after the section's last key", "[CONF]\nA=1\n\n; next\n[B]\nPORT=2\n", "CONF",
            "[CONF]\nA=1\nPORT=7\r\n\n; next\n[B]\nPORT=2\n");
        row("new key under a last header", "x=1\n[CONF]", "CONF", "x=1\n[CONF]\r\nPORT=7\r\n");
        row("new section", "[A]\nB=1", "CONF", "[A]\nB=1\r\n[CONF]\r\nPORT=7\r\n");
        row("empty file", "", "CONF", "[CONF]\r\nPORT=7\r\n");
        const QByteArray big = "[CONF]\r\nJ=" + QByteArray(100000, 'j') + "\r\n";
        row("over-long line kept", big + "PORT=1\r\n", "CONF", big + "PORT=7\r\n");
    }
    void writeKeepsEveryOtherByte()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QByteArray, after);
        const QString path = m_dir.filePath(u"keep.ini"_s);
        QVERIFY(writeBytes(path, before));
        QVERIFY(writeIni(section, u"PORT"_s, path, u"7"_s));
        QCOMPARE(readBytes(path), after);
        QCOMPARE(readIni(section, u"PORT"_s, path), u"7"_s);
    }

    void writtenTextStaysOneLine()
    {
        const QString path = m_dir.filePath(u"inject.ini"_s);
        QVERIFY(writeIni(u"CONF"_s, u"PORT"_s, path, u"3\r\n[EVIL]\r\nPORT=9"_s));
        QVERIFY(writeIni(u"CONF"_s, u"BAUD"_s, path, u"1\nX=2"_s));
        QCOMPARE(readBytes(path), "[CONF]\r\nPORT=3\r\nBAUD=1\r\n");
        // Names that could not be read back are refused.
        QVERIFY(!writeIni(u"CONF"_s, u"A=B"_s, path, u"1"_s));
        QVERIFY(!writeIni(u"CO\nNF"_s, u"PORT"_s, path, u"1"_s));
        QVERIFY(!writeIni(u"CONF"_s, u""_s, path, u"1"_s));
    }

    void unwritablePathFailsAndKeepsTheOldFile()
    {
        // The parent "folder" is a regular file: no file can be created below it.
        const QString blocker = m_dir.filePath(u"plain"_s);
        QVERIFY(writeBytes(blocker, "x"));
        QVERIFY(!writeIni(u"CONF"_s, u"PORT"_s, blocker + u"/Kalvidor.ini"_s, u"1"_s));
        QCOMPARE(readBytes(blocker), "x");
        // A directory where the file should be is not replaced.
        const QString dirPath = m_dir.filePath(u"isdir.ini"_s);
        QVERIFY(QDir().mkdir(dirPath));
        QVERIFY(!writeIni(u"CONF"_s, u"PORT"_s, dirPath, u"1"_s));
        QVERIFY(QFileInfo(dirPath).isDir());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
