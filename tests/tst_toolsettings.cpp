#include "toolchain/toolsettings.h"

#include <QTest>

// The tool settings as a value, between the settings file's text and the flags, without the
// options dialog.
class tst_ToolSettings : public QObject
{
    Q_OBJECT

private:
    static QByteArray written(const QByteArray &start, const ToolSettings &settings)
    {
        QByteArray text = start;
        for (const qv::ProfileSetting &setting : profileFromToolSettings(settings))
            text = qv::profileUpdate(text, setting.section, setting.key, setting.value);
        return text;
    }

    static QList<Flag> flags(const QStringList &checked)
    {
        QList<Flag> result;
        for (const char *caption : {"g", "O", "debug", "depend", "nowarn", "verbose", "nowrite"}) {
            const QString name = QLatin1String(caption);
            result.append({name, checked.contains(name)});
        }
        return result;
    }

    static QStringList checkedOf(const QList<Flag> &flags)
    {
        QStringList result;
        for (const Flag &flag : flags) {
            if (flag.checked)
                result << flag.caption;
        }
        return result;
    }

private slots:
    // A new file gets the section and its six keys in this order, each value as it is.
    void writesTheOptionsSectionInOrder()
    {
        const ToolSettings settings{"/jdk/bin", "", "/lib/a.jar:.", "/usr/bin/viewer",
                                    "/jdk/bin/java -ea", "g nowarn"};
        QCOMPARE(written({}, settings),
                 QByteArray("[Options]\nCompilerPath=/jdk/bin\nDirectoryPath=\n"
                            "ClassPath=/lib/a.jar:.\nBrowser=/usr/bin/viewer\n"
                            "Interpreter=/jdk/bin/java -ea\nCompilerOptions=g nowarn\n"));
    }

    void readsBackWhatWasWritten_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("empty values") << QByteArray() << QStringList{"", "", "", "", "", ""};
        QTest::newRow("plain paths, other sections kept")
            << QByteArray("[Setup]\r\nLeft=3\r\n[Options]\r\nBrowser=old\r\n")
            << QStringList{"/opt/jdk/bin/", "out", "a:b", "/usr/bin/x", "java", "O"};
        QTest::newRow("blanks at the ends, line breaks, quotes")
            << QByteArray("[Options]\nClassPath=stale\n")
            << QStringList{" /with blank/ ", "line\nbreak", "\\\"quoted\"", "tab\t", "c:\\java",
                           "g  verbose"};
        QTest::newRow("beyond ASCII") << QByteArray()
                                      << QStringList{"/home/zoë/jdk", "", "/ünï", "", "", ""};
    }

    void readsBackWhatWasWritten()
    {
        QFETCH(QByteArray, start);
        QFETCH(QStringList, values);
        const ToolSettings settings{values[0], values[1], values[2],
                                    values[3], values[4], values[5]};
        const QByteArray text = written(start, settings);
        QCOMPARE(toolSettingsFromProfile(text), settings);
        // A second save of the same values leaves the text as it is.
        QCOMPARE(written(text, settings), text);
    }

    // Keys are found in any case and in any section of the name; missing keys and keys of
    // other sections give empty texts.
    void readsOnlyTheOptionsSection()
    {
        const ToolSettings read = toolSettingsFromProfile(
            "[Setup]\nCompilerPath=/wrong\n[options]\ncompilerpath = /jdk \nBROWSER=b\n");
        QCOMPARE(read, (ToolSettings{"/jdk", "", "", "b", "", ""}));
    }

    void storedFlagsCheckWholeWords_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("two flags") << QStringList() << "g verbose" << QStringList{"g", "verbose"};
        QTest::newRow("case and repeated blanks") << QStringList() << "G  o"
                                                  << QStringList{"g", "O"};
        QTest::newRow("outer blanks") << QStringList() << " debug " << QStringList{"debug"};
        QTest::newRow("dash is part of the word") << QStringList() << "-g" << QStringList();
        QTest::newRow("prefix of a caption") << QStringList() << "dep" << QStringList();
        QTest::newRow("tab joins words") << QStringList() << "g\tO" << QStringList();
        QTest::newRow("empty") << QStringList() << "" << QStringList();
        QTest::newRow("twice and unknown") << QStringList() << "nowarn zz nowarn"
                                           << QStringList{"nowarn"};
        QTest::newRow("checked ones stay checked") << QStringList{"debug", "nowrite"} << "g"
                                                   << QStringList{"g", "debug", "nowrite"};
    }

    void storedFlagsCheckWholeWords()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, stored);
        const QList<Flag> result = withStoredFlags(flags(before), stored);
        QTEST(checkedOf(result), "expected");
        // What is stored from them checks the same boxes again.
        QCOMPARE(checkedOf(withStoredFlags(flags({}), flagString(result))), checkedOf(result));
    }
};

QTEST_GUILESS_MAIN(tst_ToolSettings)
#include "tst_toolsettings.moc"
