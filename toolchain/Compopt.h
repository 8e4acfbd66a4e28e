#pragma once

#include "toolsettings.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

class CompilerFlagSupport;

namespace qv {
class FileDialog;
}

// The compiler options dialog: its edit boxes and flag boxes are the one store of the tool
// settings during a run. It closes only while the compiler directory is empty or holds the
// compiler.
class TCompileOptForm : public QDialog
{
    Q_OBJECT

public:
    enum ModalResult { mrOk = 1, mrCancel = 2 };

    explicit TCompileOptForm(QWidget *parent = nullptr);
    ~TCompileOptForm() override;

    QLineEdit *JavaPath = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *DirectoryPath = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *ClassPath = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QCheckBox *CheckBox3 = nullptr;
    QCheckBox *CheckBox4 = nullptr;
    QCheckBox *CheckBox5 = nullptr;
    QCheckBox *CheckBox6 = nullptr;
    QCheckBox *CheckBox7 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QToolButton *SpeedButton3 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *BrowserPath = nullptr;
    QToolButton *SpeedButton4 = nullptr;
    qv::FileDialog *OpenDialog1 = nullptr;
    QLineEdit *Interpreter = nullptr;
    QLabel *Label5 = nullptr;
    QToolButton *SpeedButton5 = nullptr;

    // Shows the dialog modally; returns mrOk or mrCancel.
    int ShowModal();

    void FormCloseQuery(bool &CanClose);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();

    // The flag boxes, children of GroupBox1 in their order; other children are skipped as
    // flags.
    QList<QObject *> flagBoxChildren() const;
    // The flag boxes' captions and states.
    QList<Flag> flags() const;
    // Checks the boxes that a stored flag string names; a checked box stays checked.
    void checkStoredFlags(const QString &stored);

    // The tool settings as shown. Applying them fills the five edit boxes and checks the
    // flags that their flag string names.
    ToolSettings toolSettings() const;
    void applyToolSettings(const ToolSettings &settings);

    // What the compilers accept of the flags. A box whose flag the compiler in JavaPath
    // rejects is disabled and says so in its hint; it keeps its checked state.
    CompilerFlagSupport *FlagSupport = nullptr;
    // The flags that the compiler in JavaPath rejects, waiting for the answer when the
    // compiler is still being asked.
    QStringList rejectedFlags();

    // Fills in the compiler directory with the folder of the installed compiler and the
    // interpreter with the "java" beside it, when there is one.
    void FillInInstalledCompiler();
    // Fills in an empty browser with the desktop's opener, when there is one.
    void FillInDesktopBrowser();

    // Every way of closing ends here and passes the close check first; Escape and the
    // window frame ask for mrCancel.
    void done(int result) override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLineEdit *addEdit(int top);
    QLabel *addLabel(const QString &caption, int top);
    QToolButton *addPicker(int top, void (TCompileOptForm::*handler)());
    QCheckBox *addFlag(const QString &caption, int left, int top);
    void pickDirectory(QLineEdit *edit);
    void pickProgram(QLineEdit *edit);
    QList<QCheckBox *> flagBoxes() const;
    QStringList flagCaptions() const;
    void learnCompilerFlags();
    void showFlagSupport();

    QTimer *m_learnPause = nullptr;
};

extern TCompileOptForm *CompileOptForm;

// The compiler's file for a compiler directory: the directory, "/" unless it ends with one,
// and the compiler's file name.
QString compilerFileFor(const QString &directory);
