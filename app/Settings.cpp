// The settings file: loaded at the first show, written at close and after OK in the options
// dialog; and the compiler flags as an options string and as a stored flag string. The tool
// settings pass between the file and the options dialog as a ToolSettings value.
#include "LiveCheck.h"
#include "MainForm.h"

#include "toolchain/Compopt.h"
#include "toolchain/toolsettings.h"

#include "platform/boxes.h"
#include "platform/profile.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

const QString Setup = QStringLiteral("Setup");

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

} // namespace

QString TMainForm::BuildCompilerOptions() const
{
    return BuildCompilerArguments().join(u' ');
}

QStringList TMainForm::BuildCompilerArguments() const
{
    // A flag that the compiler rejects would fail every compile; it stays checked (and
    // stored) but is left out. The compiler is asked only when some flag is checked.
    QList<Flag> used = CompileOptForm->flags();
    const bool anyChecked = std::any_of(used.begin(), used.end(),
                                        [](const Flag &flag) { return flag.checked; });
    if (anyChecked) {
        const QStringList rejected = CompileOptForm->rejectedFlags();
        used.removeIf([&](const Flag &flag) { return rejected.contains(flag.caption); });
    }
    const ToolSettings settings = CompileOptForm->toolSettings();
    return buildOptionArguments(used, settings.directoryPath, settings.classPath);
}

QString TMainForm::FlagsToString() const
{
    return flagString(CompileOptForm->flags());
}

void TMainForm::ApplyFlagsString(const QString &flags)
{
    CompileOptForm->checkStoredFlags(flags);
}

void TMainForm::LoadSettings()
{
    // The file is read once; what it holds is applied as read.
    const QByteArray text = IniFile->text();
    const ToolSettings tools = toolSettingsFromProfile(text);
    CompileOptForm->applyToolSettings(tools);
    const auto setup = [&](const char *key, const QString &def) {
        return qv::profileLookup(text, Setup, QLatin1String(key)).value_or(def);
    };
    const auto setupNumber = [&](const char *key, int def) {
        return qv::parseProfileInteger(setup(key, QString()), def);
    };

    const QString fontName = cutText(setup("FontName", QStringLiteral("System")), 255);
    if (!fontName.isEmpty())
        EditorFont->setFamily(cutText(fontName, 31));
    EditorFont->setPointSize(fontPoints(setupNumber("FontSize", 10)));

    const int height = setupNumber("Height", 298);
    const int width = setupNumber("Width", 435);
    const int left = setupNumber("Left", 195);
    const int top = setupNumber("Top", 110);
    const QSize largest = largestWindow();
    resize(std::clamp(width, 1, largest.width()), std::clamp(height, 1, largest.height()));
    move(screenCoordinate(left), screenCoordinate(top));

    LastFileName = setup("LastFileName", QString());
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
    IniFile->writeStrings(QList<qv::ProfileSetting>{
                              {Setup, QStringLiteral("Height"), number(height())},
                              {Setup, QStringLiteral("Width"), number(width())},
                              {Setup, QStringLiteral("Left"), number(x())},
                              {Setup, QStringLiteral("Top"), number(y())},
                              {Setup, QStringLiteral("FontName"), EditorFont->family()},
                              {Setup, QStringLiteral("FontSize"), number(fontSize)},
                              {Setup, QStringLiteral("LastFileName"), LastFileName},
                          }
                          + profileFromToolSettings(CompileOptForm->toolSettings()));
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
    // The paths are read again; the interpreter and the flags keep what the user left in them.
    const ToolSettings stored = toolSettingsFromProfile(IniFile->text());
    ToolSettings kept = CompileOptForm->toolSettings();
    kept.compilerPath = stored.compilerPath;
    kept.directoryPath = stored.directoryPath;
    kept.classPath = stored.classPath;
    kept.browser = stored.browser;
    CompileOptForm->applyToolSettings(kept);
}

void TMainForm::JavaOptions1Click()
{
    if (CompileOptForm->ShowModal() == TCompileOptForm::mrOk) {
        SaveSettings();
        LiveCheck->compilerFolderChanged();
    }
}
