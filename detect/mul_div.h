// a * b / c with a 64-bit intermediate, rounded half away from zero; -1 when
// c is 0 or the result does not fit in 32 bits. The platform's own MulDiv
// behaves this way; the portable core keeps its own copy.
#pragma once
#include <cstdint>

namespace zek {

inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t p = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    const uint64_t d = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
    const uint64_t q = (p + d / 2) / d;
    if (q > (negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF})) return -1;
    return negative ? static_cast<int32_t>(0 - q) : static_cast<int32_t>(q);
}

}  // namespace zek
