#include "incoming_data.h"

#include <algorithm>
#include <cstring>

#include "rs485port/pos_subsystem.h"
#include "rs485port/transport.h"

namespace orv::rs485 {
namespace {

uint16_t LittleEndian16(const uint8_t* bytes) {
    return uint16_t(bytes[0] | bytes[1] << 8);
}

bool IsErrorStatus(uint16_t status) {
    return status == POS_READ_STATUS_ERROR_1 || status == POS_READ_STATUS_ERROR_2 ||
           status == POS_READ_STATUS_ERROR_4;
}

}  // namespace

IncomingOutcome TakeIncomingData(uint8_t* buffer, uint32_t& held, uint32_t announced,
                                 const BlockReader& read) {
    IncomingOutcome outcome;
    if (announced == 0) return outcome;
    if (held > TR_RECEIVE_BUFFER || announced > TR_RECEIVE_BUFFER - held) {
        outcome.kind = IncomingOutcome::kDropped;
        return outcome;
    }
    const int capacity = int(TR_RECEIVE_BUFFER - held);
    uint8_t* block = buffer + held;
    outcome.read = read(block, capacity);
    // A reader that claims more than it was allowed to write has written no more than that.
    const int got = std::min(outcome.read, capacity);
    uint32_t data = 0;
    if (got <= 1) {
        outcome.kind = IncomingOutcome::kReadFailed;
    } else {
        outcome.status = LittleEndian16(block);
        if (IsErrorStatus(outcome.status)) {
            outcome.kind = IncomingOutcome::kStatusError;
        } else if (got >= 4) {
            data = std::min<uint32_t>(LittleEndian16(block + 2), uint32_t(got - 4));
            std::memmove(block, block + 4, data);
        }
    }
    // The zero after the data, and nothing the read left behind (whatever it said it wrote).
    std::memset(block + data, 0, size_t(capacity) - data);
    if (outcome.kind == IncomingOutcome::kReadFailed || outcome.kind == IncomingOutcome::kStatusError)
        return outcome;
    held += data;
    outcome.added = data;
    outcome.kind = data > 0 ? IncomingOutcome::kData : IncomingOutcome::kNothingNew;
    return outcome;
}

}  // namespace orv::rs485
