#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Cuts text that arrives in pieces into whole lines for a line parser: feed() hands every
// line completed by the piece to take (without its line feed), finish() the unended last one.
class LineSplitter
{
public:
    template<typename Take>
    void feed(QByteArrayView chunk, Take &&take)
    {
        qsizetype start = 0;
        for (qsizetype end; (end = chunk.indexOf('\n', start)) >= 0; start = end + 1) {
            if (m_partial.isEmpty()) {
                take(chunk.sliced(start, end - start));
                continue;
            }
            m_partial.append(chunk.sliced(start, end - start));
            take(QByteArrayView(m_partial));
            m_partial.clear();
        }
        m_partial.append(chunk.sliced(start));
    }

    template<typename Take>
    void finish(Take &&take)
    {
        if (!m_partial.isEmpty())
            take(QByteArrayView(m_partial));
        m_partial.clear();
    }

private:
    QByteArray m_partial;
};
