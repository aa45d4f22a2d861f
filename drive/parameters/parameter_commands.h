// The commands of the parameter window over the service and the group
// tables: "All Read", "Read", "Write", "All Write", the two lock commands,
// and saving and loading parameter files. Each command runs to its end on
// the caller's thread and tells the user its outcome through the drive
// connection's message service; the link calls go through the service.
#pragma once

#include "drive/parameters/group_table.h"
#include "drive/parameters/parameter_catalogue.h"
#include "drive/parameters/parameter_service.h"
#include "drive/parameters/parameter_text.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tarvex::parameters {

class ParameterCommands {
public:
    ParameterCommands(CParameter &service, const ParameterCatalogue &catalogue);

    void setTable(int group, GroupTable *table);
    GroupTable *table(int group) const;

    // Sets the service's layout from the catalogue for groups 0 to 7 (6 only
    // when shown), stopping at the first group the catalogue could not
    // give; true when every group is ready.
    bool buildModel(const DatabaseLibrary &database);

    // "All Read": reads every group and shows it; at the window's opening
    // the success message is left out. False when the read failed.
    bool AllRead(bool opening);
    // The read-all display of every group from the register images.
    void showAllGroups(const std::string &versionText);

    // Steps of the progress shown while a command runs: the groups of "All
    // Read" and "All Write", the link exchanges "Read" and "Write" plan.
    int allReadSteps() const;
    int allWriteSteps() const;
    int readExchanges(int group) const;
    int writeExchanges(int group) const;
    // "Read": the checked rows of `group`.
    void Read(int group);
    // "Write": the checked rows of `group`, with the servo, range and lock
    // checks. True when every checked row was written; the success message
    // is left to the caller when `announce` is false.
    bool Write(int group, bool announce = true);
    // The success message of Write.
    void announceWritten(bool needPowerCycle) const;

    enum class AllWriteOutcome { Finished, RefusedWhileMonitoring };
    // "All Write": every settings group as one block each.
    AllWriteOutcome AllWrite();

    // "P.Lock" and "P.UnLock".
    void LockParameters(bool lock);

    // Parameter files: every shown group's values in file order.
    bool Save(const std::string &path);
    bool Load(const std::string &path);

private:
    MessageService *messages() const;
    void show(const std::string &text, const std::string &detail = {}) const;
    void inform(const std::string &text) const;
    void commitEditing() const;
    // The groups whose tables exist and were filled from the catalogue, in `order`.
    std::vector<int> filledGroups(const std::vector<int> &order) const;
    // Whether a single or block write may go on: 8 ends the command, and 6
    // is the parameter lock on drives that report it.
    bool writeAccepted(std::uint16_t result, bool lockReported) const;
    // Text of a range violation's detail.
    std::string rangeDetail(int group, int position, const std::string &value) const;
    void restyleWritten(GroupTable &table, int position, bool written) const;
    std::optional<std::uint16_t> versionForWriting() const;
    // The read-all display of `groups`; without a version text the status
    // group's version cell keeps what it showed.
    void showGroups(const std::vector<int> &groups, const std::optional<std::string> &versionText);
    // The groups that All Read and All Write take, in their order.
    std::vector<int> readyGroups(const std::vector<int> &order) const;
    // Cancel clicked: what was done and what was not, in one message.
    void reportAllReadCancelled();
    void reportAllWriteCancelled(const std::vector<int> &groups, std::size_t written) const;
    void reportWriteCancelled(const std::vector<std::string> &written, const std::vector<std::string> &notWritten) const;

    // One row of one group's table.
    struct Row {
        int group = 0;
        int position = 0;
    };
    const ParameterAttribute &attribute(Row row) const;
    // "Control, 0x2100 Notch Filter Use".
    std::string rowName(Row row) const;
    // The words of a text about to be written; a text the parameter cannot
    // hold is reported by name and the cell shows the drive's value again.
    std::optional<ParameterWords> wordsForWriting(Row row, const std::string &value);
    void refuseRange(Row row, const std::string &value);
    void showDriveValue(Row row);
    // Words from the drive in a row's cell, by the rules of All Read or Read.
    enum class Display { ReadAll, Read };
    void showFetched(Row row, ParameterWords words, ValueColour colour, Display display);
    // The other rows of the register this single-register row is held in.
    std::vector<Row> rowsSharing(Row row) const;
    void showOnSharingRows(Row row, std::uint16_t word, ValueColour colour);

    CParameter &service_;
    const ParameterCatalogue &catalogue_;
    std::array<GroupTable *, kGroupCount> tables_{};
};

} // namespace tarvex::parameters
