// The modal About box. Its template exists in English only and is loaded from
// the module directly, so it stays English whatever the host's language.
#pragma once
#include <windows.h>

#include "ui/dialog_window.h"

namespace zek {

class AboutDialog : public DialogWindow<AboutDialog> {
public:
    // Runs until the box is closed; the result is of no interest.
    void Run(HINSTANCE module, HWND owner);

private:
    friend class DialogWindow<AboutDialog>;
    BOOL OnInitDialog() ZEK_REQUIRES(windowThread_) { return TRUE; }
    void OnFinalMessage() ZEK_REQUIRES(windowThread_) {}
    static const MessageEntry<AboutDialog>* Route(UINT message, WPARAM wParam);
    LRESULT OnEnd(WPARAM wParam, LPARAM) ZEK_REQUIRES(windowThread_);
};

}  // namespace zek
