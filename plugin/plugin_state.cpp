#include "plugin/plugin_state.h"

#include "plugin/host_windows.h"
#include "res/win32_resource_platform.h"

namespace zek {
namespace {

uint32_t AskHost() { return AskHostLanguage(); }

// Built while the module loads, before the host calls any export. The dialog
// only keeps references to the members after it, so their later construction
// is fine.
PluginState g_state;

}  // namespace

PluginState::PluginState()
    : dialog(DialogServices{store, locator, flow.metricsEnabled, flow.channelName}),
      locator(ModuleResources()) {}

// Built on first use, so it is there while the state above is being built.
ResourcePlatform& ModuleResources() {
    static Win32ResourcePlatform platform(&AskHost);
    return platform;
}

PluginState& State() { return g_state; }

}  // namespace zek
