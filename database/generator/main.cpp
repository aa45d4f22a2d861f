// Builds one edition of the parameter catalogue from the CSV sources:
//
//   tarvex_catalogue_generator --parameters data/m9a_parameters.csv
//       --servos data/m9a_servos.csv [--translation data/m9a_parameters_ko.csv]
//       --output run/DB/M9A_Tarvex-DATA_ENG.mdb
//
// Without --translation the English texts of the parameter table are used.
// Any defect in the sources is reported with file and line, and the exit
// status 1 fails the build; no output file is left behind then.
#include "database/generator/catalogue_source.h"
#include "database/generator/catalogue_writer.h"
#include "database/generator/source_error.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

struct Options {
    std::string parameters;
    std::string servos;
    std::string translation;
    std::string output;
};

constexpr const char *kUsage =
    "usage: tarvex_catalogue_generator --parameters FILE.csv --servos FILE.csv "
    "[--translation FILE.csv] --output FILE.mdb\n";

bool parseOptions(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view flag = argv[i];
        if (i + 1 >= argc)
            return false;
        const std::string value = argv[++i];
        if (flag == "--parameters")
            options.parameters = value;
        else if (flag == "--servos")
            options.servos = value;
        else if (flag == "--translation")
            options.translation = value;
        else if (flag == "--output")
            options.output = value;
        else
            return false;
    }
    return !options.parameters.empty() && !options.servos.empty() && !options.output.empty();
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        std::vector<vq::catalogue::ParameterRow> parameters = vq::catalogue::loadParameters(options.parameters);
        if (!options.translation.empty())
            vq::catalogue::applyTranslation(options.translation, parameters);
        const std::vector<vq::catalogue::ServoRow> servos = vq::catalogue::loadServos(options.servos);
        std::filesystem::remove(options.output);
        vq::catalogue::writeCatalogue(options.output, parameters, servos);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "tarvex_catalogue_generator: error: %s\n", error.what());
        std::error_code ignored;
        std::filesystem::remove(options.output + ".partial", ignored);
        return 1;
    }
    return 0;
}
