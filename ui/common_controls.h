// The common controls the dialog templates use: the up-down control and the
// tooltip that serves as the error balloon.
#pragma once

namespace zek {

// Registers the classes once per process; cheap to call again.
void InitDialogControls();

}  // namespace zek
