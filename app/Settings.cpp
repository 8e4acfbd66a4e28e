// The settings file: loaded at the first show, written at close and after OK in the options
// dialog; and the compiler flags as an options string and as a stored flag string.
#include "Settings.h"

#include "LiveCheck.h"
#include "MainForm.h"

#include "toolchain/Compopt.h"

#include "platform/boxes.h"
#include "platform/profile.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

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

// At most length characters, without splitting a character of two UTF-16 units.
QString cutText(const QString &text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    QString cut = text.left(length);
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

// Positions are kept as read within what X11 can address.
int screenCoordinate(int value)
{
    return std::clamp(value, -32000, 32000);
}

// A window larger than the desktop cannot be shown whole, and one of tens of thousands of
// pixels each way needs gigabytes of backing store, so width and height stop at the
// desktop's size, as window managers commonly hold a window to it.
QSize largestWindow()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualSize().expandedTo(QSize(1, 1)) : QSize(4096, 4096);
}

// Qt shows point sizes from 1 up; far larger sizes than a screen can hold make glyph
// rendering run out of memory.
int fontPoints(int value)
{
    return std::clamp(value, 1, 1000);
}

QString readOption(const qv::IniFile &ini, const char *key)
{
    return ini.readString(Options, QLatin1String(key), {});
}

void readToolPaths(const qv::IniFile &ini)
{
    CompileOptForm->JavaPath->setText(readOption(ini, "CompilerPath"));
    CompileOptForm->DirectoryPath->setText(readOption(ini, "DirectoryPath"));
    CompileOptForm->ClassPath->setText(readOption(ini, "ClassPath"));
    CompileOptForm->BrowserPath->setText(readOption(ini, "Browser"));
}

} // namespace

QStringList buildOptionArguments(const QList<Flag> &flags, const QString &directory,
                                 const QString &classPath)
{
    QStringList arguments;
    for (const Flag &flag : flags) {
        if (flag.checked)
            arguments.append(u'-' + flag.caption);
    }
    if (!directory.isEmpty())
        arguments << QStringLiteral("-d") << directory;
    if (!classPath.isEmpty())
        arguments << QStringLiteral("-classpath") << classPath;
    return arguments;
}

QString flagString(const QList<Flag> &flags)
{
    QString result;
    for (const Flag &flag : flags) {
        if (!flag.checked)
            continue;
        if (!result.isEmpty())
            result += u' ';
        result += flag.caption;
    }
    return result;
}

QStringList flagWords(const QString &flags)
{
    // Only the blank separates words; a tab belongs to its word.
    return flags.split(u' ', Qt::SkipEmptyParts);
}

QString TMainForm::BuildCompilerOptions() const
{
    return BuildCompilerArguments().join(u' ');
}

QStringList TMainForm::BuildCompilerArguments() const
{
    // A flag that the compiler rejects would fail every compile; it stays checked (and
    // stored) but is left out. The compiler is asked only when some flag is checked.
    QList<Flag> used = flags();
    const bool anyChecked = std::any_of(used.begin(), used.end(),
                                        [](const Flag &flag) { return flag.checked; });
    if (anyChecked) {
        const QStringList rejected = CompileOptForm->rejectedFlags();
        used.removeIf([&](const Flag &flag) { return rejected.contains(flag.caption); });
    }
    return buildOptionArguments(used, CompileOptForm->DirectoryPath->text(),
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
    readToolPaths(*IniFile);
    CompileOptForm->Interpreter->setText(readOption(*IniFile, "Interpreter"));
    const QString storedFlags = readOption(*IniFile, "CompilerOptions");

    const QString fontName = cutText(
        IniFile->readString(Setup, QStringLiteral("FontName"), QStringLiteral("System")), 255);
    if (!fontName.isEmpty())
        EditorFont->setFamily(cutText(fontName, 31));
    EditorFont->setPointSize(
        fontPoints(IniFile->readInteger(Setup, QStringLiteral("FontSize"), 10)));

    const int height = IniFile->readInteger(Setup, QStringLiteral("Height"), 298);
    const int width = IniFile->readInteger(Setup, QStringLiteral("Width"), 435);
    const int left = IniFile->readInteger(Setup, QStringLiteral("Left"), 195);
    const int top = IniFile->readInteger(Setup, QStringLiteral("Top"), 110);
    const QSize largest = largestWindow();
    resize(std::clamp(width, 1, largest.width()), std::clamp(height, 1, largest.height()));
    move(screenCoordinate(left), screenCoordinate(top));

    ApplyFlagsString(storedFlags);
    LastFileName = IniFile->readString(Setup, QStringLiteral("LastFileName"), {});
    NewMenu();
    keepOnScreen();
    loadEditorSettings();
}

void TMainForm::SaveSettings()
{
    // A font chosen by pixel size has no point size of its own; the size it is shown at is
    // stored instead of -1.
    const int fontSize = EditorFont->pointSize() > 0 ? EditorFont->pointSize()
                                                     : QFontInfo(*EditorFont).pointSize();
    const auto number = [](int value) { return QString::number(value); };
    IniFile->writeStrings({
        {Setup, QStringLiteral("Height"), number(height())},
        {Setup, QStringLiteral("Width"), number(width())},
        {Setup, QStringLiteral("Left"), number(x())},
        {Setup, QStringLiteral("Top"), number(y())},
        {Setup, QStringLiteral("FontName"), EditorFont->family()},
        {Setup, QStringLiteral("FontSize"), number(fontSize)},
        {Setup, QStringLiteral("LastFileName"), LastFileName},
        {Options, QStringLiteral("CompilerPath"), CompileOptForm->JavaPath->text()},
        {Options, QStringLiteral("DirectoryPath"), CompileOptForm->DirectoryPath->text()},
        {Options, QStringLiteral("ClassPath"), CompileOptForm->ClassPath->text()},
        {Options, QStringLiteral("Browser"), CompileOptForm->BrowserPath->text()},
        {Options, QStringLiteral("Interpreter"), CompileOptForm->Interpreter->text()},
        {Options, QStringLiteral("CompilerOptions"), FlagsToString()},
    });
}

void TMainForm::FirstRun()
{
    qv::messageBox(QStringLiteral("QUORVEL.INI not found.\r\rPlease enter Java compiler path."));
    CompileOptForm->FillInInstalledCompiler();
    CompileOptForm->FillInDesktopBrowser();
    if (CompileOptForm->ShowModal() == TCompileOptForm::mrOk) {
        SaveSettings();
        return;
    }
    // The interpreter and the flags keep what the user left in them.
    readToolPaths(*IniFile);
}

void TMainForm::JavaOptions1Click()
{
    if (CompileOptForm->ShowModal() == TCompileOptForm::mrOk) {
        SaveSettings();
        LiveCheck->compilerFolderChanged();
    }
}
