#include "base/bounded_send.h"

namespace zek {

bool SendWithinBound(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer) {
    DWORD_PTR result = 0;
    const LRESULT sent =
        SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, kAnswerWaitMs, &result);
    if (answer) *answer = static_cast<LRESULT>(result);
    return sent != 0;
}

}  // namespace zek
