#pragma once
// Where the portal keeps the user's answer between runs (its version 2 and later), the token it gives
// lives with Kivano's other settings, as one more value of its own.

#include "settings/registry_api.h"

namespace kivano::ui::qt {

class RemoteDesktop;

void keepAnswerIn(settings::RegistryApi& registry, RemoteDesktop& remote);

} // namespace kivano::ui::qt
