#include "programcontext.h"

#include "platform/files.h"
#include "platform/locations.h"

#include <QStringList>

#include <algorithm>

namespace {

bool isIdentifierByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    // Bytes of multi-byte characters count: Java names may hold any letter.
    return byte >= 0x80 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
           || (byte >= '0' && byte <= '9') || c == '_' || c == '$';
}

// Reads a text's names and single characters, passing over blanks, comments and literals of
// strings and characters (each of which comes back as its opening quote).
class Tokens
{
public:
    explicit Tokens(QByteArrayView text)
        : m_text(text)
    {
        if (m_text.startsWith("\xEF\xBB\xBF"))
            m_at = 3;
    }

    // The next token, empty at the end or at an unfinished comment.
    QByteArrayView next()
    {
        skipSpaceAndComments();
        if (m_at >= m_text.size())
            return {};
        const qsizetype start = m_at;
        const char c = m_text[m_at];
        if (isIdentifierByte(c)) {
            while (m_at < m_text.size() && isIdentifierByte(m_text[m_at]))
                ++m_at;
        } else if (m_text.sliced(m_at).startsWith(R"(""")")) {
            const qsizetype end = m_text.indexOf(R"(""")", m_at + 3);
            m_at = end < 0 ? m_text.size() : end + 3;
            return m_text.sliced(start, 1);
        } else if (c == '"' || c == '\'') {
            skipQuoted(c);
            return m_text.sliced(start, 1);
        } else {
            ++m_at;
        }
        return m_text.sliced(start, m_at - start);
    }

private:
    void skipQuoted(char quote)
    {
        for (++m_at; m_at < m_text.size() && m_text[m_at] != '\n'; ++m_at) {
            if (m_text[m_at] == '\\')
                ++m_at;
            else if (m_text[m_at] == quote) {
                ++m_at;
                return;
            }
        }
    }

    void skipSpaceAndComments()
    {
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
                ++m_at;
            } else if (m_text.sliced(m_at).startsWith("//")) {
                const qsizetype end = m_text.indexOf('\n', m_at);
                m_at = end < 0 ? m_text.size() : end + 1;
            } else if (m_text.sliced(m_at).startsWith("/*")) {
                const qsizetype end = m_text.indexOf("*/", m_at + 2);
                m_at = end < 0 ? m_text.size() : end + 2;
            } else {
                return;
            }
        }
    }

    QByteArrayView m_text;
    qsizetype m_at = 0;
};

QString parentFolder(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(qv::PathSeparator);
    return slash <= 0 ? QString(qv::PathSeparator) : path.left(slash);
}

} // namespace

QString packageDeclared(QByteArrayView text)
{
    Tokens tokens(text);
    if (tokens.next() != "package")
        return {};
    QByteArray name;
    for (;;) {
        const QByteArrayView part = tokens.next();
        if (part.isEmpty() || !isIdentifierByte(part.front()))
            return {};
        name += part;
        const QByteArrayView after = tokens.next();
        if (after == ";")
            return QString::fromUtf8(name);
        if (after != ".")
            return {};
        name += '.';
    }
}

ProgramContext programContext(const QString &fileName, QByteArrayView text)
{
    ProgramContext context;
    const QString path = qv::absolutePath(fileName, qv::currentDirectory());
    const QString folder = parentFolder(path);
    const QString name = path.mid(path.lastIndexOf(qv::PathSeparator) + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    context.className = dot < 0 ? name : name.left(dot);
    context.packageName = packageDeclared(text);
    context.qualifiedName = context.packageName.isEmpty()
                                ? context.className
                                : context.packageName + u'.' + context.className;
    context.sourceRoot = folder;
    if (context.packageName.isEmpty())
        return context;

    // The folder must end in the package's folders, each one whole.
    QString root = folder;
    const QStringList parts = context.packageName.split(u'.');
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        const qsizetype slash = root.lastIndexOf(qv::PathSeparator);
        if (slash < 0 || QStringView(root).mid(slash + 1) != parts[i]) {
            context.folderMatchesPackage = false;
            return context;
        }
        root.truncate(slash);
    }
    context.sourceRoot = root.isEmpty() ? QString(qv::PathSeparator) : root;
    return context;
}

QString runClassPath(const ProgramContext &context, const QString &outputFolder,
                     const QString &classPathSetting)
{
    QString path = outputFolder.isEmpty() ? context.sourceRoot : outputFolder;
    if (!classPathSetting.isEmpty())
        path += u':' + classPathSetting;
    return path;
}

QString publicClassName(QByteArrayView text)
{
    static const QByteArrayView kinds[] = {"class", "interface", "enum", "record"};
    Tokens tokens(text);
    QString first;
    int depth = 0;
    bool isPublic = false;
    for (QByteArrayView token = tokens.next(); !token.isEmpty(); token = tokens.next()) {
        if (token == "{" || token == "(") {
            ++depth;
        } else if (token == "}" || token == ")") {
            depth = std::max(0, depth - 1);
        } else if (token == ";") {
            isPublic = false;
        } else if (depth == 0 && token == "public") {
            isPublic = true;
        } else if (depth == 0 && std::find(std::begin(kinds), std::end(kinds), token)
                                     != std::end(kinds)) {
            const QByteArrayView name = tokens.next();
            if (name.isEmpty() || !isIdentifierByte(name.front()))
                continue;
            if (isPublic)
                return QString::fromUtf8(name);
            if (first.isEmpty())
                first = QString::fromUtf8(name);
            isPublic = false;
        }
    }
    return first;
}
