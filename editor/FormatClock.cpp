#include "editor/Form1.h"

namespace {

// A count with the sign's place always taken: a blank for 0 and above.
QString signedText(std::int32_t number)
{
    return number < 0 ? QString::number(number) : u' ' + QString::number(number);
}

} // namespace

// Division truncates toward zero, so every part carries the input's sign.
// For any 32-bit input the parts stay small (|rest| < 3600), so nothing can
// overflow.
QString Form1::FormatClock(std::int32_t seconds)
{
    const std::int32_t hours = seconds / 3600;
    const std::int32_t rest = seconds - hours * 3600;
    const std::int32_t minutes = rest / 60;
    const std::int32_t secondsPart = rest - minutes * 60;
    return signedText(hours) + QStringLiteral(" :") + signedText(minutes) + QStringLiteral(" :")
        + signedText(secondsPart);
}
