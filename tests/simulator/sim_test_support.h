// Shared pieces of the virtual drive's tests: a small catalogue file made
// with sqlite3, a session of the real link library on the drive's
// pseudo-terminal, and a raw serial client for byte-level exchanges.
#pragma once

#include "simulator/src/catalogue_defaults.h"
#include "simulator/src/virtual_drive.h"
#include "vq_communication.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vq::simtest {

struct CatalogueRow {
    int group = 1;
    std::string value;
    int address = 0;
    int dataType = 3;
    int bitType = 1;
};

// Writes an SQLite catalogue with table Parameter (all its columns) holding
// the rows; returns its path inside a fresh temporary directory.
std::string writeCatalogue(const std::vector<CatalogueRow> &rows);

// A catalogue of a handful of parameters of every kind, including the
// jog, program jog, inertia and notch registers.
std::vector<CatalogueRow> fixtureRows();

sim::CatalogueDefaults loadFixture();

// A started drive in instant mode on node `node`, with the fixture catalogue.
std::unique_ptr<sim::VirtualDrive> startDrive(std::uint8_t node = 0, unsigned lineSpeed = 19200);

struct Words {
    std::vector<std::uint16_t> values;
    std::uint8_t status = 1;
    int result = 0;
};

// The link library opened on a device for the life of the object.
class LinkSession {
public:
    LinkSession(const std::string &device, std::uint8_t node = 0, unsigned baud = 19200);
    ~LinkSession();
    bool connected() const { return connected_; }

    Words read(std::uint16_t address, int count);
    Words readSingle(std::uint16_t address, int attemptMode = 1);
    Words scattered(const std::vector<std::uint16_t> &addresses);
    std::uint8_t write(std::uint16_t address, std::uint16_t value);
    std::uint8_t writeBlock(std::uint16_t address, const std::vector<std::uint16_t> &values);
    // One trace read: returns the data bytes, `status` and `result`.
    std::vector<std::uint8_t> trace(std::uint8_t mode, std::uint8_t &status, int &result);
    // Reads a long capture area block by block (64 registers per read).
    std::vector<std::int16_t> readSamples(std::uint16_t first, int count);

private:
    bool connected_ = false;
};

// A plain serial client on the device, for byte-level exchanges.
class RawLine {
public:
    RawLine(const std::string &device, unsigned baud);
    ~RawLine();
    bool isOpen() const { return fd_ >= 0; }
    void setBaud(unsigned baud);
    void send(const std::vector<std::uint8_t> &bytes);
    // Reads until `count` bytes have come or `timeoutMs` has passed.
    std::vector<std::uint8_t> receive(std::size_t count, int timeoutMs);
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

std::vector<std::uint8_t> withCrc(std::vector<std::uint8_t> frame);

// Samples in the order the drive recorded them: index k of the result is
// received sample (start + k) mod size.
std::vector<std::int16_t> rotate(const std::vector<std::int16_t> &ring, int start);

void sleepMs(int ms);

} // namespace vq::simtest
