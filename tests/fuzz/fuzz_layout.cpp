// Arbitrary bytes as a .vlk layout: reading must neither crash nor go past its limits, and
// what saving writes must read back to the same document and the same text.

#include "core/layout/VlakomatDoc.h"
#include "core/layout/VlkFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    const VlkReadResult first = ReadVlk(input);
    if (first.elements.size() > static_cast<std::size_t>(CVlakomatDoc::kMaxElements))
        std::abort();
    const std::string saved = FormatVlk(first.elements);
    const VlkReadResult again = ReadVlk(saved);
    if (again.elements != first.elements || FormatVlk(again.elements) != saved)
        std::abort(); // a saved layout that does not read back as saved
    return 0;
}
