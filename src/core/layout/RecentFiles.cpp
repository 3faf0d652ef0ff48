#include "core/layout/RecentFiles.h"

#include <algorithm>

void AddRecentFile(RecentFileList& list, const std::string& path) {
    if (path.empty())
        return;
    auto found = std::find(list.begin(), list.end(), path);
    auto last = found == list.end() ? list.end() - 1 : found;
    std::move_backward(list.begin(), last, last + 1);
    list.front() = path;
}

void RemoveRecentFile(RecentFileList& list, const std::string& path) {
    auto end = std::remove(list.begin(), list.end(), path);
    std::fill(end, list.end(), std::string());
}
