#include "util/Files.h"

#include "util/Text.h"

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

std::string WriteAtomically(const std::string& path, const std::string& content) {
    std::string temp = path + ".tmp~";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::strerror(errno);
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            std::string reason = std::strerror(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return reason;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    int syncError = ::fsync(fd) != 0 ? errno : 0;
    int closeError = ::close(fd) != 0 ? errno : 0;
    if (syncError || closeError) {
        ::unlink(temp.c_str());
        return std::strerror(syncError ? syncError : closeError);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
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
