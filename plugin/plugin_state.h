// Everything the module keeps between the host's calls. One instance, built
// when the module loads and living until it unloads.
#pragma once
#include "detect/frame_flow.h"
#include "base/plugin_abi.h"
#include "res/resource_locator.h"
#include "settings/settings_store.h"
#include "ui/settings_dialog.h"

namespace zek {

// Members are built in declaration order: the two texts, the dialog (no
// window yet), the store (empty), the frame flow's state with its plotter
// and the channel name, and last the locator, which already asks the host
// for its language.
struct PluginState {
    PluginState();

    char description[kPluginDescriptionSize] = {};
    char name[kPluginNameSize] = {};
    SettingsDialog dialog;
    SettingsStore store;
    // What the frames carry from one to the next: format, lastZoom,
    // settleCountdown, metricsEnabled, rowActivity, channelName, plotter.
    FrameFlowState flow;
    ResourceLocator locator;
};

PluginState& State();
PluginDescriptor* Descriptor();
// The module's resources, with the host's language asked through its window.
ResourcePlatform& ModuleResources();

}  // namespace zek
