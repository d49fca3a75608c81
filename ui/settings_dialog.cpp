#include "ui/settings_dialog.h"

#include <string>
#include <vector>

#include "detect/frame_flow.h"
#include "base/bounded_send.h"
#include "base/module_info.h"
#include "base/plugin_abi.h"
#include "res/resource_ids.h"
#include "res/resource_locator.h"
#include "settings/settings_store.h"
#include "ui/common_controls.h"
#include "ui/control_messages.h"
#include "ui/dialog_placement.h"
#include "ui/monitor_list.h"

namespace zek {
namespace {

// The field holds as many digits as the largest value has.
constexpr int32_t DigitsOf(int32_t v) { return v < 10 ? 1 : 1 + DigitsOf(v / 10); }
static_assert(kOverZoomRange.lower >= 0, "the field has no room for a sign");
constexpr int32_t kOverZoomChars = DigitsOf(kOverZoomRange.upper);
constexpr DWORD kFlashStepMs = 60;
// The dialog's own request to itself, from Done on another thread.
constexpr UINT kWmCloseForUnload = WM_APP + 1;
constexpr DWORD kClosingWaitMs = 5000;

ScreenRect WindowRectOf(HWND window) {
    RECT r = {};
    if (window) GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

// Waits until done() holds, for at most ms; meanwhile handles what other
// threads send this one, whose windows may own the dialog. True once done()
// holds.
template <class Done>
bool WaitHandlingSent(Done done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return true;
}

}  // namespace

void SettingsDialog::Show(HWND hostWindow) {
    if (IsOpen()) {
        // Through the handle: a host may call Setup on another thread than
        // the dialog's, where the focus cannot be set and only the flash shows.
        SetFocus(Window());
        Flash(2);
        return;
    }
    // The last window's thread may still be on its way out of one of its
    // handlers, with the window gone already; another thread takes the role
    // over only once it is out. A handler that never comes out (its thread
    // waits for something that waits for this one) leaves Setup undone.
    if (windowThreadId_.load() != GetCurrentThreadId() &&
        !WaitHandlingSent([this] { return calls_.Idle(); }, kAnswerWaitMs)) {
        return;
    }
    // No window, and none of its handlers runs on another thread; the one
    // made here lives on this thread.
    ThreadRoleClaim newWindow(windowThread_);
    windowThreadId_.store(GetCurrentThreadId());
    calls_.Reopen();  // after a window that was taken over
    services_.locator.RefreshLanguage();
    const void* dialogTemplate = services_.locator.FindTemplate(ZEK_IDD_SETTINGS);
    if (!dialogTemplate) return;
    InitDialogControls();
    host_ = hostWindow;
    closing_ = false;
    if (!CreateModeless(ThisModule(), dialogTemplate, hostWindow)) {
        host_ = nullptr;
        return;
    }
    ShowWindow(hwnd_, SW_SHOW);
}

void SettingsDialog::CloseForUnload() {
    const HWND window = Window();
    if (window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        windowThread_.Assert();  // just compared
        CloseOnOwnThread();
    } else if (window && !CloseFromAnotherThread(window)) {
        PinThisModule();
        return;
    }
    LetHandlersLeave();
}

// Only the window's own thread may destroy it: ask that thread. False when
// the window stays with it, because it is inside one of the window's
// handlers and does not answer.
bool SettingsDialog::CloseFromAnotherThread(HWND window) {
    handover_.store(kAsked);
    LRESULT closed = 0;
    if (SendWithinBound(window, kWmCloseForUnload, 0, 0, &closed) && closed) return true;
    int expected = kAsked;
    if (!handover_.compare_exchange_strong(expected, kHandedOver)) {
        // The dialog's thread took the request and is closing the window
        // now (a destroy may take a while). It works for this Done: let it
        // finish, so its position is stored before the save, and meanwhile
        // handle what it sends this thread. A closing that outlasts the time
        // after which the system counts a window as hung is not waited for
        // further.
        WaitHandlingSent([this] { return handover_.load() == kIdle; }, kClosingWaitMs);
        return true;
    }
    // No answer in time, and the window's thread can no longer take the
    // request. Only that thread destroys its window: gone now means it
    // closed it meanwhile (and LetHandlersLeave waits for it to come out).
    if (!IsWindow(window)) {
        handover_.store(kIdle);
        return true;
    }
    if (calls_.TakeIfIdle()) {
        // None of the window's procedures runs on its thread, and none can
        // begin: the window and what its handlers use are this thread's.
        ThreadRoleClaim takenOver(windowThread_);
        HandOver(window);
        handover_.store(kIdle);
        return true;
    }
    // It is inside one of them, waiting for something, this thread perhaps.
    LeaveToItsThread(window);
    return false;
}

void SettingsDialog::CloseOnOwnThread() {
    if (!IsOpen()) return;
    closing_ = true;
    DestroyWindow(hwnd_);
}

LRESULT SettingsDialog::OnCloseForUnload(WPARAM, LPARAM) {
    int expected = kAsked;
    // Late, after the asking thread handed the window over or gave up: the
    // request is no longer ours to carry out.
    if (!handover_.compare_exchange_strong(expected, kClosingOnOwnThread)) return 0;
    CloseOnOwnThread();
    handover_.store(kIdle);
    return 1;
}

// The window's thread does not answer, runs none of the window's handlers,
// and the module may be unloaded as soon as Done returns. The window must
// then never again run code of this module: its edit gets its system
// procedure back, the dialog the system's default window procedure, which
// closes it on WM_CLOSE once its thread handles messages again (and passes
// the balloon's timers by). Window data may be written from another thread
// of the process, and none of this waits for the silent thread. What the
// destroy handling would have done is done here: the position reaches the
// file in this same Done, and the graph is switched off.
void SettingsDialog::HandOver(HWND window) {
    if (hwnd_.load() != window) {
        // Closed by its thread after all, and maybe opened again since: not
        // the window this Done found, and the new one's calls go on.
        calls_.Reopen();
        return;
    }
    StopGraphAndKeepPosition(window);
    overZoom_.Unsubclass();
    SetWindowLongPtrW(window, DWLP_USER, 0);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    host_ = nullptr;
    closing_ = false;
    ForgetWindow();
    PostMessageA(window, WM_CLOSE, 0, 0);
}

// What the destroy handling does that this Done needs when the window's
// thread cannot do it: the graph off, and the window's position, read
// through its handle, into the store for the save.
void SettingsDialog::StopGraphAndKeepPosition(HWND window) {
    services_.metricsEnabled.store(0, std::memory_order_relaxed);
    RECT r = {};
    if (GetWindowRect(window, &r)) services_.store.SetDialogPos(r.left, r.top);
}

// The window's thread is inside one of the window's handlers and does not
// answer: the window, the members its handlers use and the module's code
// under that thread all stay as they are. What this Done needs of the
// destroy handling is done through what is not the window thread's: the
// graph off, and the position, read through the handle, into the store for
// this Done's save. The request stays open, and a posted copy of it closes
// the window, as OK does, once its thread handles messages again, whether
// or not the sent one still reaches it.
void SettingsDialog::LeaveToItsThread(HWND window) {
    StopGraphAndKeepPosition(window);
    handover_.store(kAsked);
    PostMessageA(window, kWmCloseForUnload, 0, 0);
}

// Done returns to a host that may unload the module at once. A call of the
// dialog's procedures still under way on the window's thread would then
// return into code that is gone: wait a moment for such calls to end (the
// closing just asked for unwinds them), and where they do not, because that
// thread waits for this one or Done runs inside one of them, keep the
// module loaded for good. One module left in memory is a small price for a
// case that would otherwise crash the host.
void SettingsDialog::LetHandlersLeave() {
    if (calls_.Idle()) return;
    if (windowThreadId_.load() != GetCurrentThreadId()) {
        WaitHandlingSent([this] { return calls_.Idle(); }, kAnswerWaitMs);
    }
    if (!calls_.Idle()) PinThisModule();
}

void SettingsDialog::Flash(int n) {
    for (int i = 0; i < 2 * n; ++i) {
        FlashWindow(Window(), TRUE);
        Sleep(kFlashStepMs);
    }
}

BOOL SettingsDialog::OnInitDialog() {
    Place();
    services_.store.BackupRecords();

    // The range is the one the settings' OverZoom row documents.
    overZoom_.Bind(ZEK_IDC_OVER_ZOOM, hwnd_, GetDlgItem(hwnd_, ZEK_IDC_OVER_ZOOM_SPIN), kOverZoomRange.lower,
                   kOverZoomRange.upper, kOverZoomChars,
                   services_.store.current.OverZoom.load(std::memory_order_relaxed));
    const std::string format = services_.locator.LoadText(ZEK_IDS_RANGE_FORMAT);
    const std::string title = services_.locator.LoadText(ZEK_IDS_RANGE_TITLE);
    // A module without these strings keeps the edit's own English texts
    // rather than a balloon with nothing in it.
    if (!format.empty() && !title.empty()) overZoom_.SetBalloonTexts(title, format);

    CheckDlgButton(hwnd_, ZEK_IDC_METRICS, BST_UNCHECKED);
    PostMessageA(hwnd_, kWmSettingsRefresh, 0, 0);
    return TRUE;
}

void SettingsDialog::Place() {
    ScreenPoint saved;
    services_.store.GetDialogPos(saved.x, saved.y);
    const std::vector<Monitor> monitors = ListMonitors();
    const ScreenPoint at = PlaceDialog(saved, WindowRectOf(hwnd_), DescribeHost(host_, monitors), monitors);
    SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void SettingsDialog::OnFinalMessage() {
    host_ = nullptr;
    closing_ = false;
}

LRESULT SettingsDialog::OnRefresh(WPARAM, LPARAM) {
    SetDlgItemTextA(hwnd_, ZEK_IDC_CHANNEL_NAME, services_.channelName.Get().c_str());
    CurrentChannelSettings& current = services_.store.current;
    SendDlgItemMessageA(hwnd_, ZEK_IDC_ON_OFF, BM_SETCHECK,
                        static_cast<WPARAM>(current.ProcEnable.load(std::memory_order_relaxed)), 0);
    overZoom_.SetValue(current.OverZoom.load(std::memory_order_relaxed));
    return 1;
}

LRESULT SettingsDialog::OnClose(WPARAM, LPARAM) {
    closing_ = true;
    services_.store.RestoreRecords();
    DestroyWindow(hwnd_);
    return 0;
}

LRESULT SettingsDialog::OnCancelClicked(WPARAM, LPARAM) {
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT SettingsDialog::OnOkClicked(WPARAM, LPARAM) {
    closing_ = true;
    DestroyWindow(hwnd_);
    return 0;
}

LRESULT SettingsDialog::OnAboutClicked(WPARAM, LPARAM) {
    about_.Run(ThisModule(), hwnd_);
    return 0;
}

LRESULT SettingsDialog::OnDestroy(WPARAM, LPARAM) {
    services_.metricsEnabled.store(0, std::memory_order_relaxed);
    const ScreenRect r = WindowRectOf(hwnd_);
    services_.store.SetDialogPos(r.left, r.top);
    PassOn();
    return 0;
}

LRESULT SettingsDialog::OnMetricsClicked(WPARAM, LPARAM) {
    const auto checked = static_cast<int32_t>(SendDlgItemMessageA(hwnd_, ZEK_IDC_METRICS, BM_GETCHECK, 0, 0));
    services_.metricsEnabled.store(checked, std::memory_order_relaxed);
    return 0;
}

LRESULT SettingsDialog::OnOnOffClicked(WPARAM, LPARAM) {
    const auto checked = static_cast<int32_t>(SendDlgItemMessageA(hwnd_, ZEK_IDC_ON_OFF, BM_GETCHECK, 0, 0));
    services_.store.current.ProcEnable.store(checked, std::memory_order_relaxed);
    return 0;
}

// The number field's balloon runs its timers on this window (see
// error_balloon.h); any other timer is the dialog manager's.
LRESULT SettingsDialog::OnTimer(WPARAM wParam, LPARAM) {
    if (!overZoom_.OnParentTimer(static_cast<UINT_PTR>(wParam))) PassOn();
    return 0;
}

LRESULT SettingsDialog::OnVScroll(WPARAM wParam, LPARAM lParam) {
    const HWND source = reinterpret_cast<HWND>(lParam);
    if (ScrollCode(wParam) == SB_THUMBPOSITION && source && source == GetDlgItem(hwnd_, ZEK_IDC_OVER_ZOOM_SPIN) &&
        !closing_) {
        const int32_t position = ScrollPosition(wParam);
        services_.store.current.OverZoom.store(position, std::memory_order_relaxed);
        SetDlgItemInt(hwnd_, ZEK_IDC_OVER_ZOOM, static_cast<UINT>(position), TRUE);
    }
    PassOn();
    return 0;
}

const MessageEntry<SettingsDialog>* SettingsDialog::Route(UINT message, WPARAM wParam) {
    static const MessageEntry<SettingsDialog> map[] = {
        OnMessage(kWmSettingsRefresh, &SettingsDialog::OnRefresh),
        OnMessage(kWmCloseForUnload, &SettingsDialog::OnCloseForUnload),
        OnMessage(WM_CLOSE, &SettingsDialog::OnClose),
        OnCommand(ZEK_IDC_CANCEL, BN_CLICKED, &SettingsDialog::OnCancelClicked),
        OnCommand(ZEK_IDC_OK, BN_CLICKED, &SettingsDialog::OnOkClicked),
        OnCommand(ZEK_IDC_ABOUT, BN_CLICKED, &SettingsDialog::OnAboutClicked),
        OnMessage(WM_DESTROY, &SettingsDialog::OnDestroy),
        OnCommand(ZEK_IDC_METRICS, BN_CLICKED, &SettingsDialog::OnMetricsClicked),
        OnCommand(ZEK_IDC_ON_OFF, BN_CLICKED, &SettingsDialog::OnOnOffClicked),
        OnMessage(WM_VSCROLL, &SettingsDialog::OnVScroll),
        OnMessage(WM_TIMER, &SettingsDialog::OnTimer),
        // Enter and Escape reach a dialog as IDOK and IDCANCEL; neither may
        // close it or change anything.
        OnCommand(IDOK, BN_CLICKED, &SettingsDialog::OnIgnore),
        OnCommand(IDCANCEL, BN_CLICKED, &SettingsDialog::OnIgnore),
    };
    return FindEntry(map, message, wParam);
}

}  // namespace zek
