// What every benchmark shares: a short mode for the scripted runs, the run
// directory it takes its libraries and catalogue from, and a loud end when
// it cannot measure what it names. A figure of a broken run reads like any
// other, so such a run must never end in success.
#pragma once

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tarvex::bench {

// True when "--quick" is among the arguments: the same measurement with
// fewer repetitions or a shorter run. The flag is taken out, so the other
// arguments keep their places.
inline bool takeQuickFlag(int &argc, char **argv)
{
    bool quick = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return quick;
}

// Says in one line on standard error why there is no figure; returns the
// exit code for main.
[[gnu::format(printf, 1, 2)]] inline int cannotMeasure(const char *format, ...)
{
    std::fflush(stdout);
    std::fprintf(stderr, "%s: cannot measure: ", program_invocation_short_name);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return 1;
}

// The staged run directory: the libraries, the programs and the catalogue.
// TARVEX_BENCH_RUN_DIR names another one: a copy with a library taken away
// shows that the benchmarks notice.
inline std::string runDirectory()
{
    const char *other = std::getenv("TARVEX_BENCH_RUN_DIR");
    return other && *other ? other : TARVEX_RUN_DIRECTORY;
}

inline std::string runFile(const std::string &name) { return runDirectory() + "/" + name; }

// The English catalogue, as the program opens it on an English system.
inline std::string englishCatalogue() { return runFile("DB/M9A_Tarvex-DATA_ENG.mdb"); }

} // namespace tarvex::bench
