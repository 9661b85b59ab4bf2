#pragma once

#include <QStringView>

namespace rt {

// Reads the number at the start of a text: leading blanks are skipped, then the
// longest run that forms a decimal number (digits, optional sign, decimal point
// and fraction) is taken; the first other character (a NUL at the latest) ends
// it. Text that does not begin with a number reads as 0.
double readNumber(QStringView text);

} // namespace rt
