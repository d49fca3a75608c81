// Everything the module keeps between the host's calls. One instance, built
// when the module loads and living until it unloads.
#pragma once
#include "detect/frame_flow.h"
#include "base/plugin_abi.h"
#include "res/resource_locator.h"
#include "settings/settings_store.h"
#include "ui/settings_dialog.h"

namespace zek {

// Members are built in declaration order: the dialog (no window yet), the
// store (empty), the frame flow's state with the plotter, then the locator,
// which already asks the host for its language, and the channel name.
struct PluginState {
    PluginState();

    char description[kPluginDescriptionSize] = {};
    char name[kPluginNameSize] = {};
    SettingsDialog dialog;
    SettingsStore store;
    // FrameFormat, LastZoom, SettleCountdown, MetricsEnabled, RowActivity,
    // the MetricsPlotter and ChannelName.
    FrameFlowState flow;
    ResourceLocator locator;
};

PluginState& State();
PluginDescriptor* Descriptor();
// The module's resources, with the host's language asked through its window.
ResourcePlatform& ModuleResources();

}  // namespace zek
