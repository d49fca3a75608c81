#include "settings/settings_store.h"

namespace zek {

void SettingsStore::Load(const std::string&, uint32_t, KeepChannelFn keepChannel) {
    keepChannel_ = keepChannel;
    currentIndex_ = -1;
    current.ProcEnable = 1;
    current.OverZoom = 3;
}

int SettingsStore::SelectChannel(uint32_t idLow, uint32_t idHigh) {
    if (currentIndex_ >= 0 && SameChannel(records_[currentIndex_], idLow, idHigh)) return 0;
    StoreCurrent();
    currentIndex_ = -1;
    for (size_t i = 0; i < records_.size(); ++i) {
        if (SameChannel(records_[i], idLow, idHigh)) {
            currentIndex_ = static_cast<int32_t>(i);
            break;
        }
    }
    if (currentIndex_ < 0) {
        records_.push_back(ChannelSettings{idLow, idHigh, 1, 3});
        currentIndex_ = static_cast<int32_t>(records_.size() - 1);
    }
    FetchCurrent();
    return 1;
}

void SettingsStore::Save() { StoreCurrent(); }

void SettingsStore::StoreCurrent() {
    if (currentIndex_ >= 0) records_[currentIndex_] = current;
}

void SettingsStore::FetchCurrent() {
    if (currentIndex_ >= 0) current = records_[currentIndex_];
}

}  // namespace zek
