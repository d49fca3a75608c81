// Per-channel settings: loaded from the settings file at Init, switched per
// frame by channel, backed up and restored around the dialog, saved at Done.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/lock.h"
#include "base/plugin_abi.h"
#include "settings/channel_settings.h"
#include "settings/settings_platform.h"
#include "settings/settings_text.h"

namespace zek {

// Told 0 just before `current` goes back into its record, 1 just after it
// was filled from one.
using ChangeHookFn = void (*)(int32_t);

constexpr int32_t kNoDialogPos = -100;

class SettingsStore {
public:
    // The working record of the selected channel: the frame flow reads it,
    // the dialog writes ProcEnable and OverZoom straight into it.
    CurrentChannelSettings current;

    // Without a platform there is no path and no file: defaults only.
    void SetPlatform(SettingsFileIo* io, LocationPlatform* location);

    void LocateSettingsFile(const std::string& moduleName);
    void Load(const std::string& moduleName, uint32_t hostWord, KeepChannelFn keepChannel,
              ChangeHookFn changeHook = nullptr);
    // 1 when the selected channel changed, 0 when it was selected already.
    int SelectChannel(uint32_t idLow, uint32_t idHigh);
    void StoreCurrent();
    void FetchCurrent();
    void BackupRecords();
    void RestoreRecords();
    void GetDialogPos(int32_t& x, int32_t& y) const;
    void SetDialogPos(int32_t x, int32_t y);
    void Save();

    const std::string& SettingsPath() const { return settingsPath_; }
    const std::string& InstanceSuffix() const { return instanceSuffix_; }
    HWND__* HostMainWindow() const { return hostMainWindow_; }
    void SetHostMainWindow(HWND__* w) { hostMainWindow_ = w; }

    // A snapshot, for the dialog's views and for tests.
    std::vector<ChannelSettings> Records() const;
    int32_t CurrentIndex() const;
    ChannelSettings Defaults() const;
    // Lets tests make the output buffer fail to grow.
    void SetOutputReallocator(SettingsWriter::Reallocator r) { writer_.SetReallocator(r); }

private:
    void LocateLocked(const std::string& moduleName);
    void StoreCurrentLocked();
    void FetchCurrentLocked();
    void ReadText();

    // One lock for everything that resizes or copies the record arrays;
    // the dialog stores `current`'s two atomic values without it. The file
    // lock keeps loads and saves apart, so the host's KeepChannel can be
    // asked without holding up the frames.
    mutable Lock lock_;
    Lock fileLock_;
    SettingsFileIo* io_ = nullptr;
    LocationPlatform* location_ = nullptr;

    int32_t dialogPosX_ = 0;
    int32_t dialogPosY_ = 0;
    ChannelSettings defaults_;
    std::vector<ChannelSettings> records_;
    std::vector<ChannelSettings> backup_;
    int32_t currentIndex_ = -1;
    bool backupTaken_ = false;
    bool textRead_ = false;  // the file was read (or created) at the last load
    KeepChannelFn keepChannel_ = nullptr;
    ChangeHookFn changeHook_ = nullptr;
    uint32_t hostWord_ = 0;

    SettingsReader reader_;
    SettingsWriter writer_;
    std::string settingsPath_;
    std::string instanceSuffix_;
    HWND__* hostMainWindow_ = nullptr;
};

}  // namespace zek
