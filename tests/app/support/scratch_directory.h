// A fresh temporary directory, removed afterwards, and a scope that makes
// it (or any directory) the working directory, as the program expects to be
// started from its run directory.
#pragma once

#include <filesystem>
#include <string>

namespace tarvex::test {

class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }
    // Makes `target` reachable as `name` inside the directory.
    void link(const std::string &name, const std::filesystem::path &target) const;
    void write(const std::string &name, const std::string &content) const;

private:
    std::filesystem::path path_;
};

class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path &directory);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory &) = delete;
    WorkingDirectory &operator=(const WorkingDirectory &) = delete;

private:
    std::filesystem::path previous_;
};

} // namespace tarvex::test
