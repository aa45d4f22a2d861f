#include "tests/simulator/sim_test_support.h"

#include "link/crc16.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace vq::simtest {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string writeCatalogue(const std::vector<CatalogueRow> &rows)
{
    char dir[] = "/tmp/vq_sim_catalogue_XXXXXX";
    if (!mkdtemp(dir))
        throw std::runtime_error("mkdtemp failed");
    const std::string path = std::string(dir) + "/M9A_Tarvex-DATA_ENG.mdb";
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create the catalogue");
    sqlite3_exec(db,
                 "CREATE TABLE Parameter (Param_ID INTEGER, Servo_ID TEXT, Param_Group_ID INTEGER, "
                 "Param_Group_Name TEXT, Param_Name TEXT, Param_Value TEXT, Param_Unit TEXT, "
                 "Param_Max_Value TEXT, Param_Min_Value TEXT, Param_Address INTEGER, "
                 "Param_DataType INTEGER, Param_Bit_Type INTEGER, Param_Change INTEGER, Param_Num TEXT)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Parameter VALUES (?, '0', ?, 'Group', 'Parameter', ?, '-', '65535', "
                       "'-65535', ?, ?, ?, 0, '0x2000')",
                       -1, &insert, nullptr);
    int id = 1;
    for (const CatalogueRow &r : rows) {
        sqlite3_bind_int(insert, 1, id++);
        sqlite3_bind_int(insert, 2, r.group);
        sqlite3_bind_text(insert, 3, r.value.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 4, r.address);
        sqlite3_bind_int(insert, 5, r.dataType);
        sqlite3_bind_int(insert, 6, r.bitType);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return path;
}

std::vector<CatalogueRow> fixtureRows()
{
    return {
        {0, "0", 40, 2, 1},        {0, "0", 42, 2, 1},
        {1, "00A5", 100, 1, 1},    // hexadecimal
        {1, "0101", 102, 0, 1},    // binary digits
        {1, "100000", 104, 3, 2},  // 32-bit, low word first
        {1, "-20", 108, 2, 1},     // signed
        {1, "1500", 110, 3, 1},
        {2, "250", 82, 3, 1},      // load inertia
        {4, "700", 158, 3, 1},     // jog speed
        {4, "300", 160, 2, 1},     {4, "-300", 162, 2, 1}, {4, "600", 164, 2, 1}, {4, "0", 166, 2, 1},
        {4, "150", 168, 3, 1},     {4, "150", 170, 3, 1},  {4, "150", 172, 3, 1},
        {4, "0", 174, 3, 1},       // program Time4, also the notch filter switch
        {4, "1000", 176, 3, 1},    {4, "100", 178, 3, 1},
        {5, "6", 304, 3, 1},       {5, "2", 306, 3, 1},
    };
}

sim::CatalogueDefaults loadFixture()
{
    sim::CatalogueDefaults defaults;
    std::string error;
    if (!sim::loadCatalogueDefaults(writeCatalogue(fixtureRows()), defaults, error))
        throw std::runtime_error(error);
    return defaults;
}

std::unique_ptr<sim::VirtualDrive> startDrive(std::uint8_t node, unsigned lineSpeed)
{
    sim::DriveOptions options;
    options.node = node;
    options.lineSpeed = lineSpeed;
    options.paced = false;
    auto drive = std::make_unique<sim::VirtualDrive>(options, loadFixture());
    std::string error;
    if (!drive->start(error))
        throw std::runtime_error(error);
    return drive;
}

// ---- link session -----------------------------------------------------

LinkSession::LinkSession(const std::string &device, std::uint8_t node, unsigned baud)
{
    CommCreate();
    CommInitDevice(node, device.c_str(), baud, VQ_NO_EVENT);
    connected_ = CommConnect(VQ_NO_EVENT) == 1;
}

LinkSession::~LinkSession()
{
    CommDisConnect();
    CommDestroy();
}

namespace {

Words toWords(const std::uint8_t *bytes, int result, std::uint8_t status)
{
    Words w;
    w.status = status;
    w.result = result;
    for (int i = 0; i + 1 < result; i += 2)
        w.values.push_back(static_cast<std::uint16_t>((bytes[i] << 8) | bytes[i + 1]));
    return w;
}

} // namespace

Words LinkSession::read(std::uint16_t address, int count)
{
    std::uint8_t buffer[256] = {};
    std::uint8_t status = 1;
    const int result = CommRdMtRegister(address, count, buffer, &status);
    return toWords(buffer, result, status);
}

Words LinkSession::readSingle(std::uint16_t address, int attemptMode)
{
    std::uint8_t buffer[2] = {};
    std::uint8_t status = 1;
    const int result = CommRdSgRegister(address, buffer, &status, attemptMode);
    return toWords(buffer, result, status);
}

Words LinkSession::scattered(const std::vector<std::uint16_t> &addresses)
{
    ScatteredRequest request{};
    request.byteCount = static_cast<std::uint8_t>(2 * addresses.size());
    for (std::size_t i = 0; i < addresses.size() && i < 126; ++i)
        request.addresses[i] = addresses[i];
    std::uint8_t buffer[256] = {};
    std::uint8_t status = 1;
    const int result = CommRdEachRegister(request, buffer, &status);
    return toWords(buffer, result, status);
}

std::uint8_t LinkSession::write(std::uint16_t address, std::uint16_t value)
{
    std::uint8_t status = 1;
    CommWrSgRegister(address, value, &status);
    return status;
}

std::uint8_t LinkSession::writeBlock(std::uint16_t address, const std::vector<std::uint16_t> &values)
{
    std::uint8_t status = 1;
    CommWrMtRegister(address, static_cast<int>(values.size()), values.data(), &status);
    return status;
}

std::vector<std::uint8_t> LinkSession::trace(std::uint8_t mode, std::uint8_t &status, int &result)
{
    std::vector<std::uint8_t> buffer(256, 0);
    status = 1;
    result = CommRdTraceData(4, buffer.data(), &status, mode);
    buffer.resize(static_cast<std::size_t>(std::max(0, result)));
    return buffer;
}

std::vector<std::int16_t> LinkSession::readSamples(std::uint16_t first, int count)
{
    std::vector<std::int16_t> out;
    for (int done = 0; done < count; done += 64) {
        const Words w = read(static_cast<std::uint16_t>(first + 2 * done), std::min(64, count - done));
        if (w.status != 0)
            return {};
        for (std::uint16_t v : w.values)
            out.push_back(static_cast<std::int16_t>(v));
    }
    return out;
}

// ---- raw line ---------------------------------------------------------

namespace {

speed_t speedOf(unsigned baud)
{
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    default: return B115200;
    }
}

} // namespace

RawLine::RawLine(const std::string &device, unsigned baud)
{
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0)
        setBaud(baud);
}

RawLine::~RawLine()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void RawLine::setBaud(unsigned baud)
{
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speedOf(baud));
    cfsetospeed(&tio, speedOf(baud));
    tcsetattr(fd_, TCSANOW, &tio);
}

void RawLine::send(const std::vector<std::uint8_t> &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
}

std::vector<std::uint8_t> RawLine::receive(std::size_t count, int timeoutMs)
{
    std::vector<std::uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        std::uint8_t chunk[2048];
        const ssize_t n = ::read(fd_, chunk, std::min(sizeof chunk, count - out.size()));
        if (n > 0)
            out.insert(out.end(), chunk, chunk + n);
    }
    return out;
}

std::vector<std::uint8_t> withCrc(std::vector<std::uint8_t> frame)
{
    const std::size_t body = frame.size();
    frame.resize(body + 2);
    modbus::appendCrc(frame.data(), body);
    return frame;
}

std::vector<std::int16_t> rotate(const std::vector<std::int16_t> &ring, int start)
{
    std::vector<std::int16_t> out(ring.size());
    for (std::size_t k = 0; k < ring.size(); ++k)
        out[k] = ring[(static_cast<std::size_t>(start) + k) % ring.size()];
    return out;
}

} // namespace vq::simtest
