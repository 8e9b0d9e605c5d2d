// The system message table of the stand-in: the Windows (en-US) texts of the statuses it can give.
#include <cstring>
#include <iterator>

#include "platform/registry.h"

namespace quorvane::platform {

namespace {

struct Message {
    Status status;
    const char* text;
};

constexpr Message kMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {170, "The requested resource is in use.\r\n"},
    {234, "More data is available.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1016, "An I/O operation initiated by the registry failed unrecoverably. The registry could "
           "not read in, or write out, or flush, one of the files that contain the system's "
           "image of the registry.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1630, "Data of this type is not supported.\r\n"},
};

}  // namespace

std::uint32_t format_message(Status status, char* buffer, std::uint32_t size) noexcept {
    for (const Message& message : kMessages) {
        if (message.status != status) continue;
        const std::size_t length = std::strlen(message.text);
        if (buffer == nullptr || length >= size) return 0;
        std::memcpy(buffer, message.text, length + 1);
        return static_cast<std::uint32_t>(length);
    }
    return 0;
}

}  // namespace quorvane::platform
