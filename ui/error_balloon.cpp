#include "ui/error_balloon.h"

#include <cstddef>

#include "ui/control_messages.h"

#if !defined(_WIN64)
// The 32-bit host's common controls take the tool record in this size.
static_assert(offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM) == 44, "tool record size");
#endif

namespace zek {
namespace {

// The move timer hides the balloon once the field moved, the expiry timer
// after a while in any case. Their ids are this object's address and the
// byte after it, both within the object.
static_assert(sizeof(ErrorBalloon) > 1, "two timer ids inside the object");
constexpr UINT kMoveCheckMs = 50;
constexpr UINT kBalloonLifeMs = 4000;

}  // namespace

void ErrorBalloon::Create(HWND owner, HWND field) {
    owner_ = owner;
    field_ = field;
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    balloon_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_BALLOON,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               instance, nullptr);
    // One tracked tool without a window: placed and shown only on request.
    tool_ = {};
    tool_.cbSize = TTTOOLINFOA_V2_SIZE;
    tool_.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool_.hwnd = nullptr;
    tool_.uId = 0;
    tool_.hinst = nullptr;
    text_.clear();
    tool_.lpszText = const_cast<char*>(text_.c_str());
    if (balloon_) SendMessageA(balloon_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool_));
}

void ErrorBalloon::Forget() {
    balloon_ = nullptr;
    owner_ = nullptr;
    field_ = nullptr;
}

void ErrorBalloon::SetTitle(const std::string& title) {
    title_ = title;
    if (balloon_) SendMessageA(balloon_, TTM_SETTITLEA, TTI_ERROR, reinterpret_cast<LPARAM>(title_.c_str()));
}

void ErrorBalloon::Show(const std::string& text) {
    text_ = text;
    tool_.lpszText = const_cast<char*>(text_.c_str());
    if (field_) GetWindowRect(field_, &shownAt_);
    if (balloon_) {
        SendMessageA(balloon_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool_));
        TrackTooltipAt(balloon_, shownAt_.right, shownAt_.bottom);
        SendMessageA(balloon_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool_));
    }
    // Setting a running timer restarts it: each showing gets the full time.
    if (owner_) {
        SetTimer(owner_, MoveTimer(), kMoveCheckMs, nullptr);
        SetTimer(owner_, ExpiryTimer(), kBalloonLifeMs, nullptr);
    }
}

void ErrorBalloon::Hide() {
    if (owner_) {
        KillTimer(owner_, MoveTimer());
        KillTimer(owner_, ExpiryTimer());
    }
    if (balloon_) {
        ShowWindow(balloon_, SW_HIDE);
        SendMessageA(balloon_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool_));
    }
}

bool ErrorBalloon::OnTimer(UINT_PTR id) {
    if (id == MoveTimer()) {
        RECT now = {};
        GetWindowRect(field_, &now);
        if (!EqualRect(&now, &shownAt_)) Hide();
        return true;
    }
    if (id == ExpiryTimer()) {
        Hide();
        return true;
    }
    return false;
}

}  // namespace zek
