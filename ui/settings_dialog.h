// The plug-in's modeless settings dialog. One object lives as long as the
// module; its window exists from Setup until the user or Done closes it.
// Every change goes straight into the settings store's current record, so it
// shows in the picture at once; Cancel and the close box put back the records
// as they were at opening, OK keeps them.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "ui/about_dialog.h"
#include "ui/dialog_window.h"
#include "ui/range_edit.h"

namespace zek {

class SettingsStore;
class ResourceLocator;
class ChannelName;

struct DialogServices {
    SettingsStore& store;
    ResourceLocator& locator;
    std::atomic<int32_t>& metricsEnabled;
    ChannelName& channelName;
};

class SettingsDialog : public DialogWindow<SettingsDialog> {
public:
    explicit SettingsDialog(DialogServices services) : services_(services) {}

    // Opens the dialog owned by hostWindow on the calling thread, which
    // becomes the dialog's thread, or, when it is open, focuses it and
    // flashes its caption.
    void Show(HWND hostWindow);
    // Destroys an open window without undoing anything, as OK does, and
    // stores its position; from any thread, before the module may unload.
    // When a call of the dialog's procedures may still be under way on the
    // window's thread after it returns, the module pins itself in memory
    // rather than be unloaded under that call.
    void CloseForUnload();
    bool IsOpen() const { return Window() != nullptr; }
    // Inverts the caption 2·n times, 60 ms apart, on the calling thread.
    void Flash(int n);

private:
    friend class DialogWindow<SettingsDialog>;
    BOOL OnInitDialog() ZEK_REQUIRES(windowThread_);
    void OnFinalMessage() ZEK_REQUIRES(windowThread_);
    static const MessageEntry<SettingsDialog>* Route(UINT message, WPARAM wParam);

    void Place() ZEK_REQUIRES(windowThread_);
    void CloseOnOwnThread() ZEK_REQUIRES(windowThread_);
    bool CloseFromAnotherThread(HWND window);
    void HandOver(HWND window) ZEK_REQUIRES(windowThread_);
    void LeaveToItsThread(HWND window);
    void StopGraphAndKeepPosition(HWND window);
    void LetHandlersLeave();

    LRESULT OnRefresh(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnCloseForUnload(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnClose(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnCancelClicked(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnOkClicked(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnAboutClicked(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnDestroy(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnMetricsClicked(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnOnOffClicked(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnVScroll(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnTimer(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_);
    LRESULT OnIgnore(WPARAM, LPARAM) ZEK_REQUIRES(windowThread_) { return 0; }

    // The store, the locator and the shared values keep rules of their own.
    DialogServices services_;
    // What the window's handlers use: its thread's alone.
    HWND host_ ZEK_GUARDED_BY(windowThread_) = nullptr;  // the owner handed to Show; never destroyed here
    AboutDialog about_ ZEK_GUARDED_BY(windowThread_);
    RangeEdit overZoom_ ZEK_GUARDED_BY(windowThread_){calls_};
    // Set once the window is on its way out: the edit may still hand over
    // its text while losing the focus, and that must not undo a restore.
    bool closing_ ZEK_GUARDED_BY(windowThread_) = false;
    // Who closes the window when Done runs on another thread: that thread
    // asks, and either the dialog's own thread takes the request or, when it
    // does not answer in time, the asking thread hands the window over. The
    // exchange makes sure exactly one of them does.
    enum Handover : int { kIdle, kAsked, kClosingOnOwnThread, kHandedOver };
    std::atomic<int> handover_{kIdle};
    // The thread of the last window made: its calls may still be under way
    // after that window is gone.
    std::atomic<DWORD> windowThreadId_{0};
};

}  // namespace zek
