// The six entry points of the descriptor, each doing its work in the order
// the host relies on. No entry point reports an error to the host.
#include <windows.h>

#include "detect/frame_flow.h"
#include "plugin/host_windows.h"
#include "base/module_info.h"
#include "plugin/plugin_state.h"
#include "res/descriptor_texts.h"
#include "settings/win32_settings_platform.h"

namespace zek {
namespace {

// The flow's outward calls: a post to an open dialog, a send to the host.
class HostPorts final : public FramePorts {
public:
    explicit HostPorts(PluginState& s) : state_(s) {}
    // Only a posted message reaches the dialog: it reads the new channel's
    // values itself, on its own thread.
    void ChannelSwitched() override {
        const HWND dialog = state_.dialog.Window();
        if (dialog) PostSettingsRefresh(dialog);
    }
    void SendZoom(int32_t zoom) override { SendZoomCommand(state_.store.HostMainWindow(), zoom); }

private:
    PluginState& state_;
};

void ZEK_CDECL Init(InitInfo* info) {
    PluginState& s = State();
    s.locator.TakeResourceModule();
    s.locator.RefreshLanguage();
    s.store.SetPlatform(&Win32SettingsFileIo(), &Win32LocationPlatform());
    // Load works the settings file's location out first, which also takes
    // the instance suffix from the command line.
    s.store.Load(ModuleName(), info ? info->hostWord : 0, info ? info->keepChannel : nullptr);
}

int32_t ZEK_CDECL Start(StartInfo* info) {
    PluginState& s = State();
    if (!info) return 1;
    StartStream(s.flow, info->width, info->height, info->pixelFormat);
    s.store.SetHostMainWindow(FindHostWindow(s.store.InstanceSuffix()));
    return 1;
}

int32_t ZEK_CDECL Process(FrameInfo* frame) {
    if (!frame || !frame->pixels || !frame->channel) return 0;
    PluginState& s = State();
    HostPorts ports(s);
    RunFrameFlow(s.flow, s.store, ports, static_cast<uint8_t*>(frame->pixels), *frame->channel);
    return 1;
}

void ZEK_CDECL Stop() { StopStream(State().flow); }

void ZEK_CDECL Setup(HWND__** parent) { State().dialog.Show(parent ? *parent : nullptr); }

// The dialog's destruction stores its position, so it reaches the file.
void ZEK_CDECL Done() {
    PluginState& s = State();
    s.dialog.CloseForUnload();
    s.store.Save();
}

PluginDescriptor g_descriptor = {nullptr, nullptr, Init, Start, Process, Stop, Setup, Done};

}  // namespace

PluginDescriptor* Descriptor() {
    PluginState& s = State();
    // A locator of its own each time, so the texts follow the host's
    // language of this moment.
    LoadDescriptorTexts(ModuleResources(), s.name, sizeof s.name, s.description, sizeof s.description);
    g_descriptor.name = s.name;
    g_descriptor.description = s.description;
    return &g_descriptor;
}

}  // namespace zek
