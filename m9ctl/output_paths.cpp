#include "m9ctl/output_paths.h"

#include <filesystem>
#include <map>
#include <optional>

namespace m9ctl {

namespace {

void replaceAll(std::string &text, const std::string &pattern, const std::string &by)
{
    for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + by.size()))
        text.replace(at, pattern.size(), by);
}

struct RequestedOutput {
    std::string path;
    std::string extension;
};

// The output the command's own words ask for, read the way the command
// reads them.
std::optional<RequestedOutput> requestedOutput(const Invocation &inv)
{
    if (inv.command == "params" && !inv.args.empty() && inv.args.front() == "save") {
        const CommandArgs rest(std::vector<std::string>(inv.args.begin() + 1, inv.args.end()));
        if (rest.words().size() == 1)
            return RequestedOutput{rest.words().front(), kParameterFileExtension};
    }
    if (inv.command == "trace") {
        CommandArgs args(inv.args);
        std::optional<std::string> output;
        if (args.value("--output", output, "-o") && output)
            return RequestedOutput{*output, kTraceFolderExtension};
    }
    return std::nullopt;
}

} // namespace

std::string portFileName(const std::string &port)
{
    std::string name = port.substr(port.find_first_not_of('/') == std::string::npos ? port.size()
                                                                                    : port.find_first_not_of('/'));
    for (char &c : name) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '-' || c == '_';
        if (!kept)
            c = '_';
    }
    return name;
}

std::string driveOutputPath(const std::string &given, const std::string &port, unsigned node,
                            const std::string &extension, bool severalNodes)
{
    std::string path = given;
    replaceAll(path, "{port}", portFileName(port));
    replaceAll(path, "{node}", std::to_string(node));
    std::error_code error;
    if (path == given && std::filesystem::is_directory(path, error))
        return (std::filesystem::path(path) /
                (portFileName(port) + (severalNodes ? "-node" + std::to_string(node) : std::string()) + extension))
            .string();
    return path;
}

std::string sharedOutputRefusal(const Invocation &inv)
{
    const std::optional<RequestedOutput> output = requestedOutput(inv);
    if (!output)
        return {};
    std::map<std::string, std::string> driveByPath;
    const bool nodes = severalNodes(inv.link);
    for (const std::string &port : inv.link.ports)
        for (const std::uint8_t node : inv.link.nodes) {
            const std::string path = driveOutputPath(output->path, port, node, output->extension, nodes);
            const std::string same = std::filesystem::path(path).lexically_normal().string();
            const std::string drive = nodes ? port + " node " + std::to_string(node) : port;
            const auto [it, added] = driveByPath.emplace(same, drive);
            if (!added)
                return it->second + " and " + drive + " would both write " + path + "; name each drive's file with " +
                       (inv.link.ports.size() > 1 ? "{port}" : "{node}") + " in the path (or give a folder)";
        }
    return {};
}

} // namespace m9ctl
