#include "m9ctl/commands.h"

#include "m9ctl/exit_codes.h"
#include "m9ctl/json_text.h"
#include "m9ctl/output_paths.h"
#include "drive/parameters/model/parameter_file.h"
#include "m9ctl/parameter_sheet.h"

#include <cstdio>
#include <map>

namespace m9ctl {

using namespace tarvex::parameters;

namespace {

constexpr const char *kPowerCycleNote = " Write Success, You need to on/off control power!";

// A parameter file's values by parameter, checked before anything is sent.
struct FileValues {
    std::vector<std::pair<ParameterRef, std::string>> values; // file order
};

int readFile(ParameterSheet &sheet, ConsoleMessages &messages, const std::string &path, FileValues &out)
{
    const std::vector<ParameterRef> order = sheet.fileOrder();
    std::vector<std::string> numbers;
    for (const ParameterRef &ref : order)
        numbers.push_back(sheet.number(ref));
    const ParameterFileReading reading = loadParameterFile(path, numbers);
    const std::optional<ParameterFileContents> &contents = reading.contents;
    if (!contents) {
        messages.fail(kFileError, "cannot open parameter file " + path + ": " + reading.problem);
        return kFileError;
    }
    if (!contents->mismatches.empty()) {
        const NumberMismatch &m = contents->mismatches.front();
        messages.fail(kFileError, path + ": parameter line " + std::to_string(m.position + 1) + " holds " +
                                      m.inFile + " where the parameter list has " + m.inCatalogue + " (" +
                                      std::to_string(contents->mismatches.size()) +
                                      " such lines); the file was saved for other parameters");
        return kFileError;
    }
    if (contents->values.empty()) {
        messages.fail(kFileError, path + " holds no parameter lines");
        return kFileError;
    }
    int code = kDone;
    for (const LoadedValue &v : contents->values) {
        if (v.position < 0 || static_cast<std::size_t>(v.position) >= order.size())
            continue;
        const ParameterRef ref = order[static_cast<std::size_t>(v.position)];
        if (ref.group != kGroupStatus) {
            const ParameterSheet::Refusal refusal = sheet.refusal(ref, v.value);
            if (refusal && !refusal.outOfRange) {
                messages.fail(kFileError, path + ": " + refusal.text);
                code = kFileError;
            }
        }
        out.values.emplace_back(ref, v.value);
    }
    return code;
}

// Reads every group from the drive into the sheet.
int readAll(DriveSession &session, ParameterSheet &sheet)
{
    const bool read = sheet.commands().AllRead(true);
    sheet.endProgress();
    if (!read)
        return worse(kLinkFailure, session.messages().worstCode());
    return kDone;
}

// Catalogue, model and link, in the order that reports file trouble first.
int prepare(DriveSession &session, ParameterSheet &sheet, bool connect)
{
    if (!session.openCatalogue() || !sheet.build())
        return worse(kFileError, session.messages().worstCode());
    sheet.showProgress(progressShown());
    if (connect && !session.connect())
        return worse(kLinkFailure, session.messages().worstCode());
    return kDone;
}

std::string driveValue(ParameterSheet &sheet, ParameterRef ref)
{
    return sheet.table(ref.group).valueText(ref.position);
}

// Refuses values the drive must not get and a running servo for the
// parameters that need it off; nothing has been written when it refuses.
int checkWrites(DriveSession &session, ParameterSheet &sheet,
                const std::vector<std::pair<ParameterRef, std::string>> &writes, int malformedCode)
{
    int code = kDone;
    bool servoOffNeeded = false;
    for (const auto &[ref, value] : writes) {
        const ParameterSheet::Refusal refusal = sheet.refusal(ref, value);
        if (refusal) {
            const int c = refusal.outOfRange ? kRefused : malformedCode;
            session.messages().fail(c, refusal.text);
            code = worse(code, c);
        }
        servoOffNeeded = servoOffNeeded || sheet.needsServoOff(ref);
    }
    if (code != kDone || !servoOffNeeded)
        return code;
    const std::optional<bool> on = session.servoOn();
    if (!on) {
        session.messages().fail(kLinkFailure, session.port() + ": the servo state (register 0) could not be read; "
                                              "nothing was written");
        return kLinkFailure;
    }
    if (*on) {
        for (const auto &[ref, value] : writes)
            if (sheet.needsServoOff(ref)) {
                const std::string parameter = sheet.describe(ref);
                session.messages().fail(kRefused, parameter +
                                                      " can only be changed with the servo off; the servo is on, "
                                                      "nothing was written");
                break;
            }
        return kRefused;
    }
    return kDone;
}

// Writes the values with the window's Write command, group by group, each
// row checked and single-written with the range, lock and servo checks.
int writeValues(DriveSession &session, ParameterSheet &sheet,
                const std::vector<std::pair<ParameterRef, std::string>> &writes)
{
    std::map<int, std::vector<std::pair<ParameterRef, std::string>>> byGroup;
    for (const auto &w : writes)
        byGroup[w.first.group].push_back(w);
    for (int g : sheet.settingsGroups()) {
        const auto it = byGroup.find(g);
        if (it == byGroup.end())
            continue;
        sheet.uncheckAll();
        MemoryTable &t = sheet.table(g);
        for (const auto &[ref, value] : it->second) {
            t.rows[static_cast<std::size_t>(ref.position)].value = value;
            t.rows[static_cast<std::size_t>(ref.position)].checked = true;
        }
        sheet.progress(tarvex::CParameter::Transfer::Writing, g);
        sheet.commands().Write(g);
        sheet.endProgress();
        if (session.messages().worstCode() != kDone)
            return session.messages().worstCode();
    }
    sheet.uncheckAll();
    return kDone;
}

bool powerCycleNeeded(ConsoleMessages &messages)
{
    for (const std::string &note : messages.notes())
        if (note == kPowerCycleNote)
            return true;
    return false;
}

int save(DriveSession &session, ParameterSheet &sheet, const std::string &path)
{
    if (int code = prepare(session, sheet, true))
        return code;
    if (int code = readAll(session, sheet))
        return code;
    if (!sheet.commands().Save(path))
        return kFileError;
    std::printf("saved %zu parameters to %s\n", sheet.fileOrder().size(), path.c_str());
    return session.messages().worstCode();
}

struct Difference {
    ParameterRef ref;
    std::string drive;
    std::string file;
};

std::vector<Difference> differences(ParameterSheet &sheet, const FileValues &file)
{
    std::vector<Difference> out;
    for (const auto &[ref, value] : file.values)
        if (ref.group != kGroupStatus && !sheet.sameValue(ref, driveValue(sheet, ref), value))
            out.push_back({ref, driveValue(sheet, ref), value});
    return out;
}

// The file checked first, then every value of the drive.
int readFileAndDrive(DriveSession &session, ParameterSheet &sheet, const std::string &path, FileValues &file)
{
    if (int code = prepare(session, sheet, false))
        return code;
    if (int code = readFile(sheet, session.messages(), path, file))
        return code;
    if (!session.connect())
        return worse(kLinkFailure, session.messages().worstCode());
    return readAll(session, sheet);
}

int diff(DriveSession &session, ParameterSheet &sheet, const std::string &path, bool json)
{
    FileValues file;
    if (int code = readFileAndDrive(session, sheet, path, file))
        return code;
    const std::vector<Difference> rows = differences(sheet, file);
    if (json) {
        std::vector<std::string> items;
        for (const Difference &d : rows)
            items.push_back(jsonObject({{"group", jsonString(kGroupTexts[static_cast<std::size_t>(d.ref.group)].tab)},
                                        {"object", jsonString(sheet.number(d.ref))},
                                        {"name", jsonString(sheet.name(d.ref))},
                                        {"drive", jsonString(d.drive)},
                                        {"file", jsonString(d.file)},
                                        {"unit", jsonString(sheet.unit(d.ref))}}));
        std::printf("%s\n", jsonArray(items).c_str());
    } else {
        for (const Difference &d : rows)
            std::printf("%s %s: drive %s, file %s\n", sheet.address(d.ref).c_str(), sheet.name(d.ref).c_str(),
                        d.drive.c_str(), d.file.c_str());
        if (rows.empty())
            std::printf("no differences\n");
    }
    return worse(rows.empty() ? kDone : kDifferent, session.messages().worstCode());
}

int load(DriveSession &session, ParameterSheet &sheet, const std::string &path, bool all, bool verify)
{
    FileValues file;
    if (int code = readFileAndDrive(session, sheet, path, file))
        return code;
    std::vector<std::pair<ParameterRef, std::string>> writes;
    for (const auto &[ref, value] : file.values)
        if (ref.group != kGroupStatus && (all || !sheet.sameValue(ref, driveValue(sheet, ref), value)))
            writes.emplace_back(ref, value);
    if (int code = checkWrites(session, sheet, writes, kFileError))
        return code;
    session.messages().clearNotes();
    if (int code = writeValues(session, sheet, writes))
        return code;
    std::printf("wrote %zu parameters from %s\n", writes.size(), path.c_str());
    if (powerCycleNeeded(session.messages()))
        std::printf("switch the control power off and on for the new values to take effect\n");
    if (!verify)
        return session.messages().worstCode();
    if (int code = readAll(session, sheet))
        return code;
    const std::vector<Difference> rows = differences(sheet, file);
    for (const Difference &d : rows) {
        const std::string parameter = sheet.describe(d.ref);
        session.messages().fail(kDifferent, "not verified: " + parameter + " reads " + d.drive +
                                                " from the drive, the file has " + d.file);
    }
    if (rows.empty())
        std::printf("verified %zu parameters\n", file.values.size());
    return worse(rows.empty() ? kDone : kDifferent, session.messages().worstCode());
}

// The parameter an argument names; a usage error when none, or when a bare
// object number leaves open which of its sub-indices is meant.
int resolve(const ParameterSheet &sheet, const std::string &argument, ParameterRef &out)
{
    const ParameterSheet::Lookup found = sheet.lookup(argument);
    if (found.ref) {
        out = *found.ref;
        return kDone;
    }
    if (found.subIndices.empty())
        return usageError("no parameter is named \"" + argument +
                          "\" (give its name, its object number, e.g. 0x2001, or object and sub-index, "
                          "e.g. 0x2304:5)");
    std::string list;
    for (const ParameterRef &ref : found.subIndices)
        list += "\n  " + sheet.address(ref) + "  " + sheet.name(ref);
    return usageError("object " + sheet.number(found.subIndices.front()) + " has " +
                      std::to_string(found.subIndices.size()) + " sub-indices; name one as OBJECT:SUBINDEX:" + list);
}

int get(DriveSession &session, ParameterSheet &sheet, const std::vector<std::string> &names)
{
    if (int code = prepare(session, sheet, false))
        return code;
    std::vector<ParameterRef> refs;
    for (const std::string &n : names) {
        ParameterRef ref;
        if (int code = resolve(sheet, n, ref))
            return code;
        refs.push_back(ref);
    }
    if (!session.connect())
        return worse(kLinkFailure, session.messages().worstCode());
    if (int code = readAll(session, sheet))
        return code;
    for (const ParameterRef &ref : refs) {
        const std::string unit = sheet.unit(ref);
        std::printf("%s %s = %s%s%s\n", sheet.address(ref).c_str(), sheet.name(ref).c_str(),
                    driveValue(sheet, ref).c_str(), unit.empty() || unit == "-" ? "" : " ", unit == "-" ? "" : unit.c_str());
    }
    return session.messages().worstCode();
}

int set(DriveSession &session, ParameterSheet &sheet, const std::vector<std::string> &assignments)
{
    if (int code = prepare(session, sheet, false))
        return code;
    std::vector<std::pair<ParameterRef, std::string>> writes;
    for (const std::string &a : assignments) {
        const std::size_t eq = a.rfind('=');
        if (eq == std::string::npos || eq == 0)
            return usageError("\"" + a + "\": write NAME=VALUE, OBJECT:SUBINDEX=VALUE or OBJECT=VALUE");
        const std::string n = a.substr(0, eq);
        ParameterRef ref;
        if (int code = resolve(sheet, n, ref))
            return code;
        writes.emplace_back(ref, a.substr(eq + 1));
    }
    int code = kDone;
    for (const auto &[ref, value] : writes) {
        const ParameterSheet::Refusal refusal = sheet.refusal(ref, value);
        if (refusal) {
            const int c = refusal.outOfRange ? kRefused : kUsage;
            session.messages().fail(c, refusal.text + "; nothing was written");
            code = worse(code, c);
        }
    }
    if (code != kDone)
        return code;
    if (!session.connect())
        return worse(kLinkFailure, session.messages().worstCode());
    if (int c = checkWrites(session, sheet, writes, kUsage))
        return c;
    session.messages().clearNotes();
    if (int c = writeValues(session, sheet, writes))
        return c;
    for (const auto &[ref, value] : writes)
        std::printf("%s %s = %s\n", sheet.address(ref).c_str(), sheet.name(ref).c_str(), value.c_str());
    if (powerCycleNeeded(session.messages()))
        std::printf("switch the control power off and on for the new values to take effect\n");
    return session.messages().worstCode();
}

} // namespace

int runParams(DriveSession &session, const std::vector<std::string> &argsIn)
{
    if (argsIn.empty())
        return usageError("params needs save, diff, load, get or set");
    const std::string verb = argsIn.front();
    CommandArgs args(std::vector<std::string>(argsIn.begin() + 1, argsIn.end()));
    const bool json = (verb == "diff") && args.flag("--json");
    const bool all = (verb == "load") && args.flag("--all");
    const bool verify = (verb == "load") && args.flag("--verify");
    if (std::optional<std::string> unknown = args.unknownOption(); unknown && verb != "set")
        return usageError("params " + verb + ": unknown option " + *unknown);
    const std::vector<std::string> &words = args.words();
    ParameterSheet sheet(session.drive());
    if (verb == "save" || verb == "diff" || verb == "load") {
        if (words.size() != 1)
            return usageError("params " + verb + " needs exactly one parameter file");
        if (verb == "save")
            return save(session, sheet,
                        driveOutputPath(words[0], session.port(), session.options().node, kParameterFileExtension,
                                        severalNodes(session.options())));
        if (verb == "diff")
            return diff(session, sheet, words[0], json);
        return load(session, sheet, words[0], all, verify);
    }
    if (verb == "get" || verb == "set") {
        if (words.empty())
            return usageError("params " + verb + " needs at least one parameter");
        return verb == "get" ? get(session, sheet, words) : set(session, sheet, words);
    }
    return usageError("unknown params command \"" + verb + "\" (save, diff, load, get or set)");
}

} // namespace m9ctl
