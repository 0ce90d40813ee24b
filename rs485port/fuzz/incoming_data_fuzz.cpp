// Any announced block against any fill of the receive buffer: nothing may be read or written
// out of bounds, bytes already held never change, no more data is appended than the read
// carried after its header, and the buffer past the held bytes stays zero.
//
// Input: bytes 0-1 the bytes held (mod 4,097), bytes 2-3 the announced count, byte 4 the
// read's result: 0 = the block's size, 1 = -1, 2 = 4,096 × 16 (a reader that lies), else the
// block's size modulo the value; the rest is the block the subsystem hands over.
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <vector>

#include "incoming_data.h"
#include "rs485port/transport.h"

using namespace orv::rs485;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const uint32_t heldBefore = uint32_t(data[0] | data[1] << 8) % (TR_RECEIVE_BUFFER + 1);
    const uint32_t announced = uint32_t(data[2] | data[3] << 8);
    const uint8_t mode = data[4];
    const uint8_t* block = data + 5;
    const size_t blockSize = size - 5;

    std::vector<uint8_t> buffer(TR_RECEIVE_BUFFER, 0);
    for (uint32_t i = 0; i < heldBefore; ++i) buffer[i] = uint8_t(0x80 | (i & 0x7F));
    uint32_t held = heldBefore;
    size_t copied = 0;
    size_t readable = 0;  // what the transport may take the read to have given
    const IncomingOutcome outcome =
        TakeIncomingData(buffer.data(), held, announced, [&](uint8_t* into, int capacity) {
            if (capacity < 0 || into + capacity > buffer.data() + buffer.size()) std::abort();
            copied = std::min<size_t>(blockSize, size_t(capacity));
            std::memcpy(into, block, copied);
            int result = int(copied);
            if (mode == 1) result = -1;
            if (mode == 2) result = TR_RECEIVE_BUFFER * 16;
            if (mode > 2) result = int(copied % mode);
            readable = result > 0 ? std::min<size_t>(size_t(result), size_t(capacity)) : 0;
            return result;
        });
    if (held > TR_RECEIVE_BUFFER || held != heldBefore + outcome.added) std::abort();
    if (outcome.added > (readable >= 4 ? readable - 4 : 0)) std::abort();
    for (uint32_t i = 0; i < heldBefore; ++i)
        if (buffer[i] != uint8_t(0x80 | (i & 0x7F))) std::abort();
    // The data appended is the block's, as far as the block went (a lying reader adds zeros).
    const size_t real = std::min<size_t>(outcome.added, copied >= 4 ? copied - 4 : 0);
    if (real > 0 && std::memcmp(buffer.data() + heldBefore, block + 4, real) != 0) std::abort();
    for (size_t i = held; i < buffer.size(); ++i)
        if (buffer[i] != 0) std::abort();
    return 0;
}
