#include "ui/range_edit.h"

#include "ui/control_messages.h"
#include "ui/range_message.h"

namespace zek {
namespace {

constexpr char kThisProp[] = "zek.RangeEdit";

constexpr char kDefaultTitle[] = "Error";
constexpr char kDefaultFormat[] = "The value must be a number from %d to %d";

}  // namespace

RangeEdit::~RangeEdit() { Unsubclass(); }

void RangeEdit::Bind(UINT controlId, HWND parent, HWND spin, int32_t lower, int32_t upper, int32_t maxChars) {
    Unsubclass();  // a RangeEdit bound before belongs to a window that is gone
    controlId_ = controlId;
    parent_ = parent;
    spin_ = spin;

    edit_ = GetDlgItem(parent, static_cast<int>(controlId));
    if (edit_) {
        SetPropA(edit_, kThisProp, this);
        editProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RangeEdit::Proc)));
    }

    SendMessageA(spin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_), 0);
    SetSpinRange(spin_, lower, upper);
    SendMessageA(edit_, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);

    balloon_.Create(parent, edit_);
    SetBalloonTexts(kDefaultTitle, kDefaultFormat);
}

void RangeEdit::Bind(UINT controlId, HWND parent, HWND spin, int32_t lower, int32_t upper, int32_t maxChars,
                     int32_t value) {
    Bind(controlId, parent, spin, lower, upper, maxChars);
    SetValue(value);
}

void RangeEdit::SetBalloonTexts(const std::string& title, const std::string& format) {
    balloon_.SetTitle(title);
    format_ = format;
}

void RangeEdit::SetValue(int32_t value) {
    SetSpinPos(spin_, value);
    ShowNumber(value);
}

void RangeEdit::ShowNumber(int32_t value) {
    if (edit_) SetWindowTextA(edit_, std::to_string(value).c_str());
}

BOOL RangeEdit::Validate() {
    BOOL ok = FALSE;
    const int32_t value = static_cast<int32_t>(GetDlgItemInt(parent_, static_cast<int>(controlId_), &ok, TRUE));
    int32_t lower = 0;
    int32_t upper = 0;
    GetSpinRange(spin_, lower, upper);

    if (ok && lower <= value && value <= upper) {
        SetSpinPos(spin_, value);
        accepted_ = value;
        // Sent, so the parent has the value before Enter's selection follows,
        // exactly as if the spin had moved to it.
        SendThumbPosition(parent_, spin_, value);
        return TRUE;
    }

    balloon_.Show(FillRangeMessage(format_, lower, upper));
    return FALSE;
}

void RangeEdit::HideBalloon() { balloon_.Hide(); }

void RangeEdit::SelectAll() {
    SendMessageA(edit_, EM_SETSEL, 0, -1);
    SendMessageA(edit_, EM_SCROLLCARET, 0, 0);
}

LRESULT RangeEdit::OnChar(WPARAM wParam, LPARAM) {
    // Enter and Escape are handled on key-down; the edit would only beep.
    if (wParam == VK_RETURN || wParam == VK_ESCAPE) return 0;
    return Default();
}

LRESULT RangeEdit::OnKeyDown(WPARAM wParam, LPARAM) {
    if (wParam == VK_RETURN) {
        Validate();
        SelectAll();
        return 0;
    }
    if (wParam == VK_ESCAPE) {
        // Put the field and the spin back on the last accepted number.
        const int32_t value = accepted_;
        SetSpinPos(spin_, value);
        ShowNumber(value);
        HideBalloon();
        return 0;
    }
    return Default();
}

LRESULT RangeEdit::OnKillFocus(WPARAM wParam, LPARAM) {
    const LRESULT result = Default();
    const HWND gaining = reinterpret_cast<HWND>(wParam);
    if (!Validate()) {
        SetFocus(edit_);
        SelectAll();
    }
    if (gaining && gaining == balloon_.Window()) HideBalloon();
    return result;
}

LRESULT RangeEdit::OnEnable(WPARAM wParam, LPARAM) {
    EnableWindow(spin_, wParam ? TRUE : FALSE);
    return Default();
}

// Text set by program (SetValue, the dialog, the spin's arrows) is a value
// the dialog already holds; typed text only counts once Validate accepts it.
LRESULT RangeEdit::OnSetText(WPARAM, LPARAM) {
    const LRESULT result = Default();
    BOOL ok = FALSE;
    const int32_t value = static_cast<int32_t>(GetDlgItemInt(parent_, static_cast<int>(controlId_), &ok, TRUE));
    int32_t lower = 0;
    int32_t upper = 0;
    GetSpinRange(spin_, lower, upper);
    if (ok && lower <= value && value <= upper) accepted_ = value;
    return result;
}

// A host whose message loop runs the dialog manager would turn Enter and
// Escape into IDOK and IDCANCEL for the dialog, and the field would never
// see them. Ask for exactly those two key-downs; Tab and the rest still move
// between controls.
LRESULT RangeEdit::OnGetDlgCode(WPARAM, LPARAM lParam) {
    LRESULT code = Default();
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        code |= DLGC_WANTMESSAGE;
    }
    return code;
}

const MessageEntry<RangeEdit>* RangeEdit::Route(UINT message, WPARAM wParam) {
    static const MessageEntry<RangeEdit> map[] = {
        OnMessage(WM_CHAR, &RangeEdit::OnChar),
        OnMessage(WM_KEYDOWN, &RangeEdit::OnKeyDown),
        OnMessage(WM_KILLFOCUS, &RangeEdit::OnKillFocus),
        OnMessage(WM_ENABLE, &RangeEdit::OnEnable),
        OnMessage(WM_GETDLGCODE, &RangeEdit::OnGetDlgCode),
        OnMessage(WM_SETTEXT, &RangeEdit::OnSetText),
    };
    return FindEntry(map, message, wParam);
}

LRESULT RangeEdit::Default() { return CallWindowProcW(editProc_, edit_, message_, wParam_, lParam_); }

void RangeEdit::Unsubclass() {
    if (edit_ && editProc_ && IsWindow(edit_)) {
        SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc_));
        RemovePropA(edit_, kThisProp);
    }
    edit_ = nullptr;
    editProc_ = nullptr;
    balloon_.Forget();
    spin_ = nullptr;
    parent_ = nullptr;
}

LRESULT CALLBACK RangeEdit::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<RangeEdit*>(GetPropA(window, kThisProp));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    const HandlerCount::Call call(self->calls_);
    // Handed back to its own procedure by another thread while this call
    // was on its way in: nothing of the RangeEdit is this thread's now, its
    // members included, so the one message gets the system's default.
    if (!call.entered()) return DefWindowProcW(window, message, wParam, lParam);
    // Handlers may send messages that come back here: keep the outer one.
    const UINT savedMessage = self->message_;
    const WPARAM savedW = self->wParam_;
    const LPARAM savedL = self->lParam_;
    self->message_ = message;
    self->wParam_ = wParam;
    self->lParam_ = lParam;
    LRESULT result;
    if (message == WM_NCDESTROY) {
        // The window is going: hand it back to its own procedure first.
        const WNDPROC original = self->editProc_;
        RemovePropA(window, kThisProp);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        self->edit_ = nullptr;
        self->editProc_ = nullptr;
        self->balloon_.Forget();
        result = CallWindowProcW(original, window, message, wParam, lParam);
        return result;
    }
    const MessageEntry<RangeEdit>* entry = Route(message, wParam);
    result = entry ? (self->*(entry->handler))(wParam, lParam) : self->Default();
    self->message_ = savedMessage;
    self->wParam_ = savedW;
    self->lParam_ = savedL;
    return result;
}

}  // namespace zek
