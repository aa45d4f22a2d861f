#include "tests/app/operation/drive_requests.h"

#include <sstream>

namespace tarvex::test {

namespace {

std::vector<std::uint8_t> hexBytes(const std::string &text)
{
    std::vector<std::uint8_t> bytes;
    std::istringstream in(text);
    std::string cell;
    while (in >> cell)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(cell, nullptr, 16)));
    return bytes;
}

std::uint16_t word(const std::vector<std::uint8_t> &bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

} // namespace

std::function<void(const std::string &)> DriveRequests::sink()
{
    return [this](const std::string &line) { take(line); };
}

void DriveRequests::take(const std::string &line)
{
    static const std::string kReceived = "rx: ";
    if (line.rfind(kReceived, 0) != 0)
        return;
    const auto bytes = hexBytes(line.substr(kReceived.size()));
    if (bytes.size() < 8)
        return;
    DriveRequest request;
    request.address = word(bytes, 2);
    switch (bytes[1]) {
    case 0x03:
        request.kind = DriveRequest::Kind::Read;
        request.count = word(bytes, 4);
        break;
    case 0x06:
        request.kind = DriveRequest::Kind::Write;
        request.count = 1;
        request.values = {word(bytes, 4)};
        break;
    case 0x10: {
        request.kind = DriveRequest::Kind::Write;
        request.count = word(bytes, 4);
        for (int i = 0; i < request.count && 7u + 2u * static_cast<unsigned>(i) + 1 < bytes.size(); ++i)
            request.values.push_back(word(bytes, 7 + 2 * static_cast<std::size_t>(i)));
        break;
    }
    default:
        return;
    }
    std::lock_guard lock(m_mutex);
    m_requests.push_back(std::move(request));
}

std::vector<DriveRequest> DriveRequests::all() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<std::uint16_t> DriveRequests::singleWrites(std::uint16_t address) const
{
    std::vector<std::uint16_t> values;
    for (const DriveRequest &r : all())
        if (r.kind == DriveRequest::Kind::Write && r.address == address && r.count == 1)
            values.push_back(r.values.front());
    return values;
}

std::vector<std::vector<std::uint16_t>> DriveRequests::blockWrites(std::uint16_t address) const
{
    std::vector<std::vector<std::uint16_t>> blocks;
    for (const DriveRequest &r : all())
        if (r.kind == DriveRequest::Kind::Write && r.address == address && r.count > 1)
            blocks.push_back(r.values);
    return blocks;
}

std::vector<DriveRequest> DriveRequests::writesTo(std::uint16_t address) const
{
    std::vector<DriveRequest> writes;
    for (const DriveRequest &r : all())
        if (r.kind == DriveRequest::Kind::Write && r.address == address)
            writes.push_back(r);
    return writes;
}

std::size_t DriveRequests::readsOf(std::uint16_t address) const
{
    std::size_t reads = 0;
    for (const DriveRequest &r : all())
        if (r.kind == DriveRequest::Kind::Read && r.address == address)
            ++reads;
    return reads;
}

std::size_t DriveRequests::writeCount() const
{
    std::size_t writes = 0;
    for (const DriveRequest &r : all())
        if (r.kind == DriveRequest::Kind::Write)
            ++writes;
    return writes;
}

void DriveRequests::clear()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

} // namespace tarvex::test
