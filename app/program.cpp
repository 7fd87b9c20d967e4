#include "app/program.h"

namespace kivano::app {

int runProgram(Services& services, const std::function<void(frmMain&)>& afterLoad) {
    frmMain form(services);
    form.Form_Load();
    if (afterLoad) afterLoad(form);
    form.window().show();
    services.toolkit.run(form.window());
    return 0;
}

} // namespace kivano::app
