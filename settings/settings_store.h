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
    // The working record of the selected channel: the frame flow reads
    // ProcEnable and OverZoom, the dialog writes them straight into it, each
    // on its own thread. Its id is the store's, read and written under the
    // store's lock; Current() gives a copy with it.
    CurrentChannelSettings current;

    // Without a platform there is no path and no file: defaults only.
    void SetPlatform(SettingsFileIo* io, LocationPlatform* location) ZEK_EXCLUDES(fileLock_);

    void LocateSettingsFile(const std::string& moduleName) ZEK_EXCLUDES(fileLock_);
    void Load(const std::string& moduleName, uint32_t hostWord, KeepChannelFn keepChannel,
              ChangeHookFn changeHook = nullptr) ZEK_EXCLUDES(fileLock_, lock_);
    // 1 when the selected channel changed, 0 when it was selected already.
    int SelectChannel(uint32_t idLow, uint32_t idHigh) ZEK_EXCLUDES(lock_);
    void StoreCurrent() ZEK_EXCLUDES(lock_);
    void FetchCurrent() ZEK_EXCLUDES(lock_);
    void BackupRecords() ZEK_EXCLUDES(lock_);
    void RestoreRecords() ZEK_EXCLUDES(lock_);
    void GetDialogPos(int32_t& x, int32_t& y) const ZEK_EXCLUDES(lock_);
    void SetDialogPos(int32_t x, int32_t y) ZEK_EXCLUDES(lock_);
    void Save() ZEK_EXCLUDES(fileLock_, lock_);

    // Copies, taken under the file lock: a load on another thread may be
    // replacing them.
    std::string SettingsPath() const ZEK_EXCLUDES(fileLock_);
    std::string InstanceSuffix() const ZEK_EXCLUDES(fileLock_);
    // Set at each Start and read by the frames that follow it, on whichever
    // thread the host runs them; the host orders the two.
    HWND__* HostMainWindow() const { return hostMainWindow_; }
    void SetHostMainWindow(HWND__* w) { hostMainWindow_ = w; }

    // A snapshot, for the dialog's views and for tests.
    std::vector<ChannelSettings> Records() const ZEK_EXCLUDES(lock_);
    ChannelSettings Current() const ZEK_EXCLUDES(lock_);
    int32_t CurrentIndex() const ZEK_EXCLUDES(lock_);
    ChannelSettings Defaults() const ZEK_EXCLUDES(lock_);
    // Lets tests make the output buffer fail to grow.
    void SetOutputReallocator(SettingsWriter::Reallocator r) ZEK_EXCLUDES(fileLock_);

private:
    void LocateLocked(const std::string& moduleName) ZEK_REQUIRES(fileLock_);
    void StoreCurrentLocked() ZEK_REQUIRES(lock_);
    void FetchCurrentLocked() ZEK_REQUIRES(lock_);
    void ReadText() ZEK_REQUIRES(fileLock_);
    void SaveLocked() ZEK_REQUIRES(fileLock_);

    // One lock for everything that resizes or copies the record arrays;
    // the dialog stores `current`'s two atomic values without it. The file
    // lock keeps loads and saves apart, so the host's KeepChannel can be
    // asked without holding up the frames. Where both are held, the file
    // lock is taken first.
    mutable Lock lock_;
    mutable Lock fileLock_;
    SettingsFileIo* io_ ZEK_GUARDED_BY(fileLock_) = nullptr;
    LocationPlatform* location_ ZEK_GUARDED_BY(fileLock_) = nullptr;

    int32_t dialogPosX_ ZEK_GUARDED_BY(lock_) = 0;
    int32_t dialogPosY_ ZEK_GUARDED_BY(lock_) = 0;
    ChannelSettings defaults_ ZEK_GUARDED_BY(lock_);
    std::vector<ChannelSettings> records_ ZEK_GUARDED_BY(lock_);
    std::vector<ChannelSettings> backup_ ZEK_GUARDED_BY(lock_);
    int32_t currentIndex_ ZEK_GUARDED_BY(lock_) = -1;
    bool backupTaken_ ZEK_GUARDED_BY(lock_) = false;
    // Called from StoreCurrentLocked and FetchCurrentLocked, under the lock.
    ChangeHookFn changeHook_ ZEK_GUARDED_BY(lock_) = nullptr;
    // The file was read (or created) at the last load.
    bool textRead_ ZEK_GUARDED_BY(fileLock_) = false;
    KeepChannelFn keepChannel_ ZEK_GUARDED_BY(fileLock_) = nullptr;
    // A save is asking the host which channels to keep.
    bool saving_ ZEK_GUARDED_BY(fileLock_) = false;
    uint32_t hostWord_ ZEK_GUARDED_BY(fileLock_) = 0;

    SettingsReader reader_ ZEK_GUARDED_BY(fileLock_);
    SettingsWriter writer_ ZEK_GUARDED_BY(fileLock_);
    std::string settingsPath_ ZEK_GUARDED_BY(fileLock_);
    std::string instanceSuffix_ ZEK_GUARDED_BY(fileLock_);
    HWND__* hostMainWindow_ = nullptr;
};

}  // namespace zek
