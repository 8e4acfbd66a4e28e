#include "livecheck.h"

#include <algorithm>
#include <numeric>

namespace {

// The length of the UTF-8 sequence at text[at] and the UTF-16 units its character takes: a
// byte that starts no whole sequence counts as one unit, as the replacement character that
// stands for it does.
std::pair<size_t, int> characterAt(std::string_view text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3
                                  : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return {1, 1};
    for (size_t i = at + 1; i < at + length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return {1, 1};
    }
    return {length, length == 4 ? 2 : 1};
}

// Byte positions for UTF-16 offsets, in one pass over the text.
QList<int> bytePositions(std::string_view text, const QList<int> &units)
{
    QList<int> order(units.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return units[a] < units[b]; });
    QList<int> positions(units.size());
    size_t at = 0;
    qint64 unit = 0;
    for (const int index : order) {
        while (at < text.size() && unit < units[index]) {
            const auto [bytes, width] = characterAt(text, at);
            at += bytes;
            unit += width;
        }
        positions[index] = int(at);
    }
    return positions;
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace

bool isJavaFileName(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".java"), Qt::CaseInsensitive)
           || fileName.endsWith(QLatin1String(".jav"), Qt::CaseInsensitive);
}

ServiceMessage checkRequest(const QString &fileName, const QByteArray &text,
                            const QString &sourceRoot, const QString &classPath,
                            const QList<UnsavedDocument> &unsaved)
{
    ServiceMessage request;
    request.kind = "check";
    request.add(fileName).add(text).add(sourceRoot).add(classPath).add(qint32(unsaved.size()));
    for (const UnsavedDocument &document : unsaved)
        request.add(document.path).add(document.text);
    return request;
}

std::optional<QList<LiveFinding>> checkFindings(const ServiceMessage &answer,
                                                std::string_view text)
{
    if (answer.kind != "diagnostics")
        return std::nullopt;
    FieldReader fields(answer);
    const qint32 count = fields.integer();
    if (fields.failed() || count < 0 || count > answer.fields.size())
        return std::nullopt;
    QList<LiveFinding> findings;
    QList<int> units;
    for (qint32 i = 0; i < count; ++i) {
        LiveFinding finding;
        finding.error = fields.bytes() == "error";
        units.append(std::max(0, fields.integer()));
        units.append(std::max(units.back(), fields.integer()));
        finding.message = fields.text();
        findings.append(finding);
    }
    if (fields.failed())
        return std::nullopt;
    const QList<int> positions = bytePositions(text, units);
    const int size = int(text.size());
    for (qsizetype i = 0; i < findings.size(); ++i) {
        LiveFinding &finding = findings[i];
        finding.start = positions[2 * i];
        finding.end = positions[2 * i + 1];
        if (finding.end > finding.start)
            continue;
        // A mark between two characters ("';' expected") underlines the one it is at, or the
        // one before it at the end of a line or of the text.
        if (finding.start < size && !isLineEnd(text[finding.start]))
            finding.end = finding.start + int(characterAt(text, finding.start).first);
        else if (finding.start > 0 && !isLineEnd(text[finding.start - 1])) {
            finding.end = finding.start--;
            while (finding.start > 0
                   && (static_cast<unsigned char>(text[finding.start]) & 0xC0) == 0x80)
                --finding.start;
        }
    }
    return findings;
}

QString findingsSummary(const QList<LiveFinding> &findings)
{
    const auto errors = std::count_if(findings.begin(), findings.end(),
                                      [](const LiveFinding &f) { return f.error; });
    const auto warnings = findings.size() - errors;
    if (findings.isEmpty())
        return QStringLiteral("No errors");
    QStringList parts;
    if (errors > 0)
        parts.append(QStringLiteral("%1 error%2").arg(errors).arg(errors == 1 ? "" : "s"));
    if (warnings > 0)
        parts.append(QStringLiteral("%1 warning%2").arg(warnings).arg(warnings == 1 ? "" : "s"));
    return parts.join(QStringLiteral(", "));
}
