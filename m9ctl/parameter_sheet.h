// The drive's parameters without a window: one in-memory table per group
// under the parameter window's own commands (All Read, Write, the file
// save and load), so that m9ctl reads, checks and writes exactly as the
// window does. Adds what a script needs on top: finding a parameter by its
// name or object number and refusing a value that is not well formed.
#pragma once

#include "drive/parameters/group_table.h"
#include "drive/parameters/parameter_catalogue.h"
#include "drive/parameters/parameter_commands.h"
#include "drive/parameters/model/parameter_file.h"
#include "drive/parameters/parameter_service.h"
#include "drive/parameters/parameter_text.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace m9ctl {

class MemoryTable : public tarvex::parameters::GroupTable {
public:
    struct Row {
        std::string value;
        std::string defaultValue;
        std::string unit;
        bool checked = false;
    };
    std::vector<Row> rows;

    int rowCount() const override { return static_cast<int>(rows.size()); }
    bool isChecked(int index) const override
    {
        const Row *row = at(index);
        return row && row->checked;
    }
    std::string valueText(int index) const override
    {
        const Row *row = at(index);
        return row ? row->value : std::string();
    }
    std::string defaultText(int index) const override
    {
        const Row *row = at(index);
        return row ? row->defaultValue : std::string();
    }
    void showValue(int index, const std::string &text, tarvex::parameters::ValueLook) override
    {
        if (Row *row = at(index))
            row->value = text;
    }
    void setValueLook(int, tarvex::parameters::ValueLook) override {}
    void setUnit(int index, const std::string &text) override
    {
        if (Row *row = at(index))
            row->unit = text;
    }
    void commitEditing() override {}

private:
    Row *at(int index) { return index >= 0 && index < rowCount() ? &rows[static_cast<std::size_t>(index)] : nullptr; }
    const Row *at(int index) const
    {
        return index >= 0 && index < rowCount() ? &rows[static_cast<std::size_t>(index)] : nullptr;
    }
};

struct ParameterRef {
    int group = 0;
    int position = 0;
};

class ParameterSheet {
public:
    explicit ParameterSheet(tarvex::DriveConnection &drive);

    // Loads the catalogue's groups and lays out the model; false (reported)
    // when the catalogue cannot give them.
    bool build();

    tarvex::parameters::ParameterCommands &commands() { return *commands_; }
    MemoryTable &table(int group) { return tables_[static_cast<std::size_t>(group)]; }
    const ParameterAttribute &attribute(ParameterRef ref) const;
    // The groups in file order, and every parameter in that order.
    std::vector<ParameterRef> fileOrder() const;
    // Settings groups as All Write sends them.
    std::vector<int> settingsGroups() const;

    // What a parameter argument picks out: a name, an object number with
    // its sub-index ("0x2304:5"), or a bare object number ("0x2001"), which
    // stands for its one sub-index only; a bare object with several picks
    // none and lists them instead, so that no sub-index is written unmeant.
    struct Lookup {
        std::optional<ParameterRef> ref;
        std::vector<ParameterRef> subIndices;
    };
    Lookup lookup(const std::string &nameOrAddress) const;
    // Either case; nullopt when none or when the object has several sub-indices.
    std::optional<ParameterRef> find(const std::string &nameOrAddress) const { return lookup(nameOrAddress).ref; }

    std::string number(ParameterRef ref) const;
    std::string subIndex(ParameterRef ref) const;
    // "0x2304:5" for an object with several sub-indices, else "0x2001".
    std::string address(ParameterRef ref) const;
    std::string name(ParameterRef ref) const;
    std::string unit(ParameterRef ref) const;
    // "System 0x2001 Motor ID" for messages.
    std::string describe(ParameterRef ref) const;

    // Why `text` cannot be written to the parameter: malformed (or a status
    // value), or out of the catalogue's range with the window's own
    // exemptions. Empty text when it can be written.
    struct Refusal {
        bool outOfRange = false;
        std::string text;
        explicit operator bool() const { return !text.empty(); }
    };
    Refusal refusal(ParameterRef ref, const std::string &text) const;
    // The register words of a value text, for comparing values whatever
    // their spelling ("00FF", "FF").
    tarvex::parameters::ParameterWords words(ParameterRef ref, const std::string &text) const;
    bool sameValue(ParameterRef ref, const std::string &a, const std::string &b) const;
    bool needsServoOff(ParameterRef ref) const;

    void uncheckAll();

    // Progress on standard error: the group being read or written.
    void showProgress(bool shown);
    void progress(tarvex::CParameter::Transfer transfer, int group) const;
    void endProgress() const;

private:
    tarvex::DriveConnection &drive_;
    tarvex::CParameter service_;
    tarvex::parameters::ParameterCatalogue catalogue_;
    std::array<MemoryTable, tarvex::parameters::kGroupCount> tables_;
    std::unique_ptr<tarvex::parameters::ParameterCommands> commands_;
    bool progressShown_ = false;
};

} // namespace m9ctl
