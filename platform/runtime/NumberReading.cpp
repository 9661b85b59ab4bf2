#include "platform/runtime/NumberReading.h"

#include <charconv>
#include <limits>
#include <string>

namespace rt {

namespace {

    bool isDigit(QChar c)
    {
        return c >= u'0' && c <= u'9';
    }

} // namespace

double readNumber(QStringView text)
{
    qsizetype at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t'))
        ++at;

    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }

    // Collect the digits and at most one decimal point; anything else ends the number.
    std::string digits;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (isDigit(c)) {
            seenDigit = true;
            digits.push_back(static_cast<char>(c.unicode()));
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
            digits.push_back('.');
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;

    // from_chars reads independently of the process locale, which a Qt
    // application sets from the environment (a decimal comma would misread).
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Only a number far too large to hold is out of range here (a long
        // run of digits); reading it as infinity lets callers report Overflow.
        // Underflow cannot happen: there is no exponent.
        value = std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

} // namespace rt
