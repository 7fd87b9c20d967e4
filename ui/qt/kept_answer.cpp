#include "ui/qt/kept_answer.h"

#include "resources/strings.h"
#include "settings/CWinReestr.h"
#include "ui/qt/remote_desktop.h"

namespace kivano::ui::qt {

void keepAnswerIn(settings::RegistryApi& registry, RemoteDesktop& remote) {
    static const std::string kValue = "Portal Restore Token";
    remote.loadToken = [&registry] {
        std::string token;
        settings::CWinReestr(registry).GetKeyValue(
            settings::kHkeyCurrentUser, resources::LoadResString(resources::StringId::kSettingsKey), kValue,
            token);
        return QString::fromStdString(token);
    };
    remote.saveToken = [&registry](const QString& token) {
        std::string text = token.toStdString();
        settings::CWinReestr(registry).SetKeyValue(
            settings::kHkeyCurrentUser, resources::LoadResString(resources::StringId::kSettingsKey), kValue,
            text);
    };
}

} // namespace kivano::ui::qt
