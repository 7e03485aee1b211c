// Numbers as text by a picture format, as summaries show them: "0.00",
// "#,##0", "(SUM=0.00)", "0.0;(0.0);nil".
#pragma once

#include <string>
#include <string_view>

#include "base/FormatSettings.h"

namespace morvel {

// Writes `value` by `format`:
//   0        a digit, shown even when it is a leading or trailing zero
//   #        a digit, left out when it is a leading or trailing zero
//   .        the decimal point (the settings' separator); the placeholders
//            after it give the number of decimals, rounded half away from 0
//   ,        anywhere among the integer placeholders: thousands are grouped
//   "..." '...'  literal text; any other character is copied as it is
//   ;        separates the sections for positive, negative and zero values;
//            a negative value shown by the first section gets a minus sign
// Text before the first placeholder comes before the number, all other
// text after it. A section without placeholders is shown as it is. An
// empty format gives the number with up to 15 significant digits.
std::string formatNumberText(std::string_view format, long double value,
                             const FormatSettings& settings = formatSettings());

}  // namespace morvel
