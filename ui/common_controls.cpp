#include "ui/common_controls.h"

#include <windows.h>
#include <commctrl.h>

namespace zek {

void InitDialogControls() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_UPDOWN_CLASS | ICC_TAB_CLASSES;  // tab classes bring the tooltip
    InitCommonControlsEx(&controls);
}

}  // namespace zek
