// The settings file's reader on any bytes: no crash, no hang, and what it reads, written and read
// again, comes back the same, in either encoding.

#include "settings/reg_tree.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kivano::settings;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TextEncoding encoding = TextEncoding::Utf8;
    const auto text = decodeRegText(bytes, encoding);
    if (!text) return 0;
    const auto first = parseRegFile(*text, "HKEY_CURRENT_USER");
    if (!first) return 0;
    const std::string written = toRegFile(first->root, "HKEY_CURRENT_USER", first->foreign);
    const auto second = parseRegFile(written, "HKEY_CURRENT_USER");
    if (!second || !second->complete || !(second->root == first->root) || second->foreign != first->foreign)
        std::abort();
    TextEncoding again = TextEncoding::Utf8;
    const auto decoded = decodeRegText(encodeRegText(written, encoding), again);
    if (!decoded || again != encoding || *decoded != written) std::abort();
    return 0;
}
