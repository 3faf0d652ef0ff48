#include "tools/common/ToolArgs.h"

#include "core/util/Text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ostream>

namespace toolargs {

std::optional<double> ToNumber(const std::string& s) {
    if (s.empty() || s.find_first_of(" \t") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<long long> ToInteger(const std::string& s) {
    if (s.empty() || s.find_first_of(" \t") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE)
        return std::nullopt;
    return v;
}

double NumberIn(const std::string& option, const std::string& s, double low, double high) {
    const auto v = ToNumber(s);
    if (!v || *v < low || *v > high)
        throw BadArgs{text::Format("%s needs a number from %g to %g, not \"%s\"", option.c_str(),
                                   low, high, s.c_str())};
    return *v;
}

long long IntegerIn(const std::string& option, const std::string& s, long long low,
                    long long high) {
    const auto v = ToInteger(s);
    if (!v || *v < low || *v > high)
        throw BadArgs{text::Format("%s needs a whole number from %lld to %lld, not \"%s\"",
                                   option.c_str(), low, high, s.c_str())};
    return *v;
}

int RunWithUsage(const char* tool, const char* usage, const std::vector<std::string>& args,
                 std::ostream& out, std::ostream& err, const std::function<int()>& body) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            out << usage << kStandardOptions;
            return 0;
        }
        if (a == "--version" || a == "-v") {
            out << tool << ' ' << VLAKOMAT_VERSION << '\n';
            return 0;
        }
    }
    try {
        return body();
    } catch (const BadArgs& bad) {
        err << tool << ": " << bad.message << '\n' << usage;
        return 2;
    }
}

PromptAnswer StreamPrompts::Ask(const std::string& text, PromptButtons, PromptIcon) {
    err_ << prefix_ << text << '\n';
    return PromptAnswer::Ok;
}

} // namespace toolargs
