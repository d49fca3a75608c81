#include "ui/range_message.h"

namespace zek {

std::string FillRangeMessage(const std::string& format, int32_t lower, int32_t upper) {
    const int32_t values[2] = {lower, upper};
    int used = 0;
    std::string out;
    out.reserve(format.size() + 16);
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        const char next = i + 1 < format.size() ? format[i + 1] : '\0';
        if (c == '%' && next == '%') {
            out += '%';
            ++i;
        } else if (c == '%' && next == 'd' && used < 2) {
            out += std::to_string(values[used++]);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace zek
