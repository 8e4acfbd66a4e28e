#include "runconsole.h"

#include "platform/longlines.h"
#include "platform/outputreader.h"
#include "platform/process.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr qint64 ChunkSize = 4096;

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

TRunConsoleForm::TRunConsoleForm()
    : m_decoder(QStringConverter::System)
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    Output = new QPlainTextEdit(this);
    Output->setReadOnly(true);
    Output->setLineWrapMode(QPlainTextEdit::NoWrap);
    Output->setFont(fixed);
    Output->setFocusPolicy(Qt::ClickFocus);
    Output->installEventFilter(this);
    Output->viewport()->installEventFilter(this);
    Input = new QLineEdit(this);
    Input->setFont(fixed);
    Input->setPlaceholderText(QStringLiteral("Input: Enter sends a line, Ctrl+D ends the input"));
    // A pasted text of any length goes in whole; its lines are sent as they come in.
    Input->setMaxLength(std::numeric_limits<int>::max());
    Input->installEventFilter(this);
    connect(Input, &QLineEdit::returnPressed, this, &TRunConsoleForm::sendInput);
    connect(Input, &QLineEdit::textChanged, this, &TRunConsoleForm::sendCompleteLines);
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

TRunConsoleForm *TRunConsoleForm::run(const QStringList &arguments,
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

    auto *form = new TRunConsoleForm;
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

void TRunConsoleForm::appendText(QString text, const QTextCharFormat &format)
{
    text.remove(u'\r');
    QScrollBar *bar = Output->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor end(Output->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text, format);
    keepScrollBack();
    if (following)
        bar->setValue(bar->maximum());
}

void TRunConsoleForm::keepScrollBack()
{
    QTextDocument *document = Output->document();
    const int notice = m_droppedLines > 0 ? 1 : 0;
    const int excess = document->blockCount() - notice - KeptLines;
    if (excess <= 0)
        return;
    QTextCursor cut(document);
    cut.setPosition(document->findBlockByNumber(notice).position());
    cut.setPosition(document->findBlockByNumber(notice + excess).position(),
                    QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    m_droppedLines += excess;
    QTextCursor first(document);
    if (notice)
        first.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat noted;
    noted.setFontItalic(true);
    first.insertText(QStringLiteral("... %1 earlier lines not shown")
                             .arg(QLocale(QLocale::English).toString(m_droppedLines))
                         + (notice ? QString() : QStringLiteral("\n")),
                     noted);
}

QByteArray TRunConsoleForm::shownLines(const QByteArray &bytes)
{
    // Lines are broken at a fixed width, so that output without line breaks does not make
    // every piece lay out one ever longer line.
    return qv::breakLongLines(bytes, qv::ShownLineWidth, m_column);
}

void TRunConsoleForm::appendOutput(const QByteArray &bytes)
{
    m_traces.feed(bytes);
    appendText(m_decoder.decode(shownLines(bytes)), QTextCharFormat());
}

void TRunConsoleForm::sendText(const QString &text)
{
    if (!m_input || !m_input->isOpen() || m_ended || text.isEmpty())
        return;
    // What the user typed stands apart from what the program wrote.
    QTextCharFormat typed;
    typed.setForeground(QColor(0, 90, 170));
    typed.setFontWeight(QFont::Bold);
    const QByteArray bytes = text.toLocal8Bit();
    appendText(QString::fromLocal8Bit(shownLines(bytes)), typed);
    m_input->write(bytes);
}

void TRunConsoleForm::sendInput()
{
    const QString line = Input->text();
    Input->clear();
    sendText(line + u'\n');
}

void TRunConsoleForm::sendCompleteLines(const QString &text)
{
    // A pasted text with line breaks: each of its lines is sent with its line end, in order;
    // what follows the last line break stays in the input line.
    const qsizetype last = std::max(text.lastIndexOf(u'\n'), text.lastIndexOf(u'\r'));
    if (last < 0)
        return;
    QString lines = text.left(last + 1);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    Input->setText(text.mid(last + 1));
    sendText(lines);
}

void TRunConsoleForm::closeInput()
{
    // As a terminal does: what is typed goes without a line end, then the input ends.
    const QString partial = Input->text();
    Input->clear();
    sendText(partial);
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
    m_traces.finish();
    emit finished();
}

bool TRunConsoleForm::chooseLine(const QTextBlock &block)
{
    StackFrame frame;
    if (!block.isValid() || !readStackFrame(block.text(), frame))
        return false;
    showChosen(block);
    emit frameChosen(frame);
    return true;
}

void TRunConsoleForm::showChosen(const QTextBlock &block)
{
    QTextEdit::ExtraSelection chosen;
    chosen.cursor = QTextCursor(block);
    chosen.format.setBackground(QColor(0xcf, 0xe3, 0xff));
    chosen.format.setProperty(QTextFormat::FullWidthSelection, true);
    Output->setExtraSelections({chosen});
    QTextCursor caret(block);
    Output->setTextCursor(caret);
    Output->ensureCursorVisible();
}

bool TRunConsoleForm::stepFrame(int step, const std::function<bool(const StackFrame &)> &accept,
                                StackFrame &frame)
{
    const QList<QTextEdit::ExtraSelection> chosen = Output->extraSelections();
    QTextBlock block;
    if (!chosen.isEmpty())
        block = step > 0 ? chosen.first().cursor.block().next()
                         : chosen.first().cursor.block().previous();
    else
        block = step > 0 ? Output->document()->firstBlock() : Output->document()->lastBlock();
    for (; block.isValid(); block = step > 0 ? block.next() : block.previous()) {
        if (readStackFrame(block.text(), frame) && accept(frame)) {
            showChosen(block);
            return true;
        }
    }
    return false;
}

bool TRunConsoleForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Output && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
            return chooseLine(Output->textCursor().block());
    }
    if (watched == Output->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && chooseLine(Output->cursorForPosition(mouse->position().toPoint()).block()))
            return true;
    }
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
    emit closing();
    setAttribute(Qt::WA_DeleteOnClose);
}
