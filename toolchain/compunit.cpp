#include "compunit.h"

#include "platform/application.h"
#include "platform/arguments.h"
#include "platform/boxes.h"
#include "platform/longlines.h"
#include "platform/mdiframe.h"
#include "platform/outputreader.h"
#include "platform/textcontrol.h"
#include "platform/textwindow.h"

#include <QTimer>
#include <QVBoxLayout>

#include <utility>

int RunningReaders = 0;

namespace {

// Reads of the pipes never ask for more than this many bytes.
constexpr qint64 ChunkSize = 256;
// How long a reader whose pipe has ended waits to see the compiler end.
constexpr int EndWaitMs = 2000;
// While output streams in, the text is painted at most this often.
constexpr int PaintPauseMs = 30;

QString unquoted(const QString &text)
{
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"')
        return text.mid(1, text.size() - 2);
    return text;
}

// The code point of the UTF-8 sequence text[start, end), or 0 when those bytes are not
// exactly one valid sequence.
char32_t decodeOne(std::string_view text, size_t start, size_t end)
{
    if (start >= end || end > text.size())
        return 0;
    const auto lead = static_cast<unsigned char>(text[start]);
    size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        length = 1;
        value = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (end - start != length)
        return 0;
    for (size_t i = start + 1; i < end; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte & 0x3F);
    }
    return value;
}

bool isWordCharacter(char32_t c)
{
    return c == U'_' || (c != 0 && QChar::isLetterOrNumber(c));
}

bool wordCharacterBefore(std::string_view text, size_t position)
{
    if (position == 0)
        return false;
    size_t start = position - 1;
    while (start > 0 && position - start < 4
           && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    return isWordCharacter(decodeOne(text, start, position));
}

bool wordCharacterAt(std::string_view text, size_t position)
{
    if (position >= text.size())
        return false;
    size_t end = position + 1;
    while (end < text.size() && end - position < 4
           && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return isWordCharacter(decodeOne(text, position, end));
}

} // namespace

QStringList compilerArguments(const QString &compiler, const QStringList &options,
                              const QString &fileName, const QString &sourcePath)
{
    QStringList arguments{unquoted(compiler)};
    arguments += options;
    const bool named = options.contains(QLatin1String("-sourcepath"))
                       || options.contains(QLatin1String("--source-path"));
    if (!sourcePath.isEmpty() && !named)
        arguments << QStringLiteral("-sourcepath") << sourcePath;
    arguments.append(qv::plainArgument(unquoted(fileName)));
    return arguments;
}

bool containsErrorWord(std::string_view text)
{
    constexpr std::string_view word = "error";
    for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        if (wordCharacterBefore(text, at))
            continue;
        const size_t after = at + word.size();
        if (!wordCharacterAt(text, after))
            return true;
        if (text[after] == 's' && !wordCharacterAt(text, after + 1))
            return true;
    }
    return false;
}

TJavaCompile::~TJavaCompile()
{
    if (Program && !Program->end().ended)
        Program->stop();
}

void TJavaCompile::StartCompiler(const QString &compiler, const QStringList &options,
                                 const QString &fileName, const QString &sourcePath,
                                 TCompOutForm *form)
{
    qv::StartInfo info;
    info.arguments = compilerArguments(compiler, options, fileName, sourcePath);

    qv::Pipe output;
    if (!qv::createPipe(output)) {
        qv::messageBox(QStringLiteral("Error Creating output pipe"));
        throw qv::Error(QString());
    }
    OutputRead = std::move(output.read);
    OutputWrite = std::move(output.write);
    qv::Pipe error;
    if (!qv::createPipe(error)) {
        OutputRead.close();
        OutputWrite.close();
        qv::messageBox(QStringLiteral("Error Creating error pipe"));
        throw qv::Error(QString());
    }
    ErrorRead = std::move(error.read);
    ErrorWrite = std::move(error.write);

    info.setOutput(OutputWrite);
    info.setError(ErrorWrite);
    Program = qv::startProcess(info);
    // From here on only the compiler holds the write ends, so each read end reports its end
    // once the compiler (and whatever it started) has gone.
    OutputWrite.close();
    ErrorWrite.close();
    if (!Program) {
        OutputRead.close();
        ErrorRead.close();
        throw EQvExecFileGeneralFailure(QStringLiteral("CreateProcess failed"));
    }

    RunningReaders += 2;
    form->m_runningReaders += 2;
    const QPointer<TCompOutForm> target(form);
    const auto onEnd = [target] {
        if (target)
            target->ReaderTerminated();
        else
            --RunningReaders;
    };
    bool allStarted = true;
    const auto startReader = [&](qv::Descriptor &pipe,
                                 void (TCompOutForm::*step)(const QByteArray &)) {
        const auto onChunk = [target, step](const QByteArray &chunk) {
            if (target)
                (target->*step)(chunk);
        };
        if (qv::OutputReader::start(std::move(pipe), Program, ChunkSize, EndWaitMs, onChunk,
                                    onEnd))
            return;
        --RunningReaders;
        --form->m_runningReaders;
        allStarted = false;
    };
    startReader(OutputRead, &TCompOutForm::appendCompilerOutput);
    startReader(ErrorRead, &TCompOutForm::showErrorOutput);
    // A reader that did start keeps the compiler's pipe drained and, once the window is gone,
    // only lowers the count at its end.
    if (!allStarted)
        throw qv::Error(QStringLiteral("Cannot start a reader of the compiler's output"));
}

TCompOutForm::TCompOutForm()
{
    setWindowTitle(QStringLiteral("MDI Child"));
    qv::buildTextWindow(this, RichEdit1, StatusBar1);
    connect(RichEdit1, &qv::TextControl::changed, this, &TCompOutForm::RichEdit1Change);
    connect(RichEdit1, &qv::TextControl::selectionChanged, this,
            &TCompOutForm::RichEdit1SelectionChange);
    m_paintPause = new QTimer(this);
    m_paintPause->setSingleShot(true);
    m_paintPause->setInterval(PaintPauseMs);
    connect(m_paintPause, &QTimer::timeout, this, &TCompOutForm::resumePainting);
    setUpDiagnostics();
}

TCompOutForm::~TCompOutForm() = default;

TCompOutForm *TCompOutForm::CreateAndCompile(const QString &compiler,
                                             const QStringList &options, const QString &fileName,
                                             const QString &sourcePath)
{
    auto *form = new TCompOutForm;
    try {
        form->Runner = std::make_unique<TJavaCompile>();
        form->Runner->StartCompiler(compiler, options, fileName, sourcePath, form);
    } catch (...) {
        delete form;
        throw;
    }
    return form;
}

void TCompOutForm::UpdateCaretPanel()
{
    qv::UpdateCaretPanel(RichEdit1, StatusBar1);
}

void TCompOutForm::RichEdit1Change()
{
    UpdateCaretPanel();
}

void TCompOutForm::RichEdit1SelectionChange()
{
    UpdateCaretPanel();
}

void TCompOutForm::appendCompilerOutput(const QByteArray &chunk)
{
    // Painting the text after every chunk of a fast stream costs far more than adding it:
    // the first chunk shows at once, later ones at most PaintPauseMs later, together.
    if (m_paintPause->isActive())
        RichEdit1->setUpdatesEnabled(false);
    else
        m_paintPause->start();
    // Lines are broken at a fixed width, so that output without line breaks does not make
    // every chunk lay out one ever longer line; the diagnostics count the lines as shown.
    const QByteArray shown = qv::breakLongLines(chunk, qv::ShownLineWidth, m_column);
    RichEdit1->appendText(shown);
    m_diagnostics.feed(shown);
}

void TCompOutForm::showErrorOutput(const QByteArray &chunk)
{
    // The compiler's diagnostics stay in the window, in the order they arrived, so that the
    // completion report sees them.
    appendCompilerOutput(chunk);
    // One box for the compile, which does not hold up the reader: a compiler with a hundred
    // errors gives one box to read, not one per chunk, and once the user has closed it, the
    // rest is read in the window.
    if (m_errorBoxOpened && !m_errorBox)
        return;
    const bool opening = !m_errorBox;
    if (opening) {
        m_errorBox = new qv::TextBox(this);
        m_errorBoxOpened = true;
    }
    m_errorBox->appendBytes(chunk);
    if (opening)
        m_errorBox->show();
}

bool TCompOutForm::going() const
{
    return m_runningReaders > 0 && !m_stopped;
}

void TCompOutForm::stop()
{
    if (!going() || !Runner || !Runner->Program)
        return;
    m_stopped = true;
    Runner->Program->stop();
}

QString TCompOutForm::stopQuestion() const
{
    return QStringLiteral("Still compiling ") + CompiledFile
           + QStringLiteral(".  Stop the compiler and close?");
}

void TCompOutForm::resumePainting()
{
    m_paintPause->stop();
    if (!RichEdit1->updatesEnabled())
        RichEdit1->setUpdatesEnabled(true);
}

void TCompOutForm::ReaderTerminated()
{
    --RunningReaders;
    --m_runningReaders;
    if (m_runningReaders != 0)
        return;
    // A compiler that failed, was killed or was stopped has not compiled cleanly, whatever
    // it wrote.
    const bool failed = m_stopped || (Runner && Runner->Program && Runner->Program->end().failed());
    Runner.reset();
    resumePainting();
    finishDiagnostics();
    // A compile stopped because its window is closing ends without a report: the window is
    // on its way out, and the user has already answered for it.
    if (stoppedForClose())
        return;
    const QPointer<TCompOutForm> self(this);
    // The error output is read first, the report after it.
    if (m_errorBox)
        m_errorBox->waitUntilClosed();
    if (!self)
        return;
    if (failed || containsErrorWord(RichEdit1->bytes())) {
        qv::messageBox(CompiledFile + QStringLiteral(" done compiling.\r\rPossible errors!"));
        if (self)
            setCaption(CompiledFile + QStringLiteral(" done compiling.Possible errors!"));
        return;
    }
    if (!ReportsSuccess) {
        emit compiledCleanly();
        if (self)
            closeAfterReport();
        return;
    }
    qv::messageBox(CompiledFile + QStringLiteral(" done compiling."));
    if (self)
        closeAfterReport();
}

void TCompOutForm::closeAfterReport()
{
    QWidget *frame = qv::MdiFrame::frameOf(this);
    (frame ? frame : static_cast<QWidget *>(this))->close();
}

void TCompOutForm::FormErrorCloseQuery(bool &CanClose)
{
    // Only this window's own compile matters: the readers of other compiles never deliver
    // here, and a reader of this one outlives the window safely.
    if (!stopBeforeClose())
        CanClose = false;
}

bool TCompOutForm::queryClose()
{
    bool canClose = true;
    FormErrorCloseQuery(canClose);
    return canClose;
}

void TCompOutForm::FormClose()
{
    emit closing();
    setAttribute(Qt::WA_DeleteOnClose);
}

void TCompOutForm::formClose()
{
    FormClose();
}
