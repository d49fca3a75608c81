// Everything the module keeps between the host's calls. One instance, built
// when the module loads and living until it unloads.
#pragma once
#include "detect/frame_flow.h"
#include "plugin/plugin_abi.h"
#include "settings/settings_store.h"

namespace zek {

struct PluginState {
    char description[kPluginDescriptionSize] = {};
    char name[kPluginNameSize] = {};
    SettingsStore store;
    // FrameFormat, LastZoom, SettleCountdown, MetricsEnabled, RowActivity,
    // the MetricsPlotter and ChannelName.
    FrameFlowState flow;
};

PluginState& State();
PluginDescriptor* Descriptor();

}  // namespace zek
