#include "arguments.h"

namespace qv {

QStringList splitCommandLine(const QString &text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    const qsizetype length = text.size();
    qsizetype i = 0;
    while (i < length) {
        const QChar c = text.at(i);
        if (!quoted && (c == u' ' || c == u'\t')) {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == u'\\') {
            qsizetype count = 0;
            while (i < length && text.at(i) == u'\\') {
                ++count;
                ++i;
            }
            if (i < length && text.at(i) == u'"') {
                word.append(QString(count / 2, u'\\'));
                if (count % 2 == 1) {
                    word.append(u'"');
                    ++i;
                }
                // With an even count the quote is left for the next round to toggle quoting.
            } else {
                word.append(QString(count, u'\\'));
            }
            continue;
        }
        if (c == u'"') {
            if (quoted && i + 1 < length && text.at(i + 1) == u'"') {
                word.append(u'"');
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        word.append(c);
        ++i;
    }
    if (inWord)
        words.append(word);
    return words;
}

QString plainArgument(const QString &name)
{
    if (name.startsWith(u'-') || name.startsWith(u'@'))
        return QStringLiteral("./") + name;
    return name;
}

} // namespace qv
