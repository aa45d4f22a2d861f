#include "drive/connection/link_causes.h"

#include "vq_communication.h"

namespace tarvex {

namespace {

std::string where(const LinkPlace &place)
{
    std::string text = "node " + std::to_string(int{place.node});
    if (!place.port.empty())
        text += " on " + place.port;
    if (place.baud != 0)
        text += " at " + std::to_string(place.baud) + " baud";
    return text;
}

// The Modbus exception codes a drive answers with, by what they mean here.
const char *exceptionMeaning(std::uint8_t code)
{
    switch (code) {
    case 1:
        return "it does not know this request";
    case 2:
        return "it has no such register";
    case 4:
        return "it failed while carrying the request out";
    case 5:
        return "it is still working on an earlier request";
    case 6:
        return "it is busy or its parameters are locked";
    default:
        return "it refused the request";
    }
}

} // namespace

std::string linkCause(std::uint8_t status, const LinkPlace &place)
{
    switch (status) {
    case VQ_STATUS_OK:
        return {};
    case VQ_STATUS_NOT_ATTEMPTED:
        return "nothing was sent to " + where(place) + ": the link is not open";
    case VQ_STATUS_NODE_MISMATCH:
        return "a drive other than " + where(place) + " answered: check the node number";
    case VQ_STATUS_NO_REPLY:
        return "no reply from " + where(place) + " in time: check node, baud rate and cable";
    case VQ_STATUS_FAILED_READ:
        return "the reply from " + where(place) +
               " was cut off or garbled: check the cable, its screen and the baud rate";
    default:
        return where(place) + " answered with exception " + std::to_string(int{status}) + ": " +
               exceptionMeaning(status);
    }
}

} // namespace tarvex
