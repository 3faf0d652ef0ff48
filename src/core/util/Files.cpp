#include "core/util/Files.h"

#include "core/util/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

std::optional<std::string> ReadAll(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        content.append(buffer, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return std::nullopt;
    return content;
}

namespace {

// Writes everything to an open file and closes it; the reason of a failure, or "".
std::string WriteAllAndClose(int fd, const std::string& content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return std::strerror(error);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    const int syncError = ::fsync(fd) != 0 ? errno : 0;
    const int closeError = ::close(fd) != 0 ? errno : 0;
    return syncError || closeError ? std::strerror(syncError ? syncError : closeError) : "";
}

// The file that `path` names, through any symbolic links (a link to a missing file gives
// the missing file's path).
std::string FollowLinks(const std::string& path) {
    std::filesystem::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(p, ec))
            break;
        const std::filesystem::path target = std::filesystem::read_symlink(p, ec);
        if (ec)
            break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p.string();
}

} // namespace

std::string WriteAtomically(const std::string& path, const std::string& content, InPlace inPlace) {
    const std::string target = FollowLinks(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    const mode_t mode = exists ? (st.st_mode & 07777) : 0644;

    const std::string temp = target + ".tmp~";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int error = errno;
        if (inPlace == InPlace::WhenNoTemporary && exists && S_ISREG(st.st_mode)) {
            const int direct = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            if (direct < 0)
                return std::strerror(errno);
            return WriteAllAndClose(direct, content);
        }
        return std::strerror(error);
    }
    if (::fchmod(fd, mode) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return std::strerror(error);
    }
    if (std::string reason = WriteAllAndClose(fd, content); !reason.empty()) {
        ::unlink(temp.c_str());
        return reason;
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        std::string reason = std::strerror(errno);
        ::unlink(temp.c_str());
        return reason;
    }
    return {};
}

std::string FindNoCase(const std::string& directory, const std::string& name) {
    std::error_code ec;
    const std::string wanted = text::ToUpperAscii(name);
    std::filesystem::directory_iterator it(directory, ec), end;
    for (; !ec && it != end; it.increment(ec))
        if (text::ToUpperAscii(it->path().filename().string()) == wanted)
            return it->path().string();
    return {};
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace files
