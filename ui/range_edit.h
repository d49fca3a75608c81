// An edit control for a whole number within a range. It takes over an edit of
// a dialog, pairs it with an up-down control that holds the range and the last
// accepted value, checks the text on Enter and on losing the focus, and shows
// an error balloon at the field's lower right corner when the text is refused.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/error_balloon.h"
#include "ui/handler_count.h"
#include "ui/message_map.h"

namespace zek {

class RangeEdit {
public:
    // The field's procedure counts its calls with those of the dialog that
    // holds it: both run on the dialog's thread, and handing the dialog over
    // hands the field over with it.
    explicit RangeEdit(HandlerCount& calls) : calls_(calls) {}
    ~RangeEdit();
    RangeEdit(const RangeEdit&) = delete;
    RangeEdit& operator=(const RangeEdit&) = delete;

    // Must be called for each new window of the parent dialog; the edit and
    // the balloon go away with that window.
    void Bind(UINT controlId, HWND parent, HWND spin, int32_t lower, int32_t upper, int32_t maxChars);
    void Bind(UINT controlId, HWND parent, HWND spin, int32_t lower, int32_t upper, int32_t maxChars,
              int32_t value);
    void SetBalloonTexts(const std::string& title, const std::string& format);
    void SetValue(int32_t value);
    void ShowNumber(int32_t value);
    // TRUE when the text was accepted and handed to the parent.
    BOOL Validate();
    void HideBalloon();
    // A timer of the parent's window, which runs the balloon's timers; the
    // parent's procedure hands each one here first. False when it is not
    // the balloon's.
    bool OnParentTimer(UINT_PTR id) { return balloon_.OnTimer(id); }

    // Gives the edit its own procedure back and lets go of it. Safe from
    // another thread of the process while the edit's thread handles nothing.
    void Unsubclass();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static const MessageEntry<RangeEdit>* Route(UINT message, WPARAM wParam);
    LRESULT Default();
    void SelectAll();

    LRESULT OnChar(WPARAM, LPARAM);
    LRESULT OnKeyDown(WPARAM, LPARAM);
    LRESULT OnKillFocus(WPARAM, LPARAM);
    LRESULT OnEnable(WPARAM, LPARAM);
    LRESULT OnGetDlgCode(WPARAM, LPARAM);
    LRESULT OnSetText(WPARAM, LPARAM);

    HandlerCount& calls_;
    HWND edit_ = nullptr;
    HWND parent_ = nullptr;
    UINT controlId_ = 0;
    HWND spin_ = nullptr;
    // The last number set into the field or accepted from it. The spin can't
    // be asked for it: it re-reads the field, and takes an empty one for 0.
    int32_t accepted_ = 0;
    ErrorBalloon balloon_;
    std::string format_;  // two "%d", for the lower and the upper bound
    WNDPROC editProc_ = nullptr;
    // The message being handled, for Default().
    UINT message_ = 0;
    WPARAM wParam_ = 0;
    LPARAM lParam_ = 0;
};

}  // namespace zek
