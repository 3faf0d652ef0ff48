#pragma once
// Reading and writing whole files safely.

#include <optional>
#include <string>

namespace files {

// The whole file, or nothing when it cannot be opened.
std::optional<std::string> ReadAll(const std::string& path);

// Whether a file may be written in place when no temporary file can be made beside it
// (a folder closed to new files).
enum class InPlace { Never, WhenNoTemporary };

// Writes `content` to a temporary file beside `path` and renames it over `path`, so that a
// crash or a full disk never leaves a half-written file. A symbolic link stays a link (the
// file it points to is written) and the file keeps its permissions. Returns an empty
// string on success, otherwise the reason (from the operating system) in words.
std::string WriteAtomically(const std::string& path, const std::string& content,
                            InPlace inPlace = InPlace::Never);

bool Exists(const std::string& path);

// The path of the file in `directory` whose name equals `name` but for the case of ASCII
// letters, or an empty string when there is none.
std::string FindNoCase(const std::string& directory, const std::string& name);

} // namespace files
