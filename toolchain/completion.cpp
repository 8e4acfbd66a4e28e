#include "completion.h"

namespace {

// A byte of a Java name: ASCII letters, digits, '_' and '$', and every byte of a non-ASCII
// character (letters far outnumber the rest there).
bool isNameByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
           || (byte >= '0' && byte <= '9') || byte == '_' || byte == '$';
}

// The UTF-16 units of the text's first count bytes, as the service counts them.
int unitsOf(std::string_view text, int count)
{
    return int(QString::fromUtf8(text.data(), std::min<qsizetype>(count, text.size())).size());
}

} // namespace

ServiceMessage completionRequest(const QString &fileName, const QByteArray &text, int caret,
                                 const QString &sourceRoot, const QString &classPath,
                                 const QList<UnsavedDocument> &unsaved)
{
    ServiceMessage request;
    request.kind = "complete";
    request.add(fileName).add(text).add(qint32(unitsOf(text.toStdString(), caret)))
        .add(sourceRoot).add(classPath).add(qint32(unsaved.size()));
    for (const UnsavedDocument &document : unsaved)
        request.add(document.path).add(document.text);
    return request;
}

std::optional<QList<CompletionName>> completionNames(const ServiceMessage &answer)
{
    if (answer.kind != "completions")
        return std::nullopt;
    FieldReader fields(answer);
    const qint32 count = fields.integer();
    if (fields.failed() || count < 0 || count > answer.fields.size())
        return std::nullopt;
    QList<CompletionName> names;
    for (qint32 i = 0; i < count; ++i) {
        CompletionName name;
        name.name = fields.text();
        name.label = fields.text();
        name.insertion = fields.text();
        names.append(name);
    }
    if (fields.failed())
        return std::nullopt;
    return names;
}

int nameStart(std::string_view text, int caret)
{
    int start = std::clamp(caret, 0, int(text.size()));
    while (start > 0 && isNameByte(text[start - 1]))
        --start;
    return start;
}

QList<CompletionName> namesStartingWith(const QList<CompletionName> &names, const QString &typed)
{
    QList<CompletionName> kept;
    for (const CompletionName &name : names) {
        if (name.name.startsWith(typed, Qt::CaseInsensitive))
            kept.append(name);
    }
    return kept;
}

QStringList labelsOf(const QList<CompletionName> &names)
{
    QStringList labels;
    for (const CompletionName &name : names)
        labels.append(name.label);
    return labels;
}
