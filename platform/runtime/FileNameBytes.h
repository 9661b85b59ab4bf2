#pragma once

#include <QByteArray>
#include <QString>

namespace rt {

// File names are bytes, and not every name is valid UTF-8 (a Latin-1
// "caf\xe9.mp3", say). Text that the toolkit would show in their place
// replaces each stray byte with U+FFFD, and such a name names no file any
// more. These keep the bytes: a byte that is no part of valid UTF-8 becomes
// the lone surrogate U+DC80 to U+DCFF in the text, and turns back into that
// very byte. Valid UTF-8 converts as it always does.
QString decodeFileName(const QByteArray& bytes);
QByteArray encodeFileName(const QString& name);

} // namespace rt
