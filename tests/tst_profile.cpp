#include "platform/errors.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <memory>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using qv::IniFile;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

QString lookupText(const QByteArray &text, const QString &section, const QString &key)
{
    return qv::profileLookup(text, section, key).value_or(u"<missing>"_s);
}

QByteArray randomBytes(QRandomGenerator &random, int maxSize)
{
    static const QByteArray pieces[] = {"[",
                                        "]",
                                        "=",
                                        "\n",
                                        "\r",
                                        " ",
                                        "\t",
                                        "\\",
                                        "\"",
                                        ";",
                                        "A",
                                        "a",
                                        "K",
                                        "k",
                                        "0x",
                                        "$",
                                        "\xEF\xBB\xBF",
                                        "\xC3",
                                        QByteArray(1, '\0')};
    QByteArray bytes;
    const int size = random.bounded(maxSize + 1);
    while (bytes.size() < size) {
        if (random.bounded(4) == 0)
            bytes += char(random.bounded(256));
        else
            bytes += pieces[random.bounded(int(std::size(pieces)))];
    }
    return bytes;
}

} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void lookupFindsValues_data();
    void lookupFindsValues();
    void updateKeepsOtherLines_data();
    void updateKeepsOtherLines();
    void updateRefusesNamesNoLineCouldHold_data();
    void updateRefusesNamesNoLineCouldHold();
    void ordinaryValuesAreWrittenPlain_data();
    void ordinaryValuesAreWrittenPlain();
    void valuesSurviveRoundTrip_data();
    void valuesSurviveRoundTrip();
    void integerRule_data();
    void integerRule();
    void generatedInputsKeepInvariants();
    void hugeAndBinaryInputsAreHandled();

    void iniFileCreatesFolderAndKeepsWriteOrder();
    void iniFileReadsDefaultsAndFreshText();
    void writeStringsChangesOnlyWhatDiffers();
    void failedWriteThrowsAndKeepsFile();
    void writeToReadOnlyFolderThrows();
    void writeRefusesUnreadableFile();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_config;
};

void TestProfile::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    m_config = m_home->filePath(u"config"_s);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
}

void TestProfile::lookupFindsValues_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const struct
    {
        const char *name, *text, *section, *key, *expected;
    } rows[] = {
        {"names ignore case", "[setup]\nheight=1", "SETUP", "Height", "1"},
        {"non-ASCII names ignore case", "[\xC3\xA4rger]\nK=1", "\xC3\x84RGER", "k", "1"},
        {"blanks around key and value", "[A]\n \t K \t=  two words \t\n", "A", "K", "two words"},
        {"blanks inside brackets", "  [  A  ] ; note\nK=1", "A", "K", "1"},
        {"CR LF", "[A]\r\nK=v\r\n", "A", "K", "v"},
        {"CR ending the file", "[A]\nK=v\r", "A", "K", "v"},
        {"byte order mark", "\xEF\xBB\xBF[A]\nK=v", "A", "K", "v"},
        {"empty value", "[A]\nK=  \n", "A", "K", ""},
        {"missing section", "[A]\nK=v\n", "B", "K", "<missing>"},
        {"missing key", "[A]\nK=v\n", "A", "X", "<missing>"},
        {"key of another section", "[A]\nK=1\n[B]\nX=2\n", "B", "K", "<missing>"},
        {"setting before any header", "K=1\n[A]\n", "A", "K", "<missing>"},
        {"header without bracket opens section", "[A]\nK=1\n[B\nK=2\n", "B", "K", "2"},
        {"header without bracket ends previous", "[A]\n[B\nK=2\n", "A", "K", "<missing>"},
        {"duplicate keys: first wins", "[A]\nK=1\nk=2\n", "A", "K", "1"},
        {"duplicate sections merge", "[A]\nX=1\n[B]\nK=0\n[a]\nK=2\n", "A", "K", "2"},
        {"comments", "[A]\n;K=1\n  #K=2\nK=3\n", "A", "K", "3"},
        {"encoded value", "[A]\nK=\\\"a\\nb\\\\\" \n", "A", "K", "a\nb\\"},
        {"marker without closing quote", "[A]\nK=\\\"abc\n", "A", "K", "\\\"abc"},
        {"unknown escape stays", "[A]\nK=\\\"a\\tb\\\"\n", "A", "K", "a\\tb\\"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QByteArray(row.text) << QString::fromUtf8(row.section)
                                << QString::fromUtf8(row.key) << QString::fromUtf8(row.expected);
}

void TestProfile::lookupFindsValues()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(lookupText(text, section, key), expected);
}

void TestProfile::updateKeepsOtherLines_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    const struct
    {
        const char *name, *before, *section, *key, *value, *after;
    } rows[] = {
        {"replace in place", "; top\n[A]\n  K = old  \n# c\nX=1\n", "A", "k", "new",
         "; top\n[A]\n  K = new\n# c\nX=1\n"},
        {"replace first duplicate", "[A]\nK=1\nK=2\n", "A", "K", "9", "[A]\nK=9\nK=2\n"},
        {"append after last setting of section", "[A]\nX=1\n\n; c\n[B]\nY=2\n", "A", "K", "v",
         "[A]\nX=1\nK=v\n\n; c\n[B]\nY=2\n"},
        {"append under header of empty section", "[A]\n\n[B]\n", "A", "K", "v",
         "[A]\nK=v\n\n[B]\n"},
        {"append to first of duplicate sections", "[A]\nX=1\n[A]\nY=2\n", "A", "K", "v",
         "[A]\nX=1\nK=v\n[A]\nY=2\n"},
        {"new section at end", "[A]\nX=1\n# end\n", "B", "K", "v", "[A]\nX=1\n# end\n[B]\nK=v\n"},
        {"unterminated last line", "[A]\nX=1", "A", "K", "v", "[A]\nX=1\nK=v\n"},
        {"CR LF file", "[A]\r\nX=1\r\n", "B", "K", "v", "[A]\r\nX=1\r\n[B]\r\nK=v\r\n"},
        {"CR ending the file", "[A]\r\nX=1\r", "A", "K", "v", "[A]\r\nX=1\r\nK=v\r\n"},
        {"empty file", "", "A", "K", "v", "[A]\nK=v\n"},
        {"header without bracket", "[A\nX=1\n", "A", "K", "v", "[A\nX=1\nK=v\n"},
        {"line break encoded", "[A]\nK=1\n", "A", "K", "a\r\nb", "[A]\nK=\\\"a\\r\\nb\"\n"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QByteArray(row.before) << QString::fromUtf8(row.section)
                                << QString::fromUtf8(row.key) << QString::fromUtf8(row.value)
                                << QByteArray(row.after);
}

void TestProfile::updateKeepsOtherLines()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QCOMPARE(qv::profileUpdate(before, section, key, value), after);
}

void TestProfile::updateRefusesNamesNoLineCouldHold_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    const struct
    {
        const char *name, *section, *key;
    } rows[] = {
        // clang-format off
        {"empty section", "", "K"}, {"bracket in section", "A]", "K"},
        {"line break in section", "A\nB", "K"}, {"blank around section", " A", "K"},
        {"empty key", "A", ""}, {"equals in key", "A", "K=1"}, {"CR in key", "A", "K\r"},
        {"blank around key", "A", "K "}, {"key like a header", "A", "[K"},
        {"key like a comment", "A", ";K"},
        // clang-format on
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString::fromUtf8(row.section) << QString::fromUtf8(row.key);
}

void TestProfile::updateRefusesNamesNoLineCouldHold()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    const QByteArray text("[A]\nX=1\n");
    QCOMPARE(qv::profileUpdate(text, section, key, u"v"_s), text);

    QVERIFY(QDir().mkpath(m_config));
    const QString path = m_config + u"/QUORVEL.INI"_s;
    writeBytes(path, text);
    IniFile ini(u"QUORVEL.INI"_s);
    QVERIFY_THROWS_EXCEPTION(qv::Error, ini.writeString(section, key, u"v"_s));
    QCOMPARE(readBytes(path), text);
}

void TestProfile::ordinaryValuesAreWrittenPlain_data()
{
    QTest::addColumn<QString>("value");
    for (const char *value :
         {"/usr/lib/jvm/java-17/bin", "-g -O -verbose", "DejaVu Sans Mono", "-42", "a b=c", "[x]",
          "\"/opt/my java/java\" -cp .", "C:\\dir\\", "\\n", "#1",
          "Gr\xC3\xB6\xC3\x9F"
          "e"})
        QTest::newRow(value) << QString::fromUtf8(value);
}

void TestProfile::ordinaryValuesAreWrittenPlain()
{
    QFETCH(QString, value);
    QCOMPARE(qv::profileUpdate({}, u"A"_s, u"K"_s, value), "[A]\nK=" + value.toUtf8() + "\n");
}

void TestProfile::valuesSurviveRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    const struct
    {
        const char *name, *value;
    } rows[] = {
        // clang-format off
        {"empty", ""}, {"LF", "\n"}, {"CR LF", "\r\n"}, {"CR inside", "a\rb"},
        {"leading blanks", "  /tmp/x"}, {"trailing tab", "x\t"}, {"only blanks", "   "},
        {"equals", "="}, {"section lookalike", "[x]"}, {"marker", "\\\""},
        {"encoded lookalike", "\\\"a\\nb\""}, {"backslashes and break", "\\\\\n\\"},
        {"quote", "\""}, {"leading U+FEFF", "\xEF\xBB\xBFx"},
        {"non-ASCII", "\xC3\xBC\xC3\xAF \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"},
        // clang-format on
    };
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString(utf8.decode(QByteArrayView(row.value)));
    QTest::newRow("2000 characters") << QString(2000, u'y');
}

void TestProfile::valuesSurviveRoundTrip()
{
    QFETCH(QString, value);
    const QByteArray base("; settings\r\n[A]\r\nX=1\r\n[B]\r\nY=2\r\n");
    const auto lines = [](const QByteArray &text) {
        return text.count('\n');
    };

    const QByteArray added = qv::profileUpdate(base, u"A"_s, u"K"_s, value);
    QCOMPARE(lookupText(added, u"a"_s, u"k"_s), value);
    QCOMPARE(lines(added), lines(base) + 1);
    QCOMPARE(lookupText(added, u"A"_s, u"X"_s), u"1"_s);
    QCOMPARE(lookupText(added, u"B"_s, u"Y"_s), u"2"_s);

    const QByteArray plain = qv::profileUpdate(added, u"A"_s, u"K"_s, u"plain"_s);
    const QByteArray again = qv::profileUpdate(plain, u"A"_s, u"K"_s, value);
    QCOMPARE(again, added);

    // Through the file: the value comes back whole, however long.
    IniFile ini(u"QUORVEL.INI"_s);
    ini.writeString(u"Setup"_s, u"LastFileName"_s, value);
    QCOMPARE(ini.readString(u"Setup"_s, u"LastFileName"_s, {}), value);
}

void TestProfile::integerRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    const int def = -7;
    const struct
    {
        const char *text;
        int expected;
    } rows[] = {
        // clang-format off
        {"0x200", 512}, {"$200", 512}, {"0X1f", 31}, {"$fF", 255}, {" 500", 500}, {"\t42", 42},
        {"+5", 5}, {"-0", 0}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"0x1", 1},
        {"0xFFFFFFFF", -1}, {"$80000000", INT_MIN}, {"0x000000000010", 16}, {"abc", def},
        {"", def}, {"  ", def}, {"2147483648", def}, {"-2147483649", def},
        {"99999999999999999999", def}, {"12 ", def}, {"1 2", def}, {"- 5", def}, {"+", def},
        {"-", def}, {"$", def}, {"$-1", def}, {"0x", def}, {"0xx1", def}, {"0x1g", def},
        {" 0x10", def}, {"0x100000000", def}, {"$100000000", def}, {"\xD9\xA3", def},
        // clang-format on
    };
    for (const auto &row : rows)
        QTest::newRow(QByteArray("\"") + row.text + "\"")
            << QString::fromUtf8(row.text) << row.expected;
}

void TestProfile::integerRule()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(qv::parseProfileInteger(text, -7), expected);
}

void TestProfile::generatedInputsKeepInvariants()
{
    QRandomGenerator random(20240611);
    const QStringList names{u"A"_s, u"a"_s, u"K"_s, u"k"_s, u"\u00e4"_s};
    for (int round = 0; round < 3000; ++round) {
        const QByteArray text = randomBytes(random, 300);
        const QString section = names.at(random.bounded(int(names.size())));
        const QString key = names.at(random.bounded(int(names.size())));
        const QString other = names.at(random.bounded(int(names.size())));
        const QString value = QString::fromUtf8(randomBytes(random, 20));
        qv::parseProfileInteger(QString::fromUtf8(randomBytes(random, 12)), 0);

        const QByteArray updated = qv::profileUpdate(text, section, key, value);
        const auto message = [&] {
            return qPrintable(QString::fromLatin1(text.toPercentEncoding()));
        };
        QVERIFY2(qv::profileLookup(updated, section, key) == value, message());
        if (QString::compare(other, key, Qt::CaseInsensitive) != 0)
            QVERIFY2(qv::profileLookup(updated, section, other)
                         == qv::profileLookup(text, section, other),
                     message());
        QVERIFY2(qv::profileLookup(updated, other, key) == qv::profileLookup(text, other, key)
                     || QString::compare(other, section, Qt::CaseInsensitive) == 0,
                 message());
    }
}

void TestProfile::hugeAndBinaryInputsAreHandled()
{
    const QByteArray megabyte(1 << 20, 'x');
    const QByteArray nuls(4096, '\0');
    for (const QByteArray &text : {megabyte, "[" + megabyte, "[A]\n" + megabyte + "=1",
                                   "[A]\nK=" + megabyte, nuls, "[A]\n" + nuls + "\nK=1"}) {
        const QByteArray updated = qv::profileUpdate(text, u"A"_s, u"K"_s, u"v"_s);
        QCOMPARE(lookupText(updated, u"A"_s, u"K"_s), u"v"_s);
    }
}

void TestProfile::iniFileCreatesFolderAndKeepsWriteOrder()
{
    IniFile ini(u"QUORVEL.INI"_s);
    QCOMPARE(ini.fileName(), u"QUORVEL.INI"_s);
    QCOMPARE(ini.path(), m_config + u"/QUORVEL.INI"_s);
    QVERIFY(!QFile::exists(m_config));

    ini.writeInteger(u"Setup"_s, u"Height"_s, 297);
    ini.writeInteger(u"Setup"_s, u"Left"_s, -187);
    ini.writeString(u"Setup"_s, u"LastFileName"_s, QString());
    ini.writeString(u"Options"_s, u"CompilerPath"_s, u"/usr/bin"_s);
    ini.writeString(u"Options"_s, u"ClassPath"_s, QString());
    ini.writeInteger(u"Setup"_s, u"Height"_s, INT_MIN);
    QCOMPARE(readBytes(ini.path()), QByteArray("[Setup]\nHeight=-2147483648\nLeft=-187\n"
                                               "LastFileName=\n[Options]\nCompilerPath=/usr/bin\n"
                                               "ClassPath=\n"));
    QCOMPARE(ini.readInteger(u"setup"_s, u"HEIGHT"_s, 1), INT_MIN);
    QCOMPARE(ini.readInteger(u"Setup"_s, u"Left"_s, 1), -187);
    QCOMPARE(QDir(m_config).entryList(QDir::Files | QDir::Hidden), {u"QUORVEL.INI"_s});
}

void TestProfile::iniFileReadsDefaultsAndFreshText()
{
    IniFile ini(u"QUORVEL.INI"_s);
    QCOMPARE(ini.readString(u"Setup"_s, u"FontName"_s, u"System"_s), u"System"_s);
    QCOMPARE(ini.readInteger(u"Setup"_s, u"Height"_s, 298), 298);
    QVERIFY(!QFile::exists(ini.path()));

    QVERIFY(QDir().mkpath(m_config));
    writeBytes(ini.path(), "[Setup]\nHeight=0x200\nWidth= 500\nFontSize=abc\nFontName=\n");
    QCOMPARE(ini.readInteger(u"Setup"_s, u"Height"_s, 298), 512);
    QCOMPARE(ini.readInteger(u"Setup"_s, u"Width"_s, 435), 500);
    QCOMPARE(ini.readInteger(u"Setup"_s, u"FontSize"_s, 10), 10);
    QCOMPARE(ini.readInteger(u"Setup"_s, u"Top"_s, 110), 110);
    QCOMPARE(ini.readString(u"Setup"_s, u"FontName"_s, u"System"_s), QString());

    writeBytes(ini.path(), "[Setup]\nHeight=$200\n");
    QCOMPARE(ini.readInteger(u"Setup"_s, u"Height"_s, 298), 512);
}

void TestProfile::writeStringsChangesOnlyWhatDiffers()
{
    // One write gives what one write per value would, except that a line already holding its
    // value stays byte for byte, even in a form no write produces.
    IniFile ini(u"QUORVEL.INI"_s);
    QVERIFY(QDir().mkpath(m_config));
    const QByteArray before = "[setup]\r\nHEIGHT = 297  \r\nLastFileName=\\\"a.java\"\r\n";
    writeBytes(ini.path(), before);
    QString classPath;
    while (classPath.size() < 1260)
        classPath += u"/usr/share/java/library-%1.jar:"_s.arg(classPath.size());
    const QList<qv::ProfileSetting> settings{{u"Setup"_s, u"Height"_s, u"297"_s},
                                             {u"Setup"_s, u"Width"_s, u"435"_s},
                                             {u"Setup"_s, u"LastFileName"_s, u"a.java"_s},
                                             {u"Options"_s, u"ClassPath"_s, classPath}};
    QByteArray expected = qv::profileUpdate(before, u"Setup"_s, u"Width"_s, u"435"_s);
    expected = qv::profileUpdate(expected, u"Options"_s, u"ClassPath"_s, classPath);
    ini.writeStrings(settings);
    QCOMPARE(readBytes(ini.path()), expected);
    QCOMPARE(ini.readString(u"Options"_s, u"ClassPath"_s, {}), classPath);

    // The same values again leave the file itself alone.
    struct stat written = {};
    QCOMPARE(stat(QFile::encodeName(ini.path()).constData(), &written), 0);
    ini.writeStrings(settings);
    struct stat again = {};
    QCOMPARE(stat(QFile::encodeName(ini.path()).constData(), &again), 0);
    QCOMPARE(again.st_ino, written.st_ino);
}

void TestProfile::failedWriteThrowsAndKeepsFile()
{
    IniFile ini(u"QUORVEL.INI"_s);
    ini.writeString(u"Setup"_s, u"Height"_s, u"297"_s);
    const QByteArray before = readBytes(ini.path());

    // A file-size limit makes the write fail part way; the child reports through its exit code.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            ini.writeString(u"Setup"_s, u"LastFileName"_s, QString(100000, u'x'));
            _exit(1);
        } catch (const qv::Error &error) {
            _exit(error.message() == u"Unable to write to QUORVEL.INI"_s ? 0 : 2);
        } catch (...) {
            _exit(3);
        }
    }
    int status = 0;
    bool ended = false;
    const auto reap = [&] {
        return ended || (ended = waitpid(child, &status, WNOHANG) == child);
    };
    QTRY_VERIFY_WITH_TIMEOUT(reap(), 60000);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readBytes(ini.path()), before);
    QCOMPARE(QDir(m_config).entryList(QDir::Files | QDir::Hidden), {u"QUORVEL.INI"_s});
}

void TestProfile::writeToReadOnlyFolderThrows()
{
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders");
    IniFile ini(u"QUORVEL.INI"_s);
    ini.writeString(u"Setup"_s, u"Height"_s, u"297"_s);
    const QByteArray before = readBytes(ini.path());
    QVERIFY(QFile::setPermissions(m_config, QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY_THROWS_EXCEPTION(qv::Error, ini.writeString(u"Setup"_s, u"Height"_s, u"1"_s));
    QFile::setPermissions(m_config, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(readBytes(ini.path()), before);
}

void TestProfile::writeRefusesUnreadableFile()
{
    // An existing file that cannot be read must not be replaced by a one-setting file.
    IniFile ini(u"QUORVEL.INI"_s);
    QVERIFY(QDir().mkpath(ini.path()));
    QVERIFY_THROWS_EXCEPTION(qv::Error, ini.writeString(u"Setup"_s, u"Height"_s, u"1"_s));
    QVERIFY(QFileInfo(ini.path()).isDir());
    QCOMPARE(ini.readInteger(u"Setup"_s, u"Height"_s, 298), 298);
}

QTEST_MAIN(TestProfile)
#include "tst_profile.moc"
