/* Started once in every newly made 32-bit runtime, before it is taken into
 * the cache: Wine loads its display driver and FreeType by name at run time,
 * with no package depending on them, so only a window with text in it tells
 * whether the runtime has what the end-to-end tests need. Prints what it
 * found; ends 0 only when the window was made and text could be measured. */
#include <stdio.h>
#include <windows.h>

int main(void) {
    WNDCLASSW wc = {0};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"ZekWindowCheck";
    if (!RegisterClassW(&wc)) {
        printf("no window class: error %lu\n", GetLastError());
        return 1;
    }
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"check", WS_OVERLAPPEDWINDOW, 10, 10, 240, 120,
                                  NULL, NULL, wc.hInstance, NULL);
    if (!window) {
        printf("no window: error %lu (no display driver?)\n", GetLastError());
        return 2;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    HDC dc = GetDC(window);
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent = {0, 0};
    BOOL measured = GetTextExtentPoint32W(dc, L"Zoom", 4, &extent);
    TEXTMETRICW metrics = {0};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(window, dc);
    DestroyWindow(window);
    printf("window made; text \"Zoom\" %ldx%ld, font height %ld; %d monitor(s)\n", extent.cx, extent.cy,
           metrics.tmHeight, GetSystemMetrics(SM_CMONITORS));
    if (!measured || extent.cx <= 0 || metrics.tmHeight <= 0) {
        printf("no text: fonts did not load (no FreeType?)\n");
        return 3;
    }
    return 0;
}
