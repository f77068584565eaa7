#include "access/command.h"

#include <cstring>

#include "tkr/protocol.h"

namespace tkr {

int32_t RunCommand(DeviceConnection& connection, std::vector<uint8_t>& frame, uint32_t dataLength,
                   uint8_t* data, const TransferProgress* progress) {
    uint8_t reply[kReplyBufferSize] = {};
    TransferPhase write{frame.data(), static_cast<uint32_t>(frame.size()), 0, progress};
    TransferPhase read{reply, dataLength + 1};
    const int32_t result = Exchange(connection, State().pipes, &write, &read);
    if (result != TKRUSB20_RET_SUCCESS)
        return result;
    if (reply[0] != 0)
        return SystemResult(reply[0]);
    if (data && dataLength > 0)
        std::memcpy(data, reply + 1, dataLength);
    return TKRUSB20_RET_SUCCESS;
}

}  // namespace tkr
