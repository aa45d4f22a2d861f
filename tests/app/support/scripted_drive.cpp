#include "tests/app/support/scripted_drive.h"

#include "link/modbus_frame.h"

namespace tarvex::test {

namespace modbus = vq::modbus;

ScriptedDrive::ScriptedDrive(unsigned pacedBaud)
    : responder_([this](const Bytes &request) { return answer(request); }, pacedBaud)
{
}

void ScriptedDrive::set(std::uint16_t address, std::uint16_t value)
{
    std::lock_guard lock(mutex_);
    registers_[address] = value;
}

std::uint16_t ScriptedDrive::value(std::uint16_t address) const
{
    std::lock_guard lock(mutex_);
    const auto it = registers_.find(address);
    return it == registers_.end() ? 0 : it->second;
}

void ScriptedDrive::refuseReadsAt(std::uint16_t address, std::uint8_t code)
{
    std::lock_guard lock(mutex_);
    refused_[address] = code;
}

std::vector<std::vector<std::uint16_t>> ScriptedDrive::scatteredRequests() const
{
    std::vector<std::vector<std::uint16_t>> out;
    for (const Bytes &request : responder_.requests()) {
        if (request.size() < 5 || request[1] != modbus::kScatteredRead)
            continue;
        std::vector<std::uint16_t> addresses;
        for (std::size_t i = 0; i + 1 < request[2] && 3 + i + 1 < request.size(); i += 2)
            addresses.push_back(modbus::getWord(&request[3 + i]));
        out.push_back(addresses);
    }
    return out;
}

Bytes ScriptedDrive::answer(const Bytes &request)
{
    if (silent_ || request.size() < 4 || request[0] != 0)
        return {};
    const std::uint8_t node = request[0];
    switch (request[1]) {
    case modbus::kReadRegisters: {
        const std::uint16_t start = modbus::getWord(&request[2]);
        const std::uint16_t count = modbus::getWord(&request[4]);
        {
            std::lock_guard lock(mutex_);
            if (const auto refused = refused_.find(start); refused != refused_.end())
                return vq::test::PtyResponder::exceptionReply(node, request[1], refused->second);
        }
        std::vector<std::uint16_t> values;
        for (std::uint16_t i = 0; i < count; ++i)
            values.push_back(value(static_cast<std::uint16_t>(start + 2 * i)));
        return vq::test::PtyResponder::readReply(node, values);
    }
    case modbus::kWriteSingle:
        set(modbus::getWord(&request[2]), modbus::getWord(&request[4]));
        return vq::test::PtyResponder::withCrc(Bytes(request.begin(), request.begin() + 6));
    case modbus::kWriteMultiple: {
        const std::uint16_t start = modbus::getWord(&request[2]);
        const std::uint16_t count = request.size() >= 7 ? modbus::getWord(&request[4]) : 0;
        if (request.size() < 7u + 2u * count)
            return vq::test::PtyResponder::exceptionReply(node, request[1], 3);
        for (std::uint16_t i = 0; i < count; ++i)
            set(static_cast<std::uint16_t>(start + 2 * i), modbus::getWord(&request[7 + 2 * i]));
        return vq::test::PtyResponder::withCrc(Bytes(request.begin(), request.begin() + 6));
    }
    case modbus::kScatteredRead: {
        if (const std::uint8_t code = refuseScattered_)
            return vq::test::PtyResponder::exceptionReply(node, request[1], code);
        const std::uint8_t n = request[2];
        Bytes reply{node, modbus::kScatteredRead, n};
        for (std::size_t i = 0; i + 1 < n; i += 2) {
            const std::uint16_t v = value(modbus::getWord(&request[3 + i]));
            reply.push_back(static_cast<std::uint8_t>(v >> 8));
            reply.push_back(static_cast<std::uint8_t>(v & 0xFF));
        }
        return vq::test::PtyResponder::withCrc(reply);
    }
    default:
        return vq::test::PtyResponder::exceptionReply(node, request[1], 1);
    }
}

} // namespace tarvex::test
