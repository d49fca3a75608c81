// The error balloon of a number field: a tracked tooltip with a title, the
// system's error icon and one line of text, its stem at the field's lower
// right corner. It hides itself 4 s after it was last shown, or within
// 50 ms once the field has moved; both by timers of its owner, the dialog,
// whose procedure hands them on to OnTimer.
//
// Not timers of the field: a system control keeps timers of its own there,
// with ids nobody documents, and SetTimer replaces one of the same id. Nor
// would the field be safe from them after it has its own procedure back: a
// WM_TIMER already queued would reach the control as if it were its own.
// The owner's procedure is the module's, or the system's default one once
// the dialog is handed over, which passes a stray timer by; and the ids come
// from this object's address, so no control, and no other balloon, can own
// a timer with one of them.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace zek {

class ErrorBalloon {
public:
    // For each new window of the dialog, which owns the balloon (so that it
    // goes away with it) and runs its timers.
    void Create(HWND owner, HWND field);
    // The windows are gone, or no longer this object's.
    void Forget();

    void SetTitle(const std::string& title);
    // Shows `text` at the field's lower right corner as it stands now; each
    // showing gives the balloon its full time again.
    void Show(const std::string& text);
    void Hide();
    // A timer of the owner's window; those of the balloon hide it when due.
    // False for any other, for the owner's own procedure.
    bool OnTimer(UINT_PTR id);

    HWND Window() const { return balloon_; }

private:
    UINT_PTR MoveTimer() const { return reinterpret_cast<UINT_PTR>(this); }
    UINT_PTR ExpiryTimer() const { return reinterpret_cast<UINT_PTR>(this) + 1; }

    HWND balloon_ = nullptr;
    HWND owner_ = nullptr;
    HWND field_ = nullptr;
    RECT shownAt_ = {};  // the field's window rectangle when last shown
    TTTOOLINFOA tool_ = {};
    std::string title_;
    std::string text_;  // what tool_.lpszText points at while shown
};

}  // namespace zek
