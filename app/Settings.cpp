// The settings file: loaded at the first show, written at close and after OK in the options
// dialog; and the compiler flags as an options string and as a stored flag string.
#include "Settings.h"

#include "Main.h"

#include "toolchain/Compopt.h"

#include "platform/boxes.h"
#include "platform/profile.h"

#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>

namespace {

const QString Options = QStringLiteral("Options");
const QString Setup = QStringLiteral("Setup");

// The flag boxes of the options dialog in child order; other children are skipped.
QList<QCheckBox *> flagBoxes()
{
    QList<QCheckBox *> boxes;
    for (QObject *child : CompileOptForm->flagBoxChildren()) {
        if (auto *box = qobject_cast<QCheckBox *>(child))
            boxes.append(box);
    }
    return boxes;
}

QList<Flag> flags()
{
    QList<Flag> result;
    for (const QCheckBox *box : flagBoxes())
        result.append({box->text(), box->isChecked()});
    return result;
}

// Window coordinates beyond these cannot be shown by the window system; sizes below 1 neither.
int screenCoordinate(int value)
{
    return std::clamp(value, -32000, 32000);
}

int windowExtent(int value)
{
    return std::clamp(value, 1, 32000);
}

} // namespace

QString buildOptionsString(const QList<Flag> &flags, const QString &directory,
                           const QString &classPath)
{
    QStringList pieces;
    for (const Flag &flag : flags) {
        if (flag.checked)
            pieces.append(u'-' + flag.caption);
    }
    if (!directory.isEmpty())
        pieces.append(QStringLiteral("-d ") + directory);
    if (!classPath.isEmpty())
        pieces.append(QStringLiteral("-classpath ") + classPath);
    return pieces.join(u' ');
}

QString flagString(const QList<Flag> &flags)
{
    QStringList words;
    for (const Flag &flag : flags) {
        if (flag.checked)
            words.append(flag.caption);
    }
    return words.join(u' ');
}

QStringList flagWords(const QString &flags)
{
    // Only the blank separates words; a tab belongs to its word.
    return flags.split(u' ', Qt::SkipEmptyParts);
}

QString TMainForm::BuildCompilerOptions() const
{
    return buildOptionsString(flags(), CompileOptForm->DirectoryPath->text(),
                              CompileOptForm->ClassPath->text());
}

QString TMainForm::FlagsToString() const
{
    return flagString(flags());
}

void TMainForm::ApplyFlagsString(const QString &flags)
{
    const QStringList words = flagWords(flags);
    for (QCheckBox *box : flagBoxes()) {
        if (words.contains(box->text(), Qt::CaseInsensitive))
            box->setChecked(true);
    }
}

void TMainForm::LoadSettings()
{
    CompileOptForm->JavaPath->setText(IniFile->readString(Options, QStringLiteral("CompilerPath"), {}));
    CompileOptForm->DirectoryPath->setText(
        IniFile->readString(Options, QStringLiteral("DirectoryPath"), {}));
    CompileOptForm->ClassPath->setText(IniFile->readString(Options, QStringLiteral("ClassPath"), {}));
    CompileOptForm->BrowserPath->setText(IniFile->readString(Options, QStringLiteral("Browser"), {}));
    CompileOptForm->Interpreter->setText(
        IniFile->readString(Options, QStringLiteral("Interpreter"), {}));
    const QString storedFlags = IniFile->readString(Options, QStringLiteral("CompilerOptions"), {});

    const QString fontName = IniFile->readString(Setup, QStringLiteral("FontName"),
                                                 QStringLiteral("System"))
                                 .left(255);
    if (!fontName.isEmpty())
        EditorFont->setFamily(fontName.left(31));
    // Qt shows point sizes from 1 up; a larger size than a screen can hold is still shown.
    EditorFont->setPointSize(
        std::clamp(IniFile->readInteger(Setup, QStringLiteral("FontSize"), 10), 1, 1000));

    const int height = IniFile->readInteger(Setup, QStringLiteral("Height"), 298);
    const int width = IniFile->readInteger(Setup, QStringLiteral("Width"), 435);
    const int left = IniFile->readInteger(Setup, QStringLiteral("Left"), 195);
    const int top = IniFile->readInteger(Setup, QStringLiteral("Top"), 110);
    resize(windowExtent(width), windowExtent(height));
    move(screenCoordinate(left), screenCoordinate(top));

    ApplyFlagsString(storedFlags);
    LastFileName = IniFile->readString(Setup, QStringLiteral("LastFileName"), {});
    NewMenu();
}

void TMainForm::SaveSettings()
{
    IniFile->writeInteger(Setup, QStringLiteral("Height"), height());
    IniFile->writeInteger(Setup, QStringLiteral("Width"), width());
    IniFile->writeInteger(Setup, QStringLiteral("Left"), x());
    IniFile->writeInteger(Setup, QStringLiteral("Top"), y());
    IniFile->writeString(Setup, QStringLiteral("FontName"), EditorFont->family());
    IniFile->writeInteger(Setup, QStringLiteral("FontSize"), EditorFont->pointSize());
    IniFile->writeString(Setup, QStringLiteral("LastFileName"), LastFileName);
    IniFile->writeString(Options, QStringLiteral("CompilerPath"), CompileOptForm->JavaPath->text());
    IniFile->writeString(Options, QStringLiteral("DirectoryPath"),
                         CompileOptForm->DirectoryPath->text());
    IniFile->writeString(Options, QStringLiteral("ClassPath"), CompileOptForm->ClassPath->text());
    IniFile->writeString(Options, QStringLiteral("Browser"), CompileOptForm->BrowserPath->text());
    IniFile->writeString(Options, QStringLiteral("Interpreter"),
                         CompileOptForm->Interpreter->text());
    IniFile->writeString(Options, QStringLiteral("CompilerOptions"), FlagsToString());
}

void TMainForm::FirstRun()
{
    qv::messageBox(QStringLiteral("QUORVEL.INI not found.\r\rPlease enter Java compiler path."));
    if (CompileOptForm->ShowModal() == TCompileOptForm::mrOk) {
        SaveSettings();
        return;
    }
    CompileOptForm->JavaPath->setText(IniFile->readString(Options, QStringLiteral("CompilerPath"), {}));
    CompileOptForm->DirectoryPath->setText(
        IniFile->readString(Options, QStringLiteral("DirectoryPath"), {}));
    CompileOptForm->ClassPath->setText(IniFile->readString(Options, QStringLiteral("ClassPath"), {}));
    CompileOptForm->BrowserPath->setText(IniFile->readString(Options, QStringLiteral("Browser"), {}));
}

void TMainForm::JavaOptions1Click()
{
    if (CompileOptForm->ShowModal() == TCompileOptForm::mrOk)
        SaveSettings();
}
