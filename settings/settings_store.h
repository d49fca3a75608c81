// Per-channel settings. Minimal in-memory version: channels first seen take
// the table defaults; nothing is read or written yet.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/plugin_abi.h"
#include "settings/channel_settings.h"

namespace zek {

class SettingsStore {
public:
    // The working record of the selected channel: the frame flow reads it,
    // the dialog writes ProcEnable and OverZoom straight into it.
    ChannelSettings current;

    void Load(const std::string& moduleName, uint32_t hostWord, KeepChannelFn keepChannel);
    // 1 when the selected channel changed, 0 when it was selected already.
    int SelectChannel(uint32_t idLow, uint32_t idHigh);
    void Save();

    const std::string& InstanceSuffix() const { return instanceSuffix_; }
    void SetInstanceSuffix(const std::string& s) { instanceSuffix_ = s; }
    HWND__* HostMainWindow() const { return hostMainWindow_; }
    void SetHostMainWindow(HWND__* w) { hostMainWindow_ = w; }

private:
    void StoreCurrent();
    void FetchCurrent();

    std::vector<ChannelSettings> records_;
    int32_t currentIndex_ = -1;
    KeepChannelFn keepChannel_ = nullptr;
    std::string instanceSuffix_;
    HWND__* hostMainWindow_ = nullptr;
};

}  // namespace zek
