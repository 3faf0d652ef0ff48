#pragma once
// The list of the most recently used layout files, newest first, as the settings keep it.

#include <array>
#include <string>

using RecentFileList = std::array<std::string, 4>;

// Puts the path at the front; an entry already there moves up, the oldest drops out.
void AddRecentFile(RecentFileList& list, const std::string& path);
// Takes the path out (a file that would not open), closing the gap.
void RemoveRecentFile(RecentFileList& list, const std::string& path);
