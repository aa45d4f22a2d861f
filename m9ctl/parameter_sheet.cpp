#include "m9ctl/parameter_sheet.h"

#include "m9ctl/m9ctl_options.h"
#include "drive/text/number_text.h"

#include "drive/parameters/parameter_text.h"
#include "drive/parameters/model/write_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

namespace m9ctl {

using namespace tarvex::parameters;


ParameterSheet::ParameterSheet(tarvex::DriveConnection &drive) : drive_(drive), service_(&drive)
{
    commands_ = std::make_unique<ParameterCommands>(service_, catalogue_);
}

bool ParameterSheet::build()
{
    for (int g : readOrder(service_.factoryGroupShown())) {
        GroupCatalogue &group = catalogue_.groups[static_cast<std::size_t>(g)];
        if (!loadGroupCatalogue(drive_.database(), g, group, drive_.messages()))
            return false;
        MemoryTable &t = tables_[static_cast<std::size_t>(g)];
        t.rows.clear();
        for (const ParameterAttribute &p : group.attributes)
            t.rows.push_back({text(p.Param_Value), text(p.Param_Value), text(p.Param_Unit), false});
        commands_->setTable(g, &t);
    }
    return commands_->buildModel(drive_.database());
}

const ParameterAttribute &ParameterSheet::attribute(ParameterRef ref) const
{
    return catalogue_.groups[static_cast<std::size_t>(ref.group)].attributes[static_cast<std::size_t>(ref.position)];
}

std::vector<ParameterRef> ParameterSheet::fileOrder() const
{
    std::vector<ParameterRef> refs;
    for (int g : fileGroupOrder(service_.factoryGroupShown())) {
        const GroupCatalogue &group = catalogue_.groups[static_cast<std::size_t>(g)];
        if (!group.loaded)
            continue;
        for (int k = 0; k < group.count(); ++k)
            refs.push_back({g, k});
    }
    return refs;
}

std::vector<int> ParameterSheet::settingsGroups() const { return writeOrder(service_.factoryGroupShown()); }

namespace {

// A sub-index as the catalogue or the user writes it: decimal, 0..65535.
std::optional<std::int64_t> subIndexNumber(const std::string &textIn)
{
    const std::optional<std::int64_t> n = tarvex::strictDecimal(trimmed(textIn));
    if (!n || *n < 0 || *n > 0xFFFF)
        return std::nullopt;
    return n;
}

} // namespace

ParameterSheet::Lookup ParameterSheet::lookup(const std::string &nameOrAddress) const
{
    const std::string wanted = lowerCase(trimmed(nameOrAddress));
    if (wanted.empty())
        return {};
    const std::vector<ParameterRef> order = fileOrder();
    for (const ParameterRef &ref : order)
        if (lowerCase(trimmed(name(ref))) == wanted)
            return {ref, {}};
    const std::size_t colon = wanted.find(':');
    const std::string object = trimmed(wanted.substr(0, colon));
    std::optional<std::int64_t> sub;
    if (colon != std::string::npos) {
        sub = subIndexNumber(wanted.substr(colon + 1));
        if (!sub)
            return {};
    }
    std::vector<ParameterRef> ofObject;
    for (const ParameterRef &ref : order)
        if (lowerCase(number(ref)) == object)
            ofObject.push_back(ref);
    if (!sub)
        return ofObject.size() == 1 ? Lookup{ofObject.front(), {}} : Lookup{std::nullopt, ofObject};
    for (const ParameterRef &ref : ofObject)
        if (subIndexNumber(subIndex(ref)) == sub)
            return {ref, {}};
    return {};
}

std::string ParameterSheet::number(ParameterRef ref) const { return text(attribute(ref).Param_Num); }
std::string ParameterSheet::name(ParameterRef ref) const { return text(attribute(ref).Param_Name); }
std::string ParameterSheet::subIndex(ParameterRef ref) const { return trimmed(text(attribute(ref).Servo_ID)); }

std::string ParameterSheet::address(ParameterRef ref) const
{
    const std::string object = number(ref);
    int sharing = 0;
    for (const ParameterRef &other : fileOrder())
        if (number(other) == object)
            ++sharing;
    return sharing > 1 ? object + ":" + subIndex(ref) : object;
}

std::string ParameterSheet::unit(ParameterRef ref) const
{
    const MemoryTable &t = tables_[static_cast<std::size_t>(ref.group)];
    return ref.position < t.rowCount() ? t.rows[static_cast<std::size_t>(ref.position)].unit : std::string();
}

std::string ParameterSheet::describe(ParameterRef ref) const
{
    return std::string(kGroupTexts[static_cast<std::size_t>(ref.group)].tab) + " " + address(ref) + " " + name(ref);
}

ParameterSheet::Refusal ParameterSheet::refusal(ParameterRef ref, const std::string &textIn) const
{
    const ParameterAttribute &p = attribute(ref);
    const std::string value = trimmed(textIn);
    const std::string quoted = "\"" + textIn + "\"";
    if (kGroupTexts[static_cast<std::size_t>(ref.group)].writeError == nullptr)
        return {false, describe(ref) + " is a status value and cannot be written"};
    const bool wide = p.Param_Bit_Type == 2;
    // The same strict reading as the parameter window's.
    if (!parameterWords(value, p.Param_DataType, p.Param_Bit_Type))
        return {false, describe(ref) + ": " + quoted + " is not " + acceptedText(p, ref.group, ref.position)};
    if (isRangeChecked(p.Param_DataType, p.Param_Bit_Type)) {
        const RangeCheck bounds = wide ? RangeCheck{} : writeRangeCheck(ref.group, ref.position);
        if (!withinRange(value, text(p.Param_Min_Value), text(p.Param_Max_Value), bounds))
            return {true, describe(ref) + ": " + value + " is outside its range " + text(p.Param_Min_Value) + " .. " +
                   text(p.Param_Max_Value)};
    }
    return {};
}

ParameterWords ParameterSheet::words(ParameterRef ref, const std::string &value) const
{
    // Only texts the refusal check has let through come here.
    const ParameterAttribute &p = attribute(ref);
    return parameterWords(trimmed(value), p.Param_DataType, p.Param_Bit_Type).value_or(ParameterWords{});
}

bool ParameterSheet::sameValue(ParameterRef ref, const std::string &a, const std::string &b) const
{
    const ParameterWords x = words(ref, a);
    const ParameterWords y = words(ref, b);
    return x.first == y.first && x.second == y.second;
}

bool ParameterSheet::needsServoOff(ParameterRef ref) const
{
    const std::uint8_t change = attribute(ref).Param_Change;
    return change == 1 || change == 2;
}

void ParameterSheet::showProgress(bool shown)
{
    progressShown_ = shown;
    if (shown)
        service_.setProgressListener([this](tarvex::CParameter::Transfer transfer, int group) { progress(transfer, group); });
    else
        service_.setProgressListener({});
}

void ParameterSheet::progress(tarvex::CParameter::Transfer transfer, int group) const
{
    if (progressShown_ && isValidGroup(group))
        std::fprintf(stderr, "\r%s %-20s", transfer == tarvex::CParameter::Transfer::Reading ? "reading" : "writing",
                     kGroupTexts[static_cast<std::size_t>(group)].tab);
}

void ParameterSheet::endProgress() const
{
    if (progressShown_)
        std::fprintf(stderr, "\r%-28s\r", "");
}

void ParameterSheet::uncheckAll()
{
    for (MemoryTable &t : tables_)
        for (MemoryTable::Row &row : t.rows)
            row.checked = false;
}

} // namespace m9ctl
