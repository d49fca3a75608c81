#include "plugin/plugin_state.h"

#include "plugin/host_windows.h"
#include "res/win32_resource_platform.h"

namespace zek {
namespace {

uint32_t AskHost() { return AskHostLanguage(); }

// Constant-initialized, so it is there before anything the module builds as it
// loads (the state below asks it for the host's language). Not a function's
// static: such a static's first-use guard brings the compiler runtime's
// condition variables into the module, which Windows XP lacks.
Win32ResourcePlatform g_resources(&AskHost);

// Built while the module loads, before the host calls any export. The dialog
// only keeps references to the members after it, so their later construction
// is fine.
PluginState g_state;

}  // namespace

PluginState::PluginState()
    : dialog(DialogServices{store, locator, flow.metricsEnabled, flow.channelName}),
      locator(ModuleResources()) {}

ResourcePlatform& ModuleResources() { return g_resources; }

PluginState& State() { return g_state; }

}  // namespace zek
