// The two keys of the main window that open the About box.

#include "about/frmAbout.h"
#include "app/frmMain.h"

namespace kivano::app {

void frmMain::Form_KeyPress(char16_t keyAscii) {
    if (keyAscii == u'a') aboutBox().Show();
}

void frmMain::cbStart_KeyPress(char16_t keyAscii) {
    if (keyAscii == u'i') aboutBox().Show();
}

} // namespace kivano::app
