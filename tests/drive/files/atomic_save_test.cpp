// Saving over an existing file when the disk takes no more: every writer of
// the suite's files (parameter set, graph file, CSV) reports why and leaves
// the old file byte for byte, with no temporary left beside it. The full
// disk is a file size limit in a child process, so no root is needed.
#include "drive/capture/capture_csv.h"
#include "drive/capture/graph_file.h"
#include "drive/files/file_access.h"
#include "drive/parameters/model/parameter_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using Save = std::function<FileOutcome(const std::string &path)>;

FileOutcome saveParameters(const std::string &path)
{
    std::vector<parameters::ParameterLine> lines;
    for (int i = 0; i < 200; ++i)
        lines.push_back({"0x2" + std::to_string(100 + i), "0", std::to_string(i * 7)});
    return parameters::saveParameterFile(path, "M9A 1.23", lines);
}

FileOutcome saveGraph(const std::string &path)
{
    graphs::GraphFileWriting file;
    file.kind = graphs::GraphKind::Trace;
    file.channelNames = {"Current Speed[rpm]", "Command Speed[rpm]", "Current Torque[%]", "DC Link[V]"};
    for (auto &points : file.points)
        for (int i = 0; i < graphs::linesPerBlock(file.kind); ++i)
            points.push_back({std::to_string(i), std::to_string(i * 2)});
    file.period = 2;
    return graphs::writeGraphFile(path, file);
}

FileOutcome saveCsv(const std::string &path)
{
    graphs::CsvTable table;
    table.title = "Data Trace";
    for (int i = 0; i < 500; ++i)
        table.keys.values.push_back(i * 0.002);
    table.columns.push_back({"Current Speed", "rpm", table.keys.values});
    return graphs::writeCsvFile(path, table);
}

std::string contentsOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs `save` in a child whose files may not grow beyond `limit` bytes, as
// on a disk that is full; returns the reason the save gave (empty: saved).
std::string saveOnAFullDisk(const Save &save, const std::string &path, rlim_t limit)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
        const rlimit full{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &full);
        const FileOutcome outcome = save(path);
        const std::string said = outcome ? std::string() : outcome.reason;
        [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], said.data(), said.size());
        ::_exit(outcome ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string reason;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        reason.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return "the child did not end normally";
    if (WEXITSTATUS(status) == 1 && reason.empty())
        return "a failure without a reason";
    return reason;
}

TEST(AtomicSave, AFullDiskLeavesTheOldFileByteForByteAndSaysWhy)
{
    struct Writer {
        const char *name;
        const char *file;
        Save save;
    };
    const Writer writers[] = {{"parameter file", "set.mpa", saveParameters},
                              {"graph file", "run.mdg", saveGraph},
                              {"CSV", "run.csv", saveCsv}};
    const fs::path dir = fs::temp_directory_path() / ("atomic-save-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const Writer &w : writers) {
        SCOPED_TRACE(w.name);
        const std::string path = (dir / w.file).string();
        // The old file: what this writer saved before, then marked so that
        // the new save would change it.
        ASSERT_TRUE(w.save(path)) << "a save with room must succeed";
        const std::string whole = contentsOf(path);
        ASSERT_GT(whole.size(), 1024u);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << "old " << w.name << "\r\n" << whole.substr(0, 100);
        const std::string old = contentsOf(path);

        const std::string reason = saveOnAFullDisk(w.save, path, 512);
        EXPECT_EQ(reason, std::strerror(EFBIG)) << "the reason comes from the system";
        EXPECT_EQ(contentsOf(path), old);
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto &entry : fs::directory_iterator(dir))
            ++entries;
        EXPECT_EQ(entries, 1u) << "no temporary is left beside the file";

        // With room again the same save replaces the old file.
        EXPECT_EQ(saveOnAFullDisk(w.save, path, RLIM_INFINITY), "");
        EXPECT_EQ(contentsOf(path), whole);
        fs::remove(path);
    }
    fs::remove_all(dir);
}

} // namespace
} // namespace tarvex
