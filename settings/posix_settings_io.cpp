#include "settings/posix_settings_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <new>

namespace zek {
namespace {

bool WriteAll(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, bytes, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

class PosixIo final : public SettingsFileIo {
public:
    [[nodiscard]] bool ReadOrCreate(const std::string& path, std::unique_ptr<char[]>& bytes, int32_t& length) override {
        bytes.reset();
        length = 0;
        const int fd = ::open(PosixPath(path).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        struct stat st;
        bool ok = ::fstat(fd, &st) == 0 && st.st_size <= std::numeric_limits<int32_t>::max();
        const int32_t size = ok ? static_cast<int32_t>(st.st_size) : 0;
        std::unique_ptr<char[]> buffer;
        if (ok && size > 0) {
            buffer.reset(new (std::nothrow) char[size]);
            ok = buffer != nullptr;
        }
        int32_t got = 0;
        while (ok && got < size) {
            const ssize_t n = ::read(fd, buffer.get() + got, static_cast<std::size_t>(size - got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;  // the file shrank meanwhile: keep what was there
            got += static_cast<int32_t>(n);
        }
        ::close(fd);
        if (!ok) return false;
        bytes = std::move(buffer);
        length = got;
        return true;
    }

    [[nodiscard]] bool ReplaceWhole(const std::string& path, const char* bytes, std::size_t length) override {
        const std::string target = PosixPath(path);
        // A file without write permission is the user's "hands off"; the
        // rename below needs only the folder's. The mode bits are asked, not
        // access(), which says yes to root.
        struct stat st;
        if (::stat(target.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
        // The temporary file sits beside the target so the rename stays
        // within one file system and is atomic.
        std::string temp = folder + ".settings.XXXXXX";
        const int fd = ::mkstemp(&temp[0]);
        if (fd < 0) return false;
        // mkstemp makes the file private; a settings file is an ordinary one.
        bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, bytes, length) && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
        return true;
    }
};

}  // namespace

std::string PosixPath(const std::string& path) {
    std::string p = path;
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    return p;
}

SettingsFileIo& PosixSettingsFileIo() {
    static PosixIo io;
    return io;
}

}  // namespace zek
