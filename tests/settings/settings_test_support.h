// A real temporary folder standing in for the host's folder, and a
// location platform that points the store at it.
#pragma once
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "settings/posix_settings_io.h"
#include "settings/settings_platform.h"
#include "settings/settings_store.h"

namespace zek {

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/zek_settings_XXXXXX";
        path_ = mkdtemp(name) ? name : "";
    }
    ~TempFolder() {
        if (!path_.empty()) {
            nftw(path_.c_str(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 8,
                 FTW_DEPTH | FTW_PHYS);
        }
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class FolderLocation : public LocationPlatform {
public:
    explicit FolderLocation(const std::string& hostFolder) : exe(hostFolder + "\\Korvisan.exe") {}
    std::string exe;
    std::string commandLine = "Korvisan.exe";

    bool QueryPlatformId(bool, uint32_t& id) override {
        id = kPlatformWin32Nt;
        return true;
    }
    uint32_t StoreInUsersFolder() override { return 0; }
    std::string AppDataFolder() override { return std::string(); }
    std::string HostExecutablePath() override { return exe; }
    std::string CommandLine() override { return commandLine; }
    std::string AnsiToUtf8(const std::string& ansi) override { return ansi; }
    void CreateFolder(const std::string& path) override { ::mkdir(PosixPath(path).c_str(), 0755); }
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(PosixPath(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(PosixPath(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A store loaded as Init loads it, from a temporary host folder of its own.
struct StoreInTempFolder {
    explicit StoreInTempFolder(KeepChannelFn keep) {
        store.SetPlatform(&PosixSettingsFileIo(), &location);
        store.Load("ZEK_DideZede", 0, keep);
    }
    std::string IniPath() const { return folder.path() + "/Plugins/ZEK_DideZede.ini"; }

    TempFolder folder;
    FolderLocation location{folder.path()};
    SettingsStore store;
};

inline bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(PosixPath(path).c_str(), &st) == 0;
}

}  // namespace zek
