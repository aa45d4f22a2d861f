// m9ctl's command line: the link options (any number of --port, any number
// of --node on each, one rate, the fast exchange profile), the command and
// its own arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace m9ctl {

struct LinkOptions {
    std::vector<std::string> ports; // device paths, as given
    // The drives on each port's line, asked one after another; {0} when no
    // --node was given.
    std::vector<std::uint8_t> nodes{0};
    std::uint8_t node = 0; // the one being addressed: the first, then each in turn
    std::uint32_t baud = 19200;
    bool fast = false;
    std::string catalogue; // empty: the program's own catalogue
};

struct Invocation {
    LinkOptions link;
    std::string command;            // "params" is followed by its verb in `args`
    std::vector<std::string> args;  // the command's own words and options, in order
    bool help = false;
    bool version = false;
};

// Parses argv[1..]; nullopt with `error` set when the link options are not
// usable. The command's own arguments are checked by the command.
std::optional<Invocation> parseInvocation(const std::vector<std::string> &args, std::string &error);

// Whether the port's line is shared by several drives.
inline bool severalNodes(const LinkOptions &link) { return link.nodes.size() > 1; }

// The same link options as words, for a child that serves one of the ports.
std::vector<std::string> linkArguments(const LinkOptions &link, const std::string &port);

const char *usageText();

// Small readers shared by the commands; false for anything that is not the
// whole text.
bool parseWholeNumber(const std::string &text, long min, long max, long &value);
// Names are matched without regard to case and surrounding blanks.
std::string lowerCase(std::string text);
std::string trimmed(const std::string &text);

// A command's options: flags, options with one value, and plain words.
class CommandArgs {
public:
    explicit CommandArgs(std::vector<std::string> args) : args_(std::move(args)) {}
    // Removes "--name" and says whether it was there.
    bool flag(const std::string &name);
    // Removes "--name VALUE" or "--name=VALUE" (or "-o VALUE" for `alias`);
    // false when the option is there without a value.
    bool value(const std::string &name, std::optional<std::string> &out, const std::string &alias = {});
    // What is left once the options were taken; an unknown option is an error.
    const std::vector<std::string> &words() const { return args_; }
    std::optional<std::string> unknownOption() const;

private:
    std::vector<std::string> args_;
};

} // namespace m9ctl
