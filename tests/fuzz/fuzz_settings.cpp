// Arbitrary bytes as the settings file: reading must neither crash nor take a value it
// cannot write, and a written file must read back to what was written.

#include "core/settings/Settings.h"
#include "core/util/Files.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("vlakomat-fuzz-settings-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

// The settings as a fresh file holds them once written.
std::string Written(const ProgramSettings& values) {
    const std::string path = (Folder() / "written.ini").string();
    std::filesystem::remove(path);
    if (!WriteSettings(path, values).empty())
        std::abort(); // the folder is ours: writing must work
    auto text = files::ReadAll(path);
    return text ? *text : std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string input = (Folder() / "vlakomat.ini").string();
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    const std::string once = Written(ReadSettings(input));
    const std::string twice = Written(ReadSettings((Folder() / "written.ini").string()));
    if (once != twice)
        std::abort(); // a written file that does not read back as written
    return 0;
}
