// Number texts on any input: no crash, and a value's canonical text reads back to itself, under
// either decimal separator.

#include "app/numtext.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kivano::app;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string_view separator : {".", ","}) {
        const auto value = parseNumber(text, separator);
        if (!value) continue;
        const std::string canonical = formatNumber(*value, separator);
        const auto reread = parseNumber(canonical, separator);
        if (!reread || formatNumber(*reread, separator) != canonical) std::abort();
        (void)toInt32(*value);
        (void)toStep(*value);
    }
    (void)parseNumberAnySeparator(text);
    return 0;
}
