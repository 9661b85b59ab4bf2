#include "platform/runtime/FileNameBytes.h"

namespace rt {

namespace {

    constexpr char16_t kStrayByteBase = 0xDC00;

    // The code point of the valid UTF-8 sequence at `at`, and its length;
    // a length of 0 when none starts there.
    std::pair<char32_t, int> utf8At(const QByteArray& bytes, qsizetype at)
    {
        const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
        const unsigned char lead = byte(at);
        if (lead < 0x80)
            return { lead, 1 };
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || at + length > bytes.size())
            return { 0, 0 };
        char32_t code = lead & (0x3F >> (length - 1));
        for (int i = 1; i < length; ++i) {
            if ((byte(at + i) & 0xC0) != 0x80)
                return { 0, 0 };
            code = (code << 6) | (byte(at + i) & 0x3F);
        }
        const char32_t least[] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return { 0, 0 };
        return { code, length };
    }

} // namespace

QString decodeFileName(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const auto [code, length] = utf8At(bytes, at);
        if (length == 0) {
            name += QChar(char16_t(kStrayByteBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        name += QString::fromUcs4(&code, 1);
        at += length;
    }
    return name;
}

QByteArray encodeFileName(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name[at].unicode();
        const bool pair = QChar::isHighSurrogate(unit) && at + 1 < name.size()
            && QChar::isLowSurrogate(name[at + 1].unicode());
        if (!pair && unit >= kStrayByteBase + 0x80 && unit <= kStrayByteBase + 0xFF) {
            bytes += char(unit - kStrayByteBase);
            continue;
        }
        if (!pair && QChar::isSurrogate(unit)) {
            bytes += "\xEF\xBF\xBD"; // U+FFFD: no byte stands behind it
            continue;
        }
        bytes += name.mid(at, pair ? 2 : 1).toUtf8();
        if (pair)
            ++at;
    }
    return bytes;
}

} // namespace rt
