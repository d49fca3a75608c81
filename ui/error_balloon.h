// The error balloon of a number field: a tracked tooltip with a title, the
// system's error icon and one line of text, its stem at the field's lower
// right corner. It hides itself 4 s after it was last shown, or within
// 50 ms once the field has moved; both by timers of the field's window,
// which hands them on to OnTimer.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace zek {

class ErrorBalloon {
public:
    // For each new window of the dialog, which owns the balloon (so that it
    // goes away with it); the field's window runs the timers.
    void Create(HWND owner, HWND field);
    // The windows are gone, or no longer this object's.
    void Forget();

    void SetTitle(const std::string& title);
    // Shows `text` at the field's lower right corner as it stands now; each
    // showing gives the balloon its full time again.
    void Show(const std::string& text);
    void Hide();
    // A timer of the field's window; those of the balloon hide it when due.
    // False for any other: the field's own, for its own procedure.
    bool OnTimer(UINT_PTR id);

    HWND Window() const { return balloon_; }

private:
    HWND balloon_ = nullptr;
    HWND field_ = nullptr;
    RECT shownAt_ = {};  // the field's window rectangle when last shown
    TTTOOLINFOA tool_ = {};
    std::string title_;
    std::string text_;  // what tool_.lpszText points at while shown
};

}  // namespace zek
