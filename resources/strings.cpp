#include "resources/strings.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace kivano::resources {
namespace {

struct Entry {
    int id;
    std::string_view text;
};

constexpr Entry kTable[] = {
#define KIVANO_STRING(id, text) {id, text},
#include "resources/strings.def"
#undef KIVANO_STRING
};

} // namespace

std::string LoadResString(int id) {
    const auto* it =
        std::find_if(std::begin(kTable), std::end(kTable), [id](const Entry& e) { return e.id == id; });
    return it == std::end(kTable) ? std::string{} : std::string{it->text};
}

} // namespace kivano::resources
