// What the m9ctl benchmarks share: their rounds, the catalogue their virtual
// drives hold, a scratch folder and one timed run of m9ctl that fails loudly.
#pragma once

#include "bench/bench_run.h"
#include "simulator/src/catalogue_defaults.h"
#include "tests/m9ctl/program_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace tarvex::bench {

struct M9ctlBench {
    int rounds = 3;                       // the first argument; 3, or 1 in the short mode
    vq::sim::CatalogueDefaults defaults;  // every parameter of the shipped catalogue
    std::string folder;                   // m9ctl's working folder, removed at the end
    std::string problem;                  // why nothing can be measured; empty when ready

    M9ctlBench(int &argc, char **argv, const char *name)
    {
        const bool quick = takeQuickFlag(argc, argv);
        rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : quick ? 1 : 3;
        if (!vq::sim::loadCatalogueDefaults(englishCatalogue(), defaults, problem)) {
            problem = "the catalogue did not load: " + problem;
            return;
        }
        problem.clear();
        folder = (std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(getpid())))
                     .string();
        std::filesystem::create_directories(folder);
    }
    ~M9ctlBench()
    {
        if (!folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }
    M9ctlBench(const M9ctlBench &) = delete;
    M9ctlBench &operator=(const M9ctlBench &) = delete;

    // One run of m9ctl in the folder: its time in milliseconds, or -1 with
    // its exit code and standard error told on standard error.
    double timedRun(const std::vector<std::string> &args) const
    {
        const auto start = std::chrono::steady_clock::now();
        const m9test::Outcome result = m9test::runProgram(runFile("m9ctl"), args, folder);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (result.code == 0)
            return ms;
        std::string said;
        for (const std::string &a : args)
            said += " " + a;
        std::fprintf(stderr, "m9ctl%s exited with %d: %s", said.c_str(), result.code, result.err.c_str());
        return -1;
    }

    std::string file(const std::string &name) const { return folder + "/" + name; }
};

} // namespace tarvex::bench
