#include "plugin/plugin_state.h"

#include "res/win32_resource_platform.h"

namespace zek {
namespace {

// Built while the module loads, before the host calls any export. The dialog
// only keeps references to the members after it, so their later construction
// is fine.
PluginState g_state;

}  // namespace

PluginState::PluginState()
    : dialog(DialogServices{store, locator, flow.metricsEnabled, flow.channelName}),
      locator(Win32ResourcePlatform()) {}

PluginState& State() { return g_state; }

}  // namespace zek
