#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <variant>

// The messages the workbench and its Java service exchange. On the wire each is a frame: a
// 4-byte big-endian length, then that many bytes holding the request id (4 bytes), the kind
// (a 4-byte length and its bytes) and any number of typed fields, each a tag byte and its
// value: 'i' and a 4-byte big-endian integer, or 's' and a string (a 4-byte length and that
// many bytes, UTF-8 when it is text). Nothing is escaped, so any bytes pass unchanged.
struct ServiceMessage
{
    using Field = std::variant<qint32, QByteArray>;

    qint32 id = 0;
    QByteArray kind;
    QList<Field> fields;

    ServiceMessage &add(qint32 value);
    ServiceMessage &add(const QByteArray &value);
    ServiceMessage &add(const QString &value) { return add(value.toUtf8()); }
};

// Frames longer than this are taken for garbage.
inline constexpr qint32 MaxServiceFrame = 64 << 20;

QByteArray encodeFrame(const ServiceMessage &message);

// Cuts a stream of bytes into messages. Fed the bytes as they arrive, in pieces of any size;
// once a frame cannot be read (a length out of range, a field running past its frame, an
// unknown tag) the stream is broken for good.
class FrameDecoder
{
public:
    void feed(QByteArrayView bytes);
    // The next whole message, if one has arrived.
    bool next(ServiceMessage &message);
    bool broken() const { return m_broken; }

private:
    QByteArray m_buffer;
    qsizetype m_start = 0;
    bool m_broken = false;
};

// Reads a message's fields in order; a field that is missing or of the other type makes it
// failed, and every later read gives 0 or empty.
class FieldReader
{
public:
    explicit FieldReader(const ServiceMessage &message)
        : m_message(message)
    {}

    qint32 integer();
    QByteArray bytes();
    QString text() { return QString::fromUtf8(bytes()); }
    bool failed() const { return m_failed; }

private:
    const ServiceMessage &m_message;
    qsizetype m_next = 0;
    bool m_failed = false;
};
