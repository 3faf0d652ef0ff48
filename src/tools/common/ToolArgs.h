#pragma once
// What the command-line companions share: checked numbers from their arguments, and
// message boxes that become lines on the error stream.

#include "core/platform.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace toolargs {

// A fault in the arguments; the tool prints it with its usage and exits with status 2.
struct BadArgs {
    std::string message;
};

// The whole text as a finite number or a whole number; nothing for anything else.
std::optional<double> ToNumber(const std::string& s);
std::optional<long long> ToInteger(const std::string& s);

// The value of `option`, which must lie in [low, high]; BadArgs otherwise.
double NumberIn(const std::string& option, const std::string& s, double low, double high);
long long IntegerIn(const std::string& option, const std::string& s, long long low, long long high);

// The two options every tool and the program take, worded as Qt's command-line parser
// words them for the tools that use it, so that all of them read alike.
inline constexpr const char* kStandardOptions =
    "  -h, --help     Displays help on commandline options.\n"
    "  -v, --version  Displays version information.\n";

// Runs a tool: --help (or -h) prints the usage and the standard options, --version (or -v)
// the tool's name and version; otherwise `body` runs, and a BadArgs it throws is printed
// after the tool's name, with the usage, for exit status 2.
int RunWithUsage(const char* tool, const char* usage, const std::vector<std::string>& args,
                 std::ostream& out, std::ostream& err, const std::function<int()>& body);

// Message boxes of a tool: each text is a line on `err`, answered with OK.
class StreamPrompts : public Prompts {
public:
    explicit StreamPrompts(std::ostream& err, std::string prefix = "")
        : err_(err), prefix_(std::move(prefix)) {}
    PromptAnswer Ask(const std::string& text, PromptButtons, PromptIcon) override;

private:
    std::ostream& err_;
    std::string prefix_;
};

} // namespace toolargs
