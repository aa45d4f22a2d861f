// In-memory image of the drive controller's memories, built from an Intel
// HEX file for one download: program memory (1,536 rows of 512
// instructions), EEPROM (128 rows) and configuration (8 rows). The HEX file
// holds each 24-bit instruction as four bytes (low, high, upper, zero); the
// image keeps them as 16-bit words of two HEX bytes each, and a program row
// goes to the boot loader as three bytes per instruction.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

namespace upgrader {

// Why a path typed or chosen for the download cannot be a firmware image,
// as one sentence naming the path; empty when it may be one. Only the
// file's kind and its first line are looked at: the download still checks
// every record before anything is sent.
std::string hexPathProblem(const std::string &path);

enum class RowType : std::uint8_t { Program = 0, Eeprom = 1, Configuration = 2 };

struct ImageRow {
    RowType type = RowType::Program;
    int rowNumber = 0;          // within its type
    std::uint32_t startAddress = 0; // controller word address
    int rowSize = 0;            // instructions (program) or entries
    int family = 1;             // 1: 512-instruction program rows
    bool empty = true;
    std::array<std::uint16_t, 1024> data;
    std::vector<std::uint8_t> transmit;

    ImageRow() { data.fill(0xFFFF); }
    // Word addresses this row accepts: [startAddress, startAddress + span).
    std::uint32_t span() const;
    bool accepts(std::uint32_t wordAddress) const
    {
        return wordAddress >= startAddress && wordAddress < startAddress + span();
    }
};

enum class HexResult {
    Ok,
    UnknownRecordType, // a record type other than data, end of file and extended linear address
    BadHexFile,        // a malformed record, a wrong checksum or a word outside every row
};

class FirmwareImage {
public:
    static constexpr int kProgramRows = 1536;
    static constexpr int kEepromRows = 128;
    static constexpr int kConfigurationRows = 8;
    static constexpr int kRows = kProgramRows + kEepromRows + kConfigurationRows;
    static constexpr std::size_t kProgramRowBytes = 1536;
    static constexpr std::size_t kLineLimit = 4095; // characters a record line may hold

    FirmwareImage();

    // Reads the whole file into the image. Every record is checked (record
    // mark, hexadecimal digits, length, checksum) before it is used, so a
    // file that fails leaves nothing that could be sent.
    HexResult read(std::istream &hex);
    // Line number (1-based) of the record that made read() fail.
    int failedLine() const { return failedLine_; }
    // Why a file that read() took is still not a whole firmware: it holds no
    // data record (an empty file would rewrite row 0 blank but for the reset
    // jump), or its end-of-file record is missing (it may have been cut
    // short). Empty when it is whole. The reader itself stays lenient; the
    // download refuses such a file before anything is sent.
    std::string incompleteFileText() const;

    // Puts the controller's own first two instructions (read back from it,
    // b[0] being the goto opcode 0x04) over program words 0 to 3.
    void overlayResetJump(const std::uint8_t b[6]);
    // Fills every non-empty row's transmit buffer.
    void formatRows();

    const ImageRow &row(int index) const { return *rows_[static_cast<std::size_t>(index)]; }
    // Index of the row that accepts a word address, or -1.
    static int rowIndexFor(std::uint32_t wordAddress);
    // The four bytes of the boot loader's write-row command for a program row.
    static std::array<std::uint8_t, 4> rowHeader(const ImageRow &row);

private:
    bool storeWord(std::uint32_t wordAddress, std::uint16_t value);

    std::vector<std::unique_ptr<ImageRow>> rows_;
    int failedLine_ = 0;
    bool sawData_ = false;
    bool sawEnd_ = false;
};

} // namespace upgrader
