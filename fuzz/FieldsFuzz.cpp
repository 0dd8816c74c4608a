// Any bytes as lines of a text file: the first byte picks the separator.
#include "support/brdodatkirozn.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    FieldSplitter s;
    s.separator = std::string(1, input.front());
    input.remove_prefix(1);
    while (!input.empty()) {
        const auto end = input.find('\n');
        s.line = std::string(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        try {
            s.split();
        } catch (const std::range_error&) {
            continue;
        }
        for (int k = 0; k <= s.count() + 1; ++k) {
            const auto f = s.field(k);
            if (f.size() > s.line.size())
                __builtin_trap();
            (void)s.integer(k);
            const double r = s.real(k);
            if (r != r) // never NaN
                __builtin_trap();
        }
    }
    return 0;
}
