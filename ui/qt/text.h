#pragma once
// Text between the program's UTF-8 and Qt's QString.

#include <QString>
#include <string>
#include <string_view>

namespace kivano::ui::qt {

inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}
inline QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace kivano::ui::qt
