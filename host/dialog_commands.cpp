#include "host/host_commands.h"

namespace zek_host {

// Commands that work the plug-in's settings dialog through real messages.
void RegisterDialogCommands() {}

}  // namespace zek_host
