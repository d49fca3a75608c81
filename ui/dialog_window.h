// A dialog window bound to a C++ object. The derived class T provides
//   BOOL OnInitDialog();
//   void OnFinalMessage();                      // after the window is gone
//   static const MessageEntry<T>* Route(UINT message, WPARAM wParam);
// and each handler returns the message's result. A handler that wants the
// dialog manager's own processing as well calls PassOn().
//
// Only the window's own thread may touch the window and what its handlers
// use: those members are guarded by windowThread_, and the handlers,
// OnInitDialog and OnFinalMessage require it (ZEK_REQUIRES(windowThread_)),
// which the window procedure asserts before it calls any of them. Other
// threads may read the handle, to post to the window or ask it to close.
//
// The window procedure counts its calls in calls_, so that another thread
// can tell whether the window's thread is inside one of them (see
// handler_count.h); a call that finds the window taken over leaves at once.
#pragma once
#include <windows.h>

#include <atomic>

#include "base/thread_role.h"
#include "ui/handler_count.h"
#include "ui/message_map.h"

namespace zek {

template <class T>
class DialogWindow {
public:
    // Safe from any thread: the frame flow asks it to post to an open dialog
    // while the dialog's own thread creates and destroys the window. A handle
    // a moment out of date only makes such a post fail. Only posting and
    // asking go through it, which is why the analysis lets it read hwnd_.
    // A null handle comes only after the last handler of the window's
    // thread has written what it writes (see WM_NCDESTROY below).
    HWND Window() const ZEK_NO_THREAD_SAFETY_ANALYSIS { return hwnd_.load(std::memory_order_acquire); }

protected:
    DialogWindow() = default;
    ~DialogWindow() = default;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Modeless, from a template in memory; null when creation failed. The
    // window is Unicode, so the template's texts reach the controls intact
    // whatever the system's ANSI code page.
    HWND CreateModeless(HINSTANCE instance, const void* dialogTemplate, HWND owner) {
        return CreateDialogIndirectParamW(instance, static_cast<LPCDLGTEMPLATEW>(dialogTemplate), owner,
                                          &DialogWindow::Proc, reinterpret_cast<LPARAM>(this));
    }

    // Modal, from the module's own template; returns the EndDialog result.
    INT_PTR RunModal(HINSTANCE instance, int templateId, HWND owner) {
        return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, &DialogWindow::Proc,
                               reinterpret_cast<LPARAM>(this));
    }

    void PassOn() ZEK_REQUIRES(windowThread_) { passOn_ = true; }

    // The window is no longer this object's (it was handed to the system's
    // procedure); the next opening makes a new one. Last of the hand-over,
    // for the same reason as at WM_NCDESTROY.
    void ForgetWindow() ZEK_REQUIRES(windowThread_) { hwnd_.store(nullptr, std::memory_order_release); }

    // The thread the window lives on; see the top of this file.
    ThreadRole windowThread_;
    // The calls of Proc under way; atomic, for any thread.
    HandlerCount calls_;
    // Atomic for Window(); the dialog's own calls read it as a plain HWND.
    std::atomic<HWND> hwnd_ ZEK_GUARDED_BY(windowThread_){nullptr};

private:
    // Windows calls it only on the thread that made the window.
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* base = reinterpret_cast<DialogWindow*>(message == WM_INITDIALOG ? lParam
                                                     : GetWindowLongPtrA(window, DWLP_USER));
        if (!base) return FALSE;  // messages before WM_INITDIALOG, or for a window handed over
        const HandlerCount::Call call(base->calls_);
        // Taken over by another thread while this call was on its way in:
        // nothing here is this thread's any more.
        if (!call.entered()) return FALSE;
        T* self = static_cast<T*>(base);
        self->windowThread_.Assert();
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            self->hwnd_.store(window, std::memory_order_release);
            return self->OnInitDialog();
        }
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(window, DWLP_USER, 0);
            self->OnFinalMessage();
            // Last: once the handle is gone, a Show on another thread may
            // open the next window and write what OnFinalMessage writes.
            self->hwnd_.store(nullptr, std::memory_order_release);
            return FALSE;
        }
        const MessageEntry<T>* entry = T::Route(message, wParam);
        if (!entry) return FALSE;
        self->passOn_ = false;
        // The handler requires windowThread_, asserted above; a call through
        // a member pointer is one the analysis does not check.
        const LRESULT result = (self->*(entry->handler))(wParam, lParam);
        if (self->passOn_) return FALSE;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }

    bool passOn_ ZEK_GUARDED_BY(windowThread_) = false;
};

}  // namespace zek
