// Any bytes as a settings file: loading and saving must neither crash nor
// read outside the text, and what the store writes must load back to the
// very same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/settings_store.h"
#include "tests/settings/memory_platform.h"

namespace {

using namespace zek;

int32_t ZEK_CDECL KeepOdd(uint32_t low, uint32_t high) { return ((low ^ high) & 1) != 0; }

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 1 << 20) return 0;
    MemoryIo io;
    FixedLocation location;
    io.file.assign(reinterpret_cast<const char*>(data), size);

    SettingsStore store;
    store.SetPlatform(&io, &location);
    store.Load("ZEK_DideZede", 0, KeepOdd);
    store.SelectChannel(17, 0);
    store.BackupRecords();
    store.SelectChannel(3, 0);
    store.RestoreRecords();
    store.Save();
    const std::string saved = io.file;

    // The writer's own text loads back and saves to itself, untouched.
    SettingsStore again;
    again.SetPlatform(&io, &location);
    again.Load("ZEK_DideZede", 0, KeepOdd);
    io.written = false;
    again.Save();
    Check(!io.written);
    Check(io.file == saved);
    return 0;
}
