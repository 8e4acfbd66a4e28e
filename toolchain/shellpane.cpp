#include "shellpane.h"

#include "toolchain/javaservice.h"
#include "toolchain/javashell.h"
#include "toolchain/stacktrace.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace {

const QString Ready = QStringLiteral("> ");

QTextCharFormat coloured(const QColor &colour, bool bold = false, bool italic = false)
{
    QTextCharFormat format;
    format.setForeground(colour);
    if (bold)
        format.setFontWeight(QFont::Bold);
    format.setFontItalic(italic);
    return format;
}

QTextCharFormat pieceFormat(ShellPiece::Kind kind)
{
    switch (kind) {
    case ShellPiece::Kind::Output:
        return {};
    case ShellPiece::Kind::Value:
        return coloured(QColor(0, 110, 40));
    case ShellPiece::Kind::Note:
        return coloured(QColor(100, 100, 100), false, true);
    case ShellPiece::Kind::Error:
    case ShellPiece::Kind::Exception:
        return coloured(QColor(180, 0, 0));
    }
    return {};
}

QString commonPrefix(const QStringList &texts)
{
    QString prefix = texts.value(0);
    for (const QString &text : texts) {
        qsizetype same = 0;
        while (same < prefix.size() && same < text.size() && prefix.at(same) == text.at(same))
            ++same;
        prefix.truncate(same);
    }
    return prefix;
}

} // namespace

QString shellCaption(const QString &classPath)
{
    return classPath.isEmpty() ? QStringLiteral("Java Shell")
                               : QStringLiteral("Java Shell (") + classPath + u')';
}

QString echoedInput(const QString &input)
{
    QString text = input;
    while (text.endsWith(u'\n'))
        text.chop(1);
    return Ready + text.replace(u'\n', u'\n' + QString(Ready.size(), u' '));
}

TShellForm::TShellForm(JavaService *service, QStringList *history)
    : m_shell(new JavaShell(service, this))
    , m_history(history)
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    Transcript = new QPlainTextEdit(this);
    Transcript->setObjectName(QStringLiteral("Transcript"));
    Transcript->setAccessibleName(QStringLiteral("Java shell transcript"));
    Transcript->setReadOnly(true);
    Transcript->setLineWrapMode(QPlainTextEdit::NoWrap);
    Transcript->setFont(fixed);
    Transcript->setMaximumBlockCount(KeptLines);
    Transcript->setFocusPolicy(Qt::ClickFocus);
    Transcript->installEventFilter(this);
    Transcript->viewport()->installEventFilter(this);
    Prompt = new QLabel(Ready, this);
    Prompt->setFont(fixed);
    Prompt->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    Input = new QPlainTextEdit(this);
    Input->setObjectName(QStringLiteral("Input"));
    Input->setAccessibleName(QStringLiteral("Java snippet"));
    Input->setFont(fixed);
    Input->setTabChangesFocus(true);
    Input->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The placeholder fits the input's one line at the window's first size; the tip says all.
    Input->setPlaceholderText(QStringLiteral("Java code: Enter runs, Up/Down recall"));
    Input->setToolTip(
        QStringLiteral("Java code: Enter runs it, Up and Down recall, Ctrl+Space completes"));
    Input->installEventFilter(this);
    connect(Input, &QPlainTextEdit::textChanged, this, &TShellForm::fitInput);
    // The prompt stands on the input's first line.
    const int inset = Input->frameWidth() + int(Input->document()->documentMargin());
    Prompt->setContentsMargins(0, inset, 0, 0);
    ResetButton = new QPushButton(QStringLiteral("&Reset"), this);
    ResetButton->setToolTip(QStringLiteral("Start a fresh shell with the current document's class path"));
    StopButton = new QPushButton(QStringLiteral("S&top"), this);
    StopButton->setToolTip(QStringLiteral("Stop the running snippet"));
    for (QPushButton *button : {ResetButton, StopButton})
        button->setFocusPolicy(Qt::TabFocus);
    connect(ResetButton, &QPushButton::clicked, this, &TShellForm::reset);
    connect(StopButton, &QPushButton::clicked, this, &TShellForm::stop);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(2, 2, 2, 2);
    bar->setSpacing(4);
    bar->addWidget(Prompt, 0, Qt::AlignTop);
    bar->addWidget(Input, 1);
    bar->addWidget(ResetButton, 0, Qt::AlignTop);
    bar->addWidget(StopButton, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Transcript, 1);
    layout->addLayout(bar);
    setFocusProxy(Input);

    m_completer = new QCompleter(new QStringListModel(this), this);
    m_completer->setWidget(Input);
    m_completer->setCaseSensitivity(Qt::CaseSensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this,
            &TShellForm::insertCompletion);
    // Typing on narrows the list; what continues no entry closes it.
    connect(Input, &QPlainTextEdit::textChanged, this, [this] {
        QAbstractItemView *popup = m_completer->popup();
        if (!popup->isVisible())
            return;
        const int caret = Input->textCursor().position();
        if (caret < m_anchor) {
            popup->hide();
            return;
        }
        m_completer->setCompletionPrefix(Input->toPlainText().mid(m_anchor, caret - m_anchor));
        if (m_completer->completionCount() == 0)
            popup->hide();
        else
            popup->setCurrentIndex(m_completer->completionModel()->index(0, 0));
    });

    connect(m_shell, &JavaShell::started, this, [this] {
        m_lost = false;
        updateState();
        if (!m_waiting.isEmpty()) {
            m_sent = std::exchange(m_waiting, {});
            m_taken = false;
            m_shell->evaluate(m_sent);
            updateState();
        }
    });
    connect(m_shell, &JavaShell::failed, this, [this](const QString &why) {
        note(QStringLiteral("The shell is off: ") + why);
        // An input that was out is lost with the shell; one not yet taken is still typed.
        m_sent.clear();
        m_waiting.clear();
        m_lost = true;
        updateState();
    });
    connect(m_shell, &JavaShell::incomplete, this, &TShellForm::continueInput);
    connect(m_shell, &JavaShell::accepted, this, &TShellForm::accepted);
    connect(m_shell, &JavaShell::piecesArrived, this, &TShellForm::appendPieces);
    connect(m_shell, &JavaShell::evaluated, this, &TShellForm::finished);
    connect(m_shell, &JavaShell::suggested, this, &TShellForm::showSuggestions);
    // A service started again after it stopped gets a fresh shell.
    if (service) {
        connect(service, &JavaService::readyChanged, this, [this](bool ready) {
            if (ready && m_lost) {
                note(QStringLiteral("A fresh shell starts"));
                m_lost = false;
                m_shell->start(m_shell->classPath(), m_shell->sources());
                updateState();
            }
        });
    }
    m_historyAt = m_history ? m_history->size() : 0;
    fitInput();
    updateState();
    resize(600, 360);
}

TShellForm::~TShellForm() = default;

void TShellForm::startShell(const ShellContext &context)
{
    m_sourceFolders = context.sourceFolders;
    setCaption(shellCaption(context.classPath));
    m_shell->start(context.classPath, context.sources);
    m_lost = false;
    updateState();
}

void TShellForm::reset()
{
    if (!Transcript->document()->isEmpty())
        note(QStringLiteral("Reset: a fresh shell starts"));
    m_waiting.clear();
    startShell(CurrentContext ? CurrentContext()
                              : ShellContext{m_shell->classPath(), m_shell->sources(),
                                             m_sourceFolders});
}

void TShellForm::submit()
{
    const QString input = Input->toPlainText();
    if (input.trimmed().isEmpty() || m_shell->isRunning() || !m_sent.isEmpty()
        || !m_waiting.isEmpty())
        return;
    if (input.trimmed().startsWith(u'/') && !input.contains(u'\n')) {
        const QString command = input.trimmed();
        Input->clear();
        append(echoedInput(command) + u'\n', coloured(QColor(0, 90, 170), true));
        if (command == QStringLiteral("/reset"))
            reset();
        else
            note(QStringLiteral("Unknown command %1: /reset starts a fresh shell").arg(command));
        return;
    }
    m_sentCaret = Input->textCursor().position();
    m_taken = false;
    if (!m_shell->isIdle()) {
        // Starting, or lost: it runs once the shell is there.
        m_waiting = input;
        if (m_lost) {
            m_lost = false;
            m_shell->start(m_shell->classPath(), m_shell->sources());
        }
        updateState();
        return;
    }
    m_sent = input;
    m_shell->evaluate(input);
    updateState();
}

void TShellForm::continueInput()
{
    // The shell's analysis wants more: the input takes a line where Enter was pressed.
    const QString sent = std::exchange(m_sent, {});
    updateState();
    QTextCursor cursor = Input->textCursor();
    if (Input->toPlainText() == sent)
        cursor.setPosition(std::min(m_sentCaret, int(sent.size())));
    cursor.insertText(QStringLiteral("\n"));
    Input->setTextCursor(cursor);
}

void TShellForm::accepted()
{
    const QString sent = m_sent;
    m_taken = true;
    append(echoedInput(sent) + u'\n', coloured(QColor(0, 90, 170), true));
    if (m_history && (m_history->isEmpty() || m_history->constLast() != sent))
        m_history->append(sent);
    m_historyAt = m_history ? m_history->size() : 0;
    m_draft.clear();
    // What was typed meanwhile stays in the input.
    const QString now = Input->toPlainText();
    Input->setPlainText(now.startsWith(sent) ? now.mid(sent.size()) : now);
    Input->moveCursor(QTextCursor::End);
}

void TShellForm::finished()
{
    m_sent.clear();
    updateState();
}

void TShellForm::append(const QString &text, const QTextCharFormat &format)
{
    QScrollBar *bar = Transcript->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor end(Transcript->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text, format);
    if (following)
        bar->setValue(bar->maximum());
}

void TShellForm::appendPieces(const QList<ShellPiece> &pieces)
{
    for (const ShellPiece &piece : pieces) {
        QString text = piece.text;
        text.remove(u'\r');
        if (piece.kind == ShellPiece::Kind::Exception) {
            appendTrace(text);
            continue;
        }
        // Only what a snippet printed may end without a line break; what follows it starts
        // a line of its own.
        if (piece.kind != ShellPiece::Kind::Output && !text.endsWith(u'\n'))
            text += u'\n';
        if (piece.kind != ShellPiece::Kind::Output
            && !Transcript->document()->lastBlock().text().isEmpty())
            text.prepend(u'\n');
        append(text, pieceFormat(piece.kind));
    }
}

void TShellForm::appendTrace(const QString &text)
{
    if (!Transcript->document()->lastBlock().text().isEmpty())
        append(QStringLiteral("\n"), {});
    const QTextCharFormat plain = pieceFormat(ShellPiece::Kind::Exception);
    QTextCharFormat link = plain;
    link.setFontUnderline(true);
    link.setForeground(QColor(0, 70, 170));
    const qsizetype count = text.count(u'\n') + 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < count; ++i) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        const QString line = text.mid(start, end - start);
        start = end + 1;
        append(line, plain);
        // A line that leads to a source found in the shell's folders looks like a link.
        const int block = Transcript->document()->blockCount() - 1;
        if (!sourceFor(block).isEmpty()) {
            QTextCursor cursor(Transcript->document()->lastBlock());
            qsizetype indent = 0;
            while (indent < line.size() && line.at(indent).isSpace())
                ++indent;
            cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, int(indent));
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            cursor.setCharFormat(link);
        }
        append(QStringLiteral("\n"), plain);
    }
}

void TShellForm::note(const QString &text)
{
    appendPieces({{ShellPiece::Kind::Note, text}});
}

QString TShellForm::sourceFor(int blockNumber) const
{
    StackFrame frame;
    const QString line = Transcript->document()->findBlockByNumber(blockNumber).text();
    if (!readStackFrame(line, frame) || !frame.hasPlace())
        return {};
    for (const QString &folder : m_sourceFolders) {
        const QString path = QDir(folder).filePath(frame.relativePath());
        if (QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

bool TShellForm::chooseLine(int blockNumber)
{
    const QString path = sourceFor(blockNumber);
    if (path.isEmpty())
        return false;
    StackFrame frame;
    readStackFrame(Transcript->document()->findBlockByNumber(blockNumber).text(), frame);
    emit placeChosen(path, frame.line);
    return true;
}

void TShellForm::updateState()
{
    const bool running = m_shell->isRunning() || !m_waiting.isEmpty();
    StopButton->setEnabled(m_shell->isRunning());
    Prompt->setText(running ? QStringLiteral("… ") : Ready);
    Prompt->setToolTip(running ? QStringLiteral("A snippet runs") : QString());
}

void TShellForm::fitInput()
{
    // One line, and more as the input needs them, up to a few.
    const int lines = std::clamp(Input->document()->blockCount(), 1, MaxInputLines);
    const QFontMetrics metrics(Input->font());
    const int frame = 2 * (Input->frameWidth() + int(Input->document()->documentMargin()));
    Input->setFixedHeight(lines * metrics.lineSpacing() + frame + 2);
}

void TShellForm::walkHistory(int step)
{
    if (!m_history || m_history->isEmpty())
        return;
    const qsizetype to = std::clamp<qsizetype>(m_historyAt + step, 0, m_history->size());
    if (to == m_historyAt)
        return;
    if (m_historyAt == m_history->size())
        m_draft = Input->toPlainText();
    m_historyAt = to;
    Input->setPlainText(to == m_history->size() ? m_draft : m_history->at(to));
    Input->moveCursor(QTextCursor::End);
}

void TShellForm::complete()
{
    m_suggestedFor = Input->toPlainText();
    m_suggestedCaret = Input->textCursor().position();
    m_shell->suggest(m_suggestedFor, m_suggestedCaret);
}

void TShellForm::showSuggestions(int anchor, const QStringList &texts)
{
    // A list for an input that has changed since is of no use.
    if (Input->toPlainText() != m_suggestedFor || Input->textCursor().position() != m_suggestedCaret
        || anchor < 0 || anchor > m_suggestedCaret || texts.isEmpty())
        return;
    m_anchor = anchor;
    const QString typed = m_suggestedFor.mid(anchor, m_suggestedCaret - anchor);
    if (texts.size() == 1) {
        insertCompletion(texts.first());
        return;
    }
    // What all of them start with goes in at once; the list offers the rest.
    const QString common = commonPrefix(texts);
    if (common.size() > typed.size())
        insertCompletion(common);
    auto *model = static_cast<QStringListModel *>(m_completer->model());
    model->setStringList(texts);
    m_completer->setCompletionPrefix(Input->toPlainText().mid(
        m_anchor, Input->textCursor().position() - m_anchor));
    QRect place = Input->cursorRect();
    place.setWidth(m_completer->popup()->sizeHintForColumn(0)
                   + m_completer->popup()->verticalScrollBar()->sizeHint().width());
    m_completer->complete(place);
    m_completer->popup()->setCurrentIndex(m_completer->completionModel()->index(0, 0));
}

void TShellForm::insertCompletion(const QString &text)
{
    QTextCursor cursor = Input->textCursor();
    const int caret = cursor.position();
    if (m_anchor > caret)
        return;
    cursor.setPosition(m_anchor);
    cursor.setPosition(caret, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    Input->setTextCursor(cursor);
}

bool TShellForm::going() const
{
    return m_shell->isRunning();
}

void TShellForm::stop()
{
    m_waiting.clear();
    m_shell->stop();
    updateState();
}

QString TShellForm::stopQuestion() const
{
    return QStringLiteral("A snippet is still running in the Java shell.  Stop it and close?");
}

bool TShellForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Transcript->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (chooseLine(Transcript->cursorForPosition(mouse->position().toPoint()).blockNumber()))
            return true;
    }
    if (event->type() != QEvent::KeyPress)
        return ToolWindow::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == Transcript && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
        return chooseLine(Transcript->textCursor().blockNumber());
    if (watched != Input)
        return ToolWindow::eventFilter(watched, event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const QTextCursor cursor = Input->textCursor();
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers == Qt::NoModifier) {
            submit();
            return true;
        }
        if (modifiers == Qt::ShiftModifier) {
            Input->insertPlainText(QStringLiteral("\n"));
            return true;
        }
        break;
    case Qt::Key_Up:
        if (modifiers == Qt::NoModifier && cursor.blockNumber() == 0) {
            walkHistory(-1);
            return true;
        }
        break;
    case Qt::Key_Down:
        if (modifiers == Qt::NoModifier
            && cursor.blockNumber() == Input->document()->blockCount() - 1) {
            walkHistory(1);
            return true;
        }
        break;
    case Qt::Key_Space:
        if (modifiers == Qt::ControlModifier) {
            complete();
            return true;
        }
        break;
    default:
        break;
    }
    return ToolWindow::eventFilter(watched, event);
}

void TShellForm::formClose()
{
    setAttribute(Qt::WA_DeleteOnClose);
}
