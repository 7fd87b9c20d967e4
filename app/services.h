#pragma once
// What the windows are given from outside: the windowing backend, the host system, the registry and
// the random source.

#include "app/random.h"
#include "settings/registry_api.h"
#include "ui/ui.h"

namespace kivano::app {

struct Services {
    ui::Toolkit& toolkit;
    ui::Cursor& cursor;
    ui::System& system;
    settings::RegistryApi& registry;
    RandomSource& random;
};

} // namespace kivano::app
