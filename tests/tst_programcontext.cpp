#include "editor/Childwin.h"
#include "toolchain/compunit.h"
#include "toolchain/programcontext.h"

#include <QTest>

// Where a document's program lives, read from its file name and text.
class tst_ProgramContext : public QObject
{
    Q_OBJECT

private slots:
    void readsThePackageAndTheSourceRoot_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("package");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("qualified");
        QTest::addColumn<bool>("matches");

        QTest::newRow("no package")
            << "/work/Hello.java" << QByteArray("public class Hello {}\n") << ""
            << "/work" << "Hello" << true;
        QTest::newRow("nested package")
            << "/src/edu/princeton/cs/algs4/Average.java"
            << QByteArray("package edu.princeton.cs.algs4;\n\npublic class Average {}\n")
            << "edu.princeton.cs.algs4" << "/src" << "edu.princeton.cs.algs4.Average" << true;
        QTest::newRow("comments and blanks before and inside")
            << "/p/a/b/C.java"
            << QByteArray("\xEF\xBB\xBF/* package x; */\n// package y;\n/** doc */ package a\n"
                          "  . /* */ b ;\nclass C {}")
            << "a.b" << "/p" << "a.b.C" << true;
        QTest::newRow("folder not matching the package")
            << "/p/other/C.java" << QByteArray("package a.b;\nclass C {}") << "a.b"
            << "/p/other" << "a.b.C" << false;
        QTest::newRow("part of a folder name is no match")
            << "/p/xb/C.java" << QByteArray("package b;") << "b" << "/p/xb" << "b.C" << false;
        QTest::newRow("package folder at the root")
            << "/a/C.java" << QByteArray("package a;") << "a" << "/" << "a.C" << true;
        QTest::newRow("file at the root")
            << "/Hello.java" << QByteArray("class Hello {}") << "" << "/" << "Hello" << true;
        QTest::newRow("several dots, no extension")
            << "/w/Hello.old.java" << QByteArray() << "" << "/w" << "Hello.old" << true;
        QTest::newRow("a word beginning with package is no declaration")
            << "/w/P.java" << QByteArray("packages x;") << "" << "/w" << "P" << true;
        QTest::newRow("unfinished declaration")
            << "/w/a/P.java" << QByteArray("package a.") << "" << "/w/a" << "P" << true;
        QTest::newRow("package in a string after a class is not read")
            << "/w/P.java" << QByteArray("class P { String s = \"package q;\"; }") << ""
            << "/w" << "P" << true;
    }

    void readsThePackageAndTheSourceRoot()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, text);
        const ProgramContext context = programContext(fileName, text);
        QTEST(context.packageName, "package");
        QTEST(context.sourceRoot, "root");
        QTEST(context.qualifiedName, "qualified");
        QTEST(context.folderMatchesPackage, "matches");
    }

    void buildsTheRunClassPath_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("classPath");
        QTest::addColumn<QString>("expected");
        QTest::newRow("source root") << "" << "" << "/src";
        QTest::newRow("output folder") << "/out" << "" << "/out";
        QTest::newRow("root and class path") << "" << "/lib/a.jar:/lib/b" << "/src:/lib/a.jar:/lib/b";
        QTest::newRow("output folder and class path") << "/out" << "/lib" << "/out:/lib";
    }

    void buildsTheRunClassPath()
    {
        QFETCH(QString, output);
        QFETCH(QString, classPath);
        const ProgramContext context = programContext(QStringLiteral("/src/p/A.java"), "package p;");
        QTEST(runClassPath(context, output, classPath), "expected");
    }

    // The compiler is told the source root, unless the options already name a source path.
    void compilerGetsTheSourceRoot_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no options")
            << QStringList() << QStringList{"/k/javac", "-sourcepath", "/my src", "/my src/A.java"};
        QTest::newRow("options")
            << QStringList{"-g", "-d", "out"}
            << QStringList{"/k/javac", "-g", "-d", "out", "-sourcepath", "/my src",
                           "/my src/A.java"};
        QTest::newRow("options naming one")
            << QStringList{"-classpath", "x", "-sourcepath", "lib"}
            << QStringList{"/k/javac", "-classpath", "x", "-sourcepath", "lib", "/my src/A.java"};
    }

    void compilerGetsTheSourceRoot()
    {
        QFETCH(QStringList, options);
        QTEST(compilerArguments("\"/k/javac\"", options, "\"/my src/A.java\"", "/my src"),
              "expected");
    }

    void findsThePublicClass_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("public class") << QByteArray("import java.util.*;\npublic class Hello {}")
                                      << "Hello";
        QTest::newRow("public one after others, modifiers, annotation")
            << QByteArray("class A { public class N {} }\n@SuppressWarnings(\"x\")\n"
                          "public final class B {}")
            << "B";
        QTest::newRow("words in comments and strings")
            << QByteArray("// public class X\n/* class Y */ class Z { String s = \"public class "
                          "W\"; char c = '\\''; String t = \"\"\"\npublic class V\"\"\"; }")
            << "Z";
        QTest::newRow("public record") << QByteArray("public record Point(int x) {}") << "Point";
        QTest::newRow("no class") << QByteArray("int x = 1;") << "";
    }

    void findsThePublicClass()
    {
        QFETCH(QByteArray, text);
        QTEST(publicClassName(text), "expected");
    }
};

QTEST_MAIN(tst_ProgramContext)
#include "tst_programcontext.moc"
