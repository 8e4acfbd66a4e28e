#include "Compopt.h"

#include "flagsupport.h"

#include "platform/application.h"
#include "platform/boxes.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/icons.h"
#include "platform/programs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

TCompileOptForm *CompileOptForm = nullptr;

namespace {

constexpr int LearnPauseMs = 300;

} // namespace

QString compilerFileFor(const QString &directory)
{
    if (directory.endsWith(qv::PathSeparator))
        return directory + qv::CompilerFileName;
    return directory + qv::PathSeparator + qv::CompilerFileName;
}

TCompileOptForm::TCompileOptForm(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Java Compiler Options"));
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // Like the main window: the position is the frame's, the size the client area's.
    move(200, 109);
    resize(330, 325);

    // Creation order is the order of the fields; the keyboard order is set below.
    JavaPath = addEdit(12);
    Label1 = addLabel(QStringLiteral("Compiler Path"), 16);
    Label2 = addLabel(QStringLiteral("Directory Path"), 44);
    DirectoryPath = addEdit(40);
    Label3 = addLabel(QStringLiteral("Class Path"), 72);
    ClassPath = addEdit(68);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setGeometry(79, 267, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn1->setAutoDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(mrOk); });
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setGeometry(159, 267, 75, 25);
    BitBtn2->setAutoDefault(true);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(mrCancel); });

    GroupBox1 = new QGroupBox(QStringLiteral("Java Compiler Options"), this);
    GroupBox1->setGeometry(32, 160, 249, 89);
    CheckBox1 = addFlag(QStringLiteral("g"), 8, 16);
    CheckBox2 = addFlag(QStringLiteral("O"), 8, 32);
    CheckBox3 = addFlag(QStringLiteral("debug"), 8, 48);
    CheckBox4 = addFlag(QStringLiteral("depend"), 8, 64);
    CheckBox5 = addFlag(QStringLiteral("nowarn"), 136, 16);
    CheckBox6 = addFlag(QStringLiteral("verbose"), 136, 32);
    CheckBox7 = addFlag(QStringLiteral("nowrite"), 136, 48);

    SpeedButton1 = addPicker(11, &TCompileOptForm::SpeedButton1Click);
    SpeedButton2 = addPicker(39, &TCompileOptForm::SpeedButton2Click);
    SpeedButton3 = addPicker(68, &TCompileOptForm::SpeedButton3Click);
    Label4 = addLabel(QStringLiteral("Browser"), 100);
    BrowserPath = addEdit(96);
    SpeedButton4 = addPicker(96, &TCompileOptForm::SpeedButton4Click);
    OpenDialog1 = new qv::FileDialog(qv::FileDialog::Open, this);
    OpenDialog1->setFilter(QStringLiteral("Programs (*.exe)|*.exe|All files (*.*)|*.*"));
    Interpreter = addEdit(128);
    Label5 = addLabel(QStringLiteral("Interpreter"), 132);
    SpeedButton5 = addPicker(128, &TCompileOptForm::SpeedButton5Click);

    QWidget::setTabOrder(JavaPath, DirectoryPath);
    QWidget::setTabOrder(DirectoryPath, ClassPath);
    QWidget::setTabOrder(ClassPath, BitBtn1);
    QWidget::setTabOrder(BitBtn1, BitBtn2);
    QWidget::setTabOrder(BitBtn2, CheckBox1);
    QWidget::setTabOrder(CheckBox1, CheckBox2);
    QWidget::setTabOrder(CheckBox2, CheckBox3);
    QWidget::setTabOrder(CheckBox3, CheckBox4);
    QWidget::setTabOrder(CheckBox4, CheckBox5);
    QWidget::setTabOrder(CheckBox5, CheckBox6);
    QWidget::setTabOrder(CheckBox6, CheckBox7);
    QWidget::setTabOrder(CheckBox7, BrowserPath);
    QWidget::setTabOrder(BrowserPath, Interpreter);

    FlagSupport = new CompilerFlagSupport(this);
    // The compiler is asked only when its answer is needed: while the dialog shows, or when
    // a compile uses a flag. A short pause lets the user finish typing a path first.
    m_learnPause = new QTimer(this);
    m_learnPause->setSingleShot(true);
    m_learnPause->setInterval(LearnPauseMs);
    connect(m_learnPause, &QTimer::timeout, this, [this] {
        if (isVisible())
            learnCompilerFlags();
    });
    connect(JavaPath, &QLineEdit::textChanged, this, [this] {
        showFlagSupport();
        if (isVisible())
            m_learnPause->start();
    });
    connect(FlagSupport, &CompilerFlagSupport::learnt, this, &TCompileOptForm::showFlagSupport);
}

TCompileOptForm::~TCompileOptForm() = default;

QLineEdit *TCompileOptForm::addEdit(int top)
{
    auto *edit = new QLineEdit(this);
    edit->setGeometry(96, top, 185, 21);
    return edit;
}

QLabel *TCompileOptForm::addLabel(const QString &caption, int top)
{
    auto *label = new QLabel(caption, this);
    QFont bold(QStringLiteral("MS Sans Serif"), 8);
    bold.setBold(true);
    // A wider face than the designed one would run a caption into its edit box at left 96;
    // such a caption is shown a little smaller instead.
    for (qreal size = 8; size > 5 && QFontMetrics(bold).horizontalAdvance(caption) > 86;
         size -= 0.5)
        bold.setPointSizeF(size - 0.5);
    label->setFont(bold);
    QPalette black = label->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(black);
    label->move(8, top);
    label->adjustSize();
    return label;
}

QToolButton *TCompileOptForm::addPicker(int top, void (TCompileOptForm::*handler)())
{
    auto *button = new QToolButton(this);
    button->setGeometry(286, top, 23, 22);
    button->setIcon(qv::toolIcon(qv::ToolIcon::FolderTree));
    button->setIconSize(QSize(16, 16));
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, handler] {
        qv::guarded([&] { (this->*handler)(); });
    });
    return button;
}

QCheckBox *TCompileOptForm::addFlag(const QString &caption, int left, int top)
{
    auto *box = new QCheckBox(caption, GroupBox1);
    box->setGeometry(left, top, 97, 17);
    return box;
}

QList<QObject *> TCompileOptForm::flagBoxChildren() const
{
    return GroupBox1->children();
}

QList<QCheckBox *> TCompileOptForm::flagBoxes() const
{
    QList<QCheckBox *> boxes;
    for (QObject *child : flagBoxChildren()) {
        if (auto *box = qobject_cast<QCheckBox *>(child))
            boxes.append(box);
    }
    return boxes;
}

QStringList TCompileOptForm::flagCaptions() const
{
    QStringList captions;
    for (const QCheckBox *box : flagBoxes())
        captions.append(box->text());
    return captions;
}

QList<Flag> TCompileOptForm::flags() const
{
    QList<Flag> result;
    for (const QCheckBox *box : flagBoxes())
        result.append({box->text(), box->isChecked()});
    return result;
}

void TCompileOptForm::checkStoredFlags(const QString &stored)
{
    const QList<QCheckBox *> boxes = flagBoxes();
    const QList<Flag> checked = withStoredFlags(flags(), stored);
    for (qsizetype i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked(checked[i].checked);
}

ToolSettings TCompileOptForm::toolSettings() const
{
    return {JavaPath->text(), DirectoryPath->text(), ClassPath->text(), BrowserPath->text(),
            Interpreter->text(), flagString(flags())};
}

void TCompileOptForm::applyToolSettings(const ToolSettings &settings)
{
    JavaPath->setText(settings.compilerPath);
    DirectoryPath->setText(settings.directoryPath);
    ClassPath->setText(settings.classPath);
    BrowserPath->setText(settings.browser);
    Interpreter->setText(settings.interpreter);
    checkStoredFlags(settings.flags);
}

void TCompileOptForm::learnCompilerFlags()
{
    const QString compiler = compilerFileFor(JavaPath->text());
    if (qv::fileExists(compiler))
        FlagSupport->learn(compiler, flagCaptions());
    showFlagSupport();
}

void TCompileOptForm::showFlagSupport()
{
    const QStringList rejected = FlagSupport->rejected(compilerFileFor(JavaPath->text()));
    for (QCheckBox *box : flagBoxes()) {
        const bool supported = !rejected.contains(box->text());
        box->setEnabled(supported);
        qv::setHint(box, supported ? QString()
                                   : QStringLiteral("The compiler no longer supports -")
                                         + box->text());
    }
}

QStringList TCompileOptForm::rejectedFlags()
{
    const QString compiler = compilerFileFor(JavaPath->text());
    if (!qv::fileExists(compiler))
        return {};
    return FlagSupport->waitForRejected(compiler, flagCaptions());
}

void TCompileOptForm::FillInInstalledCompiler()
{
    const QString compiler = qv::findInstalledCompiler();
    if (compiler.isEmpty())
        return;
    const QString folder = compiler.left(compiler.lastIndexOf(qv::PathSeparator));
    JavaPath->setText(folder);
    const QString interpreter = folder + qv::PathSeparator + QStringLiteral("java");
    if (qv::fileExists(interpreter))
        Interpreter->setText(interpreter);
}

void TCompileOptForm::FillInDesktopBrowser()
{
    if (BrowserPath->text().isEmpty())
        BrowserPath->setText(qv::findDesktopOpener());
}

int TCompileOptForm::ShowModal()
{
    showFlagSupport();
    m_learnPause->start();
    return exec();
}

void TCompileOptForm::FormCloseQuery(bool &CanClose)
{
    const QString directory = JavaPath->text();
    if (directory.isEmpty())
        return;
    const QString compiler = compilerFileFor(directory);
    if (qv::fileExists(compiler))
        return;
    qv::messageBox(QStringLiteral("Error!: Unable to find Java Compiler:") + compiler);
    CanClose = false;
}

void TCompileOptForm::done(int result)
{
    // Every way of closing passes the close check; Escape and the frame ask for Cancel.
    bool canClose = true;
    qv::guarded([&] { FormCloseQuery(canClose); });
    if (canClose)
        QDialog::done(result);
}

void TCompileOptForm::reject()
{
    done(mrCancel);
}

void TCompileOptForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
    reject();
}

void TCompileOptForm::pickDirectory(QLineEdit *edit)
{
    const QString directory = qv::chooseDirectory(this);
    if (!directory.isEmpty())
        edit->setText(directory);
}

void TCompileOptForm::SpeedButton1Click()
{
    pickDirectory(JavaPath);
}

void TCompileOptForm::SpeedButton2Click()
{
    pickDirectory(DirectoryPath);
}

void TCompileOptForm::SpeedButton3Click()
{
    pickDirectory(ClassPath);
}

void TCompileOptForm::pickProgram(QLineEdit *edit)
{
    OpenDialog1->setFileName(edit->text());
    if (OpenDialog1->execute())
        edit->setText(OpenDialog1->fileName());
}

void TCompileOptForm::SpeedButton4Click()
{
    pickProgram(BrowserPath);
}

void TCompileOptForm::SpeedButton5Click()
{
    pickProgram(Interpreter);
}
