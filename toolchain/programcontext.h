#pragma once

#include <QByteArrayView>
#include <QString>

// Where a program lives: what compiling and running a document need to know beyond its name.
struct ProgramContext
{
    // Empty without a package declaration (comments ignored).
    QString packageName;
    // Absolute: the file's folder minus the package's folders; the file's folder when there
    // is no package or the folders do not match it.
    QString sourceRoot;
    // The file-name part without the extension after its last ".".
    QString className;
    // packageName + "." + className, or className.
    QString qualifiedName;
    // False when the file's folders do not end in the package's: the caller says so.
    bool folderMatchesPackage = true;
};

// The context of the document with that file name and text (its bytes, UTF-8). A relative
// file name is taken from the current directory.
ProgramContext programContext(const QString &fileName, QByteArrayView text);

// The output folder when set, else the source root, followed by the class path setting
// (":"-joined).
QString runClassPath(const ProgramContext &context, const QString &outputFolder,
                     const QString &classPathSetting);

// The package named by the text's package declaration, or empty. Comments and blanks may
// stand anywhere before and inside it.
QString packageDeclared(QByteArrayView text);

// The name of the text's public top-level class (or interface, enum, record), else of its
// first top-level one; empty when it declares none.
QString publicClassName(QByteArrayView text);
