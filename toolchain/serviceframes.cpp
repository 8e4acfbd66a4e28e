#include "serviceframes.h"

#include <QtEndian>

namespace {

void appendInteger(QByteArray &out, qint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

void appendString(QByteArray &out, const QByteArray &value)
{
    appendInteger(out, qint32(value.size()));
    out.append(value);
}

// Reads the payload of one frame; false when it is not well formed.
class PayloadCursor
{
public:
    explicit PayloadCursor(QByteArrayView data)
        : m_data(data)
    {}

    bool atEnd() const { return m_at == m_data.size(); }

    bool integer(qint32 &value)
    {
        if (m_data.size() - m_at < 4)
            return false;
        value = qFromBigEndian<qint32>(m_data.data() + m_at);
        m_at += 4;
        return true;
    }

    bool string(QByteArray &value)
    {
        qint32 length = 0;
        if (!integer(length) || length < 0 || m_data.size() - m_at < length)
            return false;
        value = m_data.sliced(m_at, length).toByteArray();
        m_at += length;
        return true;
    }

    bool tag(char &value)
    {
        if (atEnd())
            return false;
        value = m_data[m_at++];
        return true;
    }

private:
    QByteArrayView m_data;
    qsizetype m_at = 0;
};

bool decodePayload(QByteArrayView payload, ServiceMessage &message)
{
    PayloadCursor cursor(payload);
    message = ServiceMessage();
    if (!cursor.integer(message.id) || !cursor.string(message.kind))
        return false;
    while (!cursor.atEnd()) {
        char tag = 0;
        cursor.tag(tag);
        if (tag == 'i') {
            qint32 value = 0;
            if (!cursor.integer(value))
                return false;
            message.fields.append(value);
        } else if (tag == 's') {
            QByteArray value;
            if (!cursor.string(value))
                return false;
            message.fields.append(value);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

ServiceMessage &ServiceMessage::add(qint32 value)
{
    fields.append(value);
    return *this;
}

ServiceMessage &ServiceMessage::add(const QByteArray &value)
{
    fields.append(value);
    return *this;
}

QByteArray encodeFrame(const ServiceMessage &message)
{
    QByteArray frame;
    appendInteger(frame, 0);
    appendInteger(frame, message.id);
    appendString(frame, message.kind);
    for (const ServiceMessage::Field &field : message.fields) {
        if (const qint32 *number = std::get_if<qint32>(&field)) {
            frame.append('i');
            appendInteger(frame, *number);
        } else {
            frame.append('s');
            appendString(frame, std::get<QByteArray>(field));
        }
    }
    qToBigEndian(qint32(frame.size() - 4), frame.data());
    return frame;
}

void FrameDecoder::feed(QByteArrayView bytes)
{
    if (!m_broken)
        m_buffer.append(bytes);
}

bool FrameDecoder::next(ServiceMessage &message)
{
    if (m_broken)
        return false;
    const qsizetype available = m_buffer.size() - m_start;
    if (available < 4)
        return false;
    const qint32 length = qFromBigEndian<qint32>(m_buffer.constData() + m_start);
    // The smallest frame holds an id and an empty kind.
    if (length < 8 || length > MaxServiceFrame) {
        m_broken = true;
        return false;
    }
    if (available - 4 < length)
        return false;
    const QByteArrayView payload(m_buffer.constData() + m_start + 4, length);
    if (!decodePayload(payload, message)) {
        m_broken = true;
        return false;
    }
    m_start += 4 + length;
    // The bytes already read are dropped once they are the larger part of the buffer.
    if (m_start > m_buffer.size() / 2) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
    return true;
}

qint32 FieldReader::integer()
{
    const qint32 *value = m_failed || m_next >= m_message.fields.size()
                              ? nullptr
                              : std::get_if<qint32>(&m_message.fields[m_next]);
    ++m_next;
    if (!value) {
        m_failed = true;
        return 0;
    }
    return *value;
}

QByteArray FieldReader::bytes()
{
    const QByteArray *value = m_failed || m_next >= m_message.fields.size()
                                  ? nullptr
                                  : std::get_if<QByteArray>(&m_message.fields[m_next]);
    ++m_next;
    if (!value) {
        m_failed = true;
        return {};
    }
    return *value;
}
