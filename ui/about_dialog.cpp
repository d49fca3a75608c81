#include "ui/about_dialog.h"

#include "res/resource_ids.h"

namespace zek {

void AboutDialog::Run(HINSTANCE module, HWND owner) { RunModal(module, ZEK_IDD_ABOUT, owner); }

// OK, Escape and the close box all end the box with their command id.
LRESULT AboutDialog::OnEnd(WPARAM wParam, LPARAM) {
    EndDialog(hwnd_, LOWORD(wParam));
    return 0;
}

const MessageEntry<AboutDialog>* AboutDialog::Route(UINT message, WPARAM wParam) {
    static const MessageEntry<AboutDialog> map[] = {
        OnCommand(IDOK, BN_CLICKED, &AboutDialog::OnEnd),
        OnCommand(IDCANCEL, BN_CLICKED, &AboutDialog::OnEnd),
    };
    return FindEntry(map, message, wParam);
}

}  // namespace zek
