#include "settings/settings_store.h"

#include <cstring>

#include "settings/settings_location.h"

namespace zek {
namespace {

const char* const kDialogSection = "DIALOG";
const char* const kDefaultSection = "DEFAULT";

struct DialogKeys {
    KeyDef rows[2];
};

DialogKeys DialogPosKeys(int32_t& x, int32_t& y) {
    return DialogKeys{{
        {KeyType::Int32, "DlgWndPosX", &x, kNoDialogPos},
        {KeyType::Int32, "DlgWndPosY", &y, kNoDialogPos},
    }};
}

// Ids 1 to 4 are the host's fixed inputs; their settings are kept whatever
// the host says.
bool AlwaysKept(const ChannelSettings& r) { return r.idHigh == 0 && r.idLow >= 1 && r.idLow <= 4; }

// Raises a flag for the rest of a scope and lowers it on every way out, a
// throw's too (the copy of the records throws when memory runs out).
class FlagRaised {
public:
    explicit FlagRaised(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagRaised() { flag_ = false; }
    FlagRaised(const FlagRaised&) = delete;
    FlagRaised& operator=(const FlagRaised&) = delete;

private:
    bool& flag_;
};

}  // namespace

void SettingsStore::SetPlatform(SettingsFileIo* io, LocationPlatform* location) {
    LockHold files(fileLock_);
    io_ = io;
    location_ = location;
}

void SettingsStore::LocateSettingsFile(const std::string& moduleName) {
    LockHold files(fileLock_);
    LocateLocked(moduleName);
}

void SettingsStore::LocateLocked(const std::string& moduleName) {
    SettingsLocation found;
    if (!location_ || !LocateSettings(*location_, moduleName, found)) return;
    settingsPath_ = found.path;
    instanceSuffix_ = found.instanceSuffix;
}

void SettingsStore::ReadText() {
    std::unique_ptr<char[]> bytes;
    int32_t length = 0;
    textRead_ = io_ && !settingsPath_.empty() && io_->ReadOrCreate(settingsPath_, bytes, length);
    reader_.Reset(textRead_ ? std::move(bytes) : nullptr, textRead_ ? length : 0);
}

void SettingsStore::Load(const std::string& moduleName, uint32_t hostWord, KeepChannelFn keepChannel,
                         ChangeHookFn changeHook) {
    LockHold files(fileLock_);
    LockHold hold(lock_);
    hostWord_ = hostWord;
    keepChannel_ = keepChannel;
    changeHook_ = changeHook;
    LocateLocked(moduleName);
    currentIndex_ = -1;
    // A second load replaces what the first one brought in.
    records_.clear();
    backup_.clear();
    backupTaken_ = false;
    ReadText();

    DialogKeys dialog = DialogPosKeys(dialogPosX_, dialogPosY_);
    reader_.ReadKeys(kDialogSection, dialog.rows);
    // The key table writes through untyped pointers, so it reads into a
    // plain record; `current` takes the result as a whole.
    ChannelSettings loaded = current.Get(lock_);
    SettingsKeyTable keys = SettingsKeys(loaded);
    reader_.ReadKeys(kDefaultSection, keys.rows);
    defaults_ = loaded;

    // Every channel section counts, wherever it stands, in file order. The
    // walk keeps its own position, so lookups that wrap around the text
    // cannot send it back to a section it has passed.
    int32_t pos = 0;
    std::string_view name;
    while (reader_.NextHeaderFrom(pos, name)) {
        const uint64_t id = static_cast<uint64_t>(ParseDecimal(name));
        // Passes over DIALOG, DEFAULT, 0 and names that are not numbers.
        if (id == 0) continue;
        loaded.idLow = static_cast<uint32_t>(id);
        loaded.idHigh = static_cast<uint32_t>(id >> 32);
        reader_.ReadKeys(name, keys.rows);
        records_.push_back(loaded);
    }
    // Until a channel is selected, `current` shows the last section read.
    current.Set(loaded, lock_);
    FetchCurrentLocked();
}

int SettingsStore::SelectChannel(uint32_t idLow, uint32_t idHigh) {
    // The same channel as the last frame costs this uncontended lock and
    // one id compare. The compare reads the record array, which the dialog's
    // thread may resize, so it cannot come before the lock.
    LockHold hold(lock_);
    if (currentIndex_ >= 0 && SameChannel(records_[currentIndex_], idLow, idHigh)) return 0;
    StoreCurrentLocked();
    int32_t found = -1;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (SameChannel(records_[i], idLow, idHigh)) {
            found = static_cast<int32_t>(i);
            break;
        }
    }
    if (found < 0) {
        defaults_.idLow = idLow;
        defaults_.idHigh = idHigh;
        records_.push_back(defaults_);
        // An open dialog's backup keeps step with the records, so its Cancel
        // keeps channels first seen meanwhile.
        backup_.push_back(defaults_);
        found = static_cast<int32_t>(records_.size() - 1);
    }
    currentIndex_ = found;
    FetchCurrentLocked();
    return 1;
}

void SettingsStore::StoreCurrent() {
    LockHold hold(lock_);
    StoreCurrentLocked();
}

void SettingsStore::FetchCurrent() {
    LockHold hold(lock_);
    FetchCurrentLocked();
}

void SettingsStore::StoreCurrentLocked() {
    if (currentIndex_ < 0) return;
    if (changeHook_) changeHook_(0);
    records_[currentIndex_] = current.Get(lock_);
}

void SettingsStore::FetchCurrentLocked() {
    if (currentIndex_ < 0) return;
    current.Set(records_[currentIndex_], lock_);
    if (changeHook_) changeHook_(1);
}

void SettingsStore::BackupRecords() {
    LockHold hold(lock_);
    StoreCurrentLocked();
    backup_ = records_;
    backupTaken_ = true;
}

void SettingsStore::RestoreRecords() {
    LockHold hold(lock_);
    // Without a backup there is nothing to go back to; copying the empty
    // array would drop every channel.
    if (backupTaken_) records_ = backup_;
    if (currentIndex_ >= static_cast<int32_t>(records_.size())) currentIndex_ = -1;
    FetchCurrentLocked();
}

void SettingsStore::GetDialogPos(int32_t& x, int32_t& y) const {
    LockHold hold(lock_);
    x = dialogPosX_;
    y = dialogPosY_;
}

void SettingsStore::SetDialogPos(int32_t x, int32_t y) {
    LockHold hold(lock_);
    dialogPosX_ = x;
    dialogPosY_ = y;
}

void SettingsStore::Save() {
    LockHold files(fileLock_);
    // The host's KeepChannel may call back into the store on this thread,
    // the file lock letting it in again; a save it started then would begin
    // afresh the text this one is writing, which would go on after it.
    // A save that threw must not leave the flag up: every later one would
    // then return here without a word.
    if (saving_) return;
    const FlagRaised saving(saving_);
    SaveLocked();
}

void SettingsStore::SaveLocked() {
    std::vector<ChannelSettings> records;
    int32_t x = 0;
    int32_t y = 0;
    {
        LockHold hold(lock_);
        StoreCurrentLocked();
        records = records_;
        x = dialogPosX_;
        y = dialogPosY_;
    }
    if (!writer_.Begin()) return;

    writer_.WriteSection(kDialogSection);
    DialogKeys dialog = DialogPosKeys(x, y);
    writer_.WriteKeys(dialog.rows);
    for (ChannelSettings& r : records) {
        // Asked for every record, the always-kept ones included. The lock
        // analysis cannot follow this call into the host, which may call
        // back into the store: frames of other channels, the dialog, even
        // Done again. Only the file lock is held here, and the records
        // written are the copy taken above.
        const bool keep = keepChannel_ ? keepChannel_(r.idLow, r.idHigh) != 0 : true;
        if (!keep && !AlwaysKept(r)) continue;
        writer_.WriteChannelSection(r.idLow, r.idHigh);
        SettingsKeyTable keys = SettingsKeys(r);
        writer_.WriteKeys(keys.rows);
    }

    // A text cut short must never replace a whole one.
    if (!writer_.complete() || writer_.length() == 0) return;
    if (writer_.length() == reader_.length() &&
        (writer_.length() == 0 || std::memcmp(writer_.data(), reader_.text(), writer_.length()) == 0)) {
        return;
    }
    // A file that was there but could not be read still holds channels this
    // store never saw; writing over it would lose them.
    if (!io_ || settingsPath_.empty() || !textRead_) return;
    // A write that fails leaves the old file whole, and is not reported:
    // there is no one to tell at Done.
    (void)io_->ReplaceWhole(settingsPath_, writer_.data(), static_cast<std::size_t>(writer_.length()));
}

std::string SettingsStore::SettingsPath() const {
    LockHold files(fileLock_);
    return settingsPath_;
}

std::string SettingsStore::InstanceSuffix() const {
    LockHold files(fileLock_);
    return instanceSuffix_;
}

void SettingsStore::SetOutputReallocator(SettingsWriter::Reallocator r) {
    LockHold files(fileLock_);
    writer_.SetReallocator(r);
}

std::vector<ChannelSettings> SettingsStore::Records() const {
    LockHold hold(lock_);
    return records_;
}

ChannelSettings SettingsStore::Current() const {
    LockHold hold(lock_);
    return current.Get(lock_);
}

int32_t SettingsStore::CurrentIndex() const {
    LockHold hold(lock_);
    return currentIndex_;
}

ChannelSettings SettingsStore::Defaults() const {
    LockHold hold(lock_);
    return ChannelSettings{0, 0, defaults_.ProcEnable, defaults_.OverZoom};
}

}  // namespace zek
