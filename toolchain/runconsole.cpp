#include "runconsole.h"

#include "editor/Childwin.h"
#include "platform/outputreader.h"
#include "platform/process.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr qint64 ChunkSize = 4096;
// A program that writes without end keeps only this many of its last lines on show.
constexpr int KeptLines = 100000;

} // namespace

QString runningCaption(const QString &className)
{
    return QStringLiteral("Running ") + className + QStringLiteral(" ...");
}

QString finishedCaption(const QString &className, const qv::ProcessEnd &end)
{
    QString how;
    if (end.stopped) {
        how = QStringLiteral("stopped");
    } else if (end.signalled) {
        how = QStringLiteral("ended by signal %1").arg(end.code);
        if (const QString name = qv::signalName(end.code); !name.isEmpty())
            how += QStringLiteral(" (") + name + u')';
    } else {
        how = QStringLiteral("finished (exit status %1)").arg(end.code);
    }
    return runningCaption(className) + u' ' + how;
}

TRunConsoleForm::TRunConsoleForm(TMDIChild *owner)
    : ToolWindow(owner)
    , m_decoder(QStringConverter::System)
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    Output = new QPlainTextEdit(this);
    Output->setReadOnly(true);
    Output->setLineWrapMode(QPlainTextEdit::NoWrap);
    Output->setMaximumBlockCount(KeptLines);
    Output->setFont(fixed);
    Output->setFocusPolicy(Qt::ClickFocus);
    Input = new QLineEdit(this);
    Input->setFont(fixed);
    Input->setPlaceholderText(QStringLiteral("Input: Enter sends a line, Ctrl+D ends the input"));
    Input->installEventFilter(this);
    connect(Input, &QLineEdit::returnPressed, this, &TRunConsoleForm::sendInput);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Output, 1);
    layout->addWidget(Input);
    setFocusProxy(Input);
    resize(560, 300);
}

TRunConsoleForm::~TRunConsoleForm()
{
    // Nothing started from the workbench outlives its window.
    if (m_program && !m_program->end().ended)
        m_program->stop();
}

TRunConsoleForm *TRunConsoleForm::run(TMDIChild *owner, const QStringList &arguments,
                                      const QString &className)
{
    qv::Pipe input;
    qv::Pipe output;
    if (!qv::createPipe(input) || !qv::createPipe(output))
        return nullptr;
    // Standard output and standard error share one pipe, so they arrive in the order written.
    qv::StartInfo info;
    info.arguments = arguments;
    info.setInput(input.read);
    info.setOutput(output.write);
    info.setError(output.write);
    std::shared_ptr<qv::Process> program = qv::startProcess(info);
    input.read.close();
    output.write.close();
    if (!program)
        return nullptr;

    auto *form = new TRunConsoleForm(owner);
    form->ClassName = className;
    form->setCaption(runningCaption(className));
    form->m_program = program;
    form->m_input = new qv::PipeWriter(std::move(input.write), form);
    const QPointer<TRunConsoleForm> target(form);
    const auto onChunk = [target](const QByteArray &chunk) {
        if (target)
            target->appendOutput(chunk);
    };
    const auto onEnd = [target] {
        if (target)
            target->programEnded();
    };
    if (!qv::OutputReader::start(std::move(output.read), program, ChunkSize, -1, onChunk,
                                 onEnd)) {
        // Nobody could read what it writes: it does not run.
        delete form;
        return nullptr;
    }
    return form;
}

qint64 TRunConsoleForm::processId() const
{
    return m_program ? m_program->id() : -1;
}

bool TRunConsoleForm::going() const
{
    return m_program && !m_ended && !m_program->stopRequested();
}

void TRunConsoleForm::stop()
{
    if (m_program && !m_ended)
        m_program->stop();
}

QString TRunConsoleForm::stopQuestion() const
{
    return QStringLiteral("Still running ") + ClassName
           + QStringLiteral(".  Stop the program and close?");
}

void TRunConsoleForm::appendText(const QString &text, const QTextCharFormat &format)
{
    QScrollBar *bar = Output->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor end(Output->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text, format);
    if (following)
        bar->setValue(bar->maximum());
}

void TRunConsoleForm::appendOutput(const QByteArray &bytes)
{
    QString text = m_decoder.decode(bytes);
    text.remove(u'\r');
    appendText(text, QTextCharFormat());
}

void TRunConsoleForm::sendInput()
{
    if (!m_input || !m_input->isOpen() || m_ended)
        return;
    const QString line = Input->text();
    Input->clear();
    // What the user typed stands apart from what the program wrote.
    QTextCharFormat typed;
    typed.setForeground(QColor(0, 90, 170));
    typed.setFontWeight(QFont::Bold);
    appendText(line + u'\n', typed);
    m_input->write(line.toLocal8Bit() + '\n');
}

void TRunConsoleForm::closeInput()
{
    if (m_input)
        m_input->closeWhenWritten();
    Input->setEnabled(false);
    Input->setPlaceholderText(QStringLiteral("Input ended"));
}

void TRunConsoleForm::programEnded()
{
    m_ended = true;
    delete std::exchange(m_input, nullptr);
    Input->setEnabled(false);
    Input->setPlaceholderText(QString());
    setCaption(finishedCaption(ClassName, m_program->end()));
}

bool TRunConsoleForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Input && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_D && key->modifiers() == Qt::ControlModifier) {
            closeInput();
            return true;
        }
    }
    return ToolWindow::eventFilter(watched, event);
}

void TRunConsoleForm::formClose()
{
    if (owner() && owner()->RunWindow == this)
        owner()->RunWindow = nullptr;
    setAttribute(Qt::WA_DeleteOnClose);
}
