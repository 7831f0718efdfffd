// Turning a dotted IPv4 address text into its number.
#pragma once

#include <cstdint>
#include <string_view>

namespace ipmdb::engine {

// The big-endian value of the address, 0 to 4294967295; 0 for an empty or blank text. Never
// rejects its input: the text is cut at LF, CR, space and '.' into at most four parts (a run of
// separators is one boundary, a leading one leaves part 0 empty, trailing ones are ignored;
// missing parts are 0). Each part becomes 0 unless it is a whole integer text (an optional sign,
// then decimal digits fitting a signed 32-bit value, or a prefix $, x, X, 0x or 0X with hex
// digits fitting 32 bits read as two's complement); a negative value becomes its magnitude and a
// value above 255 becomes 255.
//
// Text from a fifth part on is ignored: 1.2.3.4.5 gives the number of 1.2.3.4 and .1.2.3.4 that
// of 0.1.2.3. Never fails; allocates nothing.
int64_t IPToNumber(std::string_view address);

}  // namespace ipmdb::engine
