// The Qt edition's entry point.

#include "app/program.h"
#include "settings/file_registry.h"
#include "ui/qt/idle_inhibitor.h"
#include "ui/qt/qt_backend.h"

#include <QApplication>
#include <QDBusConnection>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    kivano::ui::qt::QtToolkit toolkit;
    kivano::ui::qt::QtCursor cursor;
    kivano::ui::qt::IdleInhibitor inhibitor(QDBusConnection::sessionBus());
    kivano::ui::qt::QtSystem system(&inhibitor);
    kivano::settings::FileRegistry registry(kivano::settings::FileRegistry::defaultRoots());
    kivano::app::FixedSeedRandom random;
    kivano::app::Services services{toolkit, cursor, system, registry, random};
    return kivano::app::runProgram(services, [](kivano::app::frmMain& form) {
        // Wayland lets no program move the pointer; say so once, where the user looks.
        if (!kivano::ui::qt::QtCursor::canWarp())
            form.lblTop.setCaption("Moving the cursor needs an X11 session");
    });
}
