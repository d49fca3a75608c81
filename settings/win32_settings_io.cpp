#include <windows.h>

#include <limits>
#include <new>

#include "settings/win32_settings_platform.h"
#include "base/win32_utf8.h"

namespace zek {
namespace {

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

bool WriteAll(HANDLE file, const char* bytes, std::size_t length) {
    while (length > 0) {
        const DWORD chunk = length > 0x10000000u ? 0x10000000u : static_cast<DWORD>(length);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
        bytes += written;
        length -= written;
    }
    return true;
}

class Win32Io final : public SettingsFileIo {
public:
    [[nodiscard]] bool ReadOrCreate(const std::string& path, std::unique_ptr<char[]>& bytes, int32_t& length) override {
        bytes.reset();
        length = 0;
        HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER size;
        bool ok = GetFileSizeEx(file, &size) != 0 && size.QuadPart <= std::numeric_limits<int32_t>::max();
        const int32_t total = ok ? static_cast<int32_t>(size.QuadPart) : 0;
        std::unique_ptr<char[]> buffer;
        if (ok && total > 0) {
            buffer.reset(new (std::nothrow) char[total]);
            ok = buffer != nullptr;
        }
        int32_t got = 0;
        while (ok && got < total) {
            DWORD n = 0;
            if (!ReadFile(file, buffer.get() + got, static_cast<DWORD>(total - got), &n, nullptr)) ok = false;
            if (n == 0) break;  // the file shrank meanwhile: keep what was there
            got += static_cast<int32_t>(n);
        }
        CloseHandle(file);
        if (!ok) return false;
        bytes = std::move(buffer);
        length = got;
        return true;
    }

    [[nodiscard]] bool ReplaceWhole(const std::string& path, const char* bytes, std::size_t length) override {
        // Written beside the target, then moved over it in one step: a crash
        // or a full disk leaves the old file or the new one, never a part.
        const std::wstring target = WideFromUtf8(path);
        // A read-only file is the user's "hands off". Windows would refuse
        // the move below, but not every system that runs this does; asked
        // first, so no temporary file is made either.
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
        wchar_t temp[MAX_PATH + 1] = {};
        if (!GetTempFileNameW(FolderOf(target).c_str(), L"zek", 0, temp)) return false;
        HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            DeleteFileW(temp);
            return false;
        }
        bool ok = WriteAll(file, bytes, length) && FlushFileBuffers(file);
        ok = CloseHandle(file) && ok;
        ok = ok && MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!ok) DeleteFileW(temp);
        return ok;
    }
};

// At namespace scope, not a function's static: see g_location in the
// location platform.
Win32Io g_io;

}  // namespace

SettingsFileIo& Win32SettingsFileIo() { return g_io; }

}  // namespace zek
