// The least window layer the dialogs need: a table that binds one message,
// or one control id with one notification, to one member function.
#pragma once
#include <windows.h>

#include <cstddef>

namespace zek {

template <class Owner>
struct MessageEntry {
    UINT message;
    // WM_COMMAND only: the control id and the notification code to match.
    WORD id;
    WORD code;
    LRESULT (Owner::*handler)(WPARAM, LPARAM);
};

template <class Owner>
constexpr MessageEntry<Owner> OnMessage(UINT message, LRESULT (Owner::*handler)(WPARAM, LPARAM)) {
    return {message, 0, 0, handler};
}

template <class Owner>
constexpr MessageEntry<Owner> OnCommand(WORD id, WORD code, LRESULT (Owner::*handler)(WPARAM, LPARAM)) {
    return {WM_COMMAND, id, code, handler};
}

// The first entry that matches, or null: map order decides, as in the table.
template <class Owner, std::size_t N>
const MessageEntry<Owner>* FindEntry(const MessageEntry<Owner> (&map)[N], UINT message, WPARAM wParam) {
    for (const MessageEntry<Owner>& e : map) {
        if (e.message != message) continue;
        if (message == WM_COMMAND && (e.id != LOWORD(wParam) || e.code != HIWORD(wParam))) continue;
        return &e;
    }
    return nullptr;
}

}  // namespace zek
