// The output window's part in leading from the compiler's diagnostics to the code.
#include "compunit.h"

#include "platform/files.h"
#include "platform/textcontrol.h"

#include <QFontDatabase>

void TCompOutForm::setUpDiagnostics()
{
    // The compiler's caret lines line up with the source lines above them only in a face
    // whose characters are all equally wide.
    RichEdit1->setTextFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    RichEdit1->setLineActivation([this](int line) { return chooseDiagnosticAt(line); });
    CompilerFolder = qv::currentDirectory();
}

void TCompOutForm::finishDiagnostics()
{
    m_diagnostics.finish();
    emit diagnosticsFinished(m_diagnostics.diagnostics(), CompilerFolder);
}

bool TCompOutForm::chooseDiagnosticAt(int line)
{
    // The text as it is now: the user may have edited it since the compile.
    const std::string_view text = RichEdit1->bytes();
    const QList<Diagnostic> shown = parseDiagnostics(QByteArrayView(text.data(), qsizetype(text.size())));
    const Diagnostic *diagnostic = diagnosticAtOutputLine(shown, line);
    if (!diagnostic || !diagnostic->hasPlace())
        return false;
    emit diagnosticChosen(*diagnostic);
    return true;
}
