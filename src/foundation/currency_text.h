#pragma once

#include <QString>
#include <cstdint>

namespace kx {

// A currency value (value × 10 000) as exact decimal text: a sign, the digits, at most four
// decimals, "." as the point. Not through a double, which holds only 15 to 17 digits and
// would change large amounts.
QString KxCurrencyText(std::int64_t scaled);

} // namespace kx
