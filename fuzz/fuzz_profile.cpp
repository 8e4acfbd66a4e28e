#include "platform/profile.h"

#include <QStringDecoder>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

namespace {

QString consumeText(FuzzedDataProvider &input, size_t maxLength)
{
    // Keeps a leading U+FEFF, which QString::fromStdString would drop.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                                                     | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(input.ConsumeRandomLengthString(maxLength));
}

bool sameName(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

// Arbitrary bytes become a file text, names and a value. A write must store exactly the value
// written and leave every other setting as it was.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int number = input.ConsumeIntegral<int>();
    const QString section = consumeText(input, 8);
    const QString key = consumeText(input, 8);
    const QString other = consumeText(input, 8);
    const QString value = consumeText(input, 64);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray text(rest.data(), qsizetype(rest.size()));

    check(qv::parseProfileInteger(QString::number(number), 0) == number);
    check(qv::parseProfileInteger(QLatin1Char('$') + QString::number(uint(number), 16), 0)
          == number);
    qv::parseProfileInteger(value, 0);
    qv::parseProfileInteger(QString::fromUtf8(text), 0);

    const auto otherKeyBefore = qv::profileLookup(text, section, other);
    const auto otherSectionBefore = qv::profileLookup(text, other, key);
    const QByteArray updated = qv::profileUpdate(text, section, key, value);
    if (updated != text)
        check(qv::profileLookup(updated, section, key) == value);
    if (!sameName(other, key))
        check(qv::profileLookup(updated, section, other) == otherKeyBefore);
    if (!sameName(other, section))
        check(qv::profileLookup(updated, other, key) == otherSectionBefore);
    return 0;
}
