#include "platform/runtime/FileNameBytes.h"

#include <gtest/gtest.h>

namespace {

// Text written with "~XX" for the lone surrogate U+DCXX that stands for the
// stray byte XX.
QString withStrays(const QString& written)
{
    QString text;
    for (qsizetype at = 0; at < written.size(); ++at) {
        if (written[at] != u'~') {
            text += written[at];
            continue;
        }
        text += QChar(char16_t(0xDC00 + written.mid(at + 1, 2).toInt(nullptr, 16)));
        at += 2;
    }
    return text;
}

} // namespace

// A name's bytes survive the trip through text whatever they are; valid
// UTF-8 reads as the text it encodes, and only stray bytes become the lone
// surrogates U+DC80 to U+DCFF.
TEST(FileNameBytesTest, KeepsEveryByteOfAName)
{
    const struct {
        QByteArray bytes;
        QString text;
    } cases[] = {
        { "/music/caf\xc3\xa9.mp3", QStringLiteral("/music/caf\u00e9.mp3") },
        { "/music/caf\xe9.mp3", withStrays(QStringLiteral("/music/caf~e9.mp3")) },
        { "\xff\xfe.mp3", withStrays(QStringLiteral("~ff~fe.mp3")) },
        { "\xc0\xaf", withStrays(QStringLiteral("~c0~af")) }, // an overlong "/"
        { "\xed\xa0\x80", withStrays(QStringLiteral("~ed~a0~80")) }, // a surrogate's code
        { "\xe2\x82", withStrays(QStringLiteral("~e2~82")) }, // cut short
        { "\xf0\x9f\x8e\xb5.mp3", QStringLiteral("\U0001F3B5.mp3") },
    };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_EQ(rt::decodeFileName(bytes), text);
        EXPECT_EQ(rt::encodeFileName(text), bytes);
    }
    // A lone surrogate that no stray byte gives is no byte of a name.
    EXPECT_EQ(rt::encodeFileName(QStringLiteral("a") + QChar(char16_t(0xD800)) + u'b'),
        QByteArray("a\xef\xbf\xbd"
                   "b"));
}
