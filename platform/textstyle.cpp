// Source editing in the text control: highlighting through the editor's own lexers, one light
// colour scheme in the text font, the line-number margin, brace matching, the caret line and
// indentation guides.
#include "textcontrol.h"

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjava.h>
#include <Qsci/qsciscintilla.h>

namespace qv {

using Sci = QsciScintillaBase;

namespace {

// The scheme: a few calm colours on white, chosen by what a style shows.
struct Look
{
    QColor colour;
    bool bold = false;
    bool italic = false;
};

const QColor Paper(0xff, 0xff, 0xff);
const QColor Ink(0x1e, 0x1e, 0x1e);

Look lookOf(const QString &description)
{
    const QString d = description.toLower();
    if (d.contains(QLatin1String("comment"))) {
        if (d.contains(QLatin1String("doc")))
            return {QColor(0x3d, 0x6b, 0x8c), false, true};
        return {QColor(0x6a, 0x73, 0x7d), false, true};
    }
    if (d.contains(QLatin1String("unclosed")) || d.contains(QLatin1String("bad"))
        || d.contains(QLatin1String("unknown")))
        return {QColor(0xb0, 0x30, 0x30)};
    if (d.contains(QLatin1String("keyword")) || d.contains(QLatin1String("tag")))
        return {QColor(0x00, 0x33, 0x99), true};
    if (d.contains(QLatin1String("string")) || d.contains(QLatin1String("quoted"))
        || d.contains(QLatin1String("character")) || d.contains(QLatin1String("cdata")))
        return {QColor(0x06, 0x7d, 0x17)};
    if (d.contains(QLatin1String("number")) || d.contains(QLatin1String("entity")))
        return {QColor(0x17, 0x50, 0xc0)};
    if (d.contains(QLatin1String("attribute")))
        return {QColor(0x87, 0x10, 0x94)};
    if (d.contains(QLatin1String("pre-processor")) || d.contains(QLatin1String("preprocessor"))
        || d.contains(QLatin1String("annotation")) || d.contains(QLatin1String("global")))
        return {QColor(0x8a, 0x6d, 0x00)};
    return {Ink};
}

QsciLexer *makeLexer(Highlighting language, QObject *parent)
{
    QsciLexer *lexer = nullptr;
    switch (language) {
    case Highlighting::Plain:
        return nullptr;
    case Highlighting::Java:
        lexer = new QsciLexerJava(parent);
        break;
    case Highlighting::Html:
        lexer = new QsciLexerHTML(parent);
        break;
    }
    // Enter keeps the indentation of the line above, nothing more.
    lexer->setAutoIndentStyle(QsciScintilla::AiMaintain);
    return lexer;
}

void styleLexer(QsciLexer *lexer, const QFont &font)
{
    lexer->setDefaultFont(font);
    lexer->setDefaultColor(Ink);
    lexer->setDefaultPaper(Paper);
    for (int style = 0; style < 128; ++style) {
        const QString description = lexer->description(style);
        if (description.isEmpty())
            continue;
        const Look look = lookOf(description);
        QFont styled = font;
        styled.setBold(look.bold);
        styled.setItalic(look.italic);
        lexer->setFont(styled, style);
        lexer->setColor(look.colour, style);
        lexer->setPaper(Paper, style);
        lexer->setEolFill(false, style);
    }
}

int digitsOf(int count)
{
    int digits = 1;
    while (count >= 10) {
        count /= 10;
        ++digits;
    }
    return digits;
}

} // namespace

void TextControl::useDocument(bool styled)
{
    if (styled == m_styled)
        return;
    const long doc
        = send(Sci::SCI_CREATEDOCUMENT, 0, styled ? 0 : Sci::SC_DOCUMENTOPTION_STYLES_NONE);
    // The lexer belongs to the document it colours: it is detached first and set again on
    // the new one.
    m_editor->setLexer(nullptr);
    send(Sci::SCI_SETDOCPOINTER, 0, doc);
    send(Sci::SCI_RELEASEDOCUMENT, 0, doc);
    m_styled = styled;
    // Settings that belong to the document rather than to the view.
    m_editor->setIndentationsUseTabs(true);
    m_editor->setEolMode(QsciScintilla::EolUnix);
}

void TextControl::setSourceEditing()
{
    m_source = true;
    useDocument(true);
    m_editor->setAutoIndent(true);
    m_editor->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    m_editor->setCaretLineVisible(true);
    m_editor->setCaretLineBackgroundColor(QColor(0xf2, 0xf6, 0xfc));
    m_editor->setIndentationGuides(true);
    m_editor->setMarginType(0, QsciScintilla::NumberMargin);
    // A jump far into a large text paints at once: the text above the view is coloured a
    // piece at a time while the program is idle, not all before the paint.
    send(Sci::SCI_SETIDLESTYLING, Sci::SC_IDLESTYLING_TOVISIBLE);
    connect(this, &TextControl::changed, this, &TextControl::updateLineNumberWidth);
    applyStyles();
}

void TextControl::prepareDocumentFor(qsizetype size)
{
    if (!m_source)
        return;
    m_tooLarge = size > highlightingLimit;
    useDocument(!m_tooLarge);
    applyStyles();
}

void TextControl::setHighlighting(Highlighting language)
{
    m_language = language;
    applyStyles();
}

Highlighting TextControl::highlighting() const
{
    return m_lexer ? m_lexerLanguage : Highlighting::Plain;
}

void TextControl::setLineNumbersShown(bool shown)
{
    m_lineNumbers = shown;
    m_lineNumberDigits = 0;
    updateLineNumberWidth();
}

void TextControl::updateLineNumberWidth()
{
    if (!m_source)
        return;
    if (!m_lineNumbers) {
        m_editor->setMarginWidth(0, 0);
        return;
    }
    // At least three digits, so that the margin does not jump while a short text grows.
    const int digits = std::max(3, digitsOf(m_editor->lines()));
    if (digits == m_lineNumberDigits)
        return;
    m_lineNumberDigits = digits;
    m_editor->setMarginWidth(0, QString(digits + 1, u'9'));
}

void TextControl::applyStyles()
{
    if (!m_source)
        return;
    const QFont font = shownFont();
    const Highlighting wanted = m_styled ? m_language : Highlighting::Plain;
    if (wanted != highlighting() || (m_lexer && m_editor->lexer() != m_lexer)) {
        m_editor->setLexer(nullptr);
        delete m_lexer;
        m_lexer = makeLexer(wanted, this);
        m_lexerLanguage = wanted;
    }
    if (m_lexer) {
        styleLexer(m_lexer, font);
        if (m_editor->lexer() != m_lexer)
            m_editor->setLexer(m_lexer);
    } else {
        m_editor->setFont(font);
        m_editor->setColor(Ink);
        m_editor->setPaper(Paper);
    }
    m_editor->setMarginsFont(font);
    m_editor->setMarginsForegroundColor(QColor(0x8a, 0x8a, 0x8a));
    m_editor->setMarginsBackgroundColor(QColor(0xf3, 0xf3, 0xf3));
    m_editor->setMatchedBraceBackgroundColor(QColor(0xcf, 0xe3, 0xff));
    m_editor->setMatchedBraceForegroundColor(Ink);
    m_editor->setUnmatchedBraceBackgroundColor(QColor(0xff, 0xd6, 0xd6));
    m_editor->setUnmatchedBraceForegroundColor(QColor(0xb0, 0x00, 0x00));
    m_editor->setIndentationGuidesForegroundColor(QColor(0xd8, 0xd8, 0xd8));
    m_editor->setIndentationGuidesBackgroundColor(Paper);
    m_lineNumberDigits = 0;
    updateLineNumberWidth();
}

QFont TextControl::shownFontAt(int position) const
{
    send(Sci::SCI_COLOURISE, 0, -1);
    const unsigned long style = (unsigned long)send(Sci::SCI_GETSTYLEAT, (unsigned long)position);
    QByteArray face(send(Sci::SCI_STYLEGETFONT, style) + 1, '\0');
    m_editor->SendScintilla(Sci::SCI_STYLEGETFONT, style, face.data());
    QFont font(QString::fromUtf8(face.constData()));
    font.setPointSizeF(send(Sci::SCI_STYLEGETSIZEFRACTIONAL, style) / double(Sci::SC_FONT_SIZE_MULTIPLIER));
    return font;
}

QColor TextControl::shownColourAt(int position) const
{
    send(Sci::SCI_COLOURISE, 0, -1);
    const long style = send(Sci::SCI_GETSTYLEAT, (unsigned long)position);
    const long bgr = send(Sci::SCI_STYLEGETFORE, (unsigned long)style);
    return QColor(int(bgr & 0xff), int((bgr >> 8) & 0xff), int((bgr >> 16) & 0xff));
}

} // namespace qv
