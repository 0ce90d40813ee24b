// Taking one announced block of incoming data into a device's receive buffer. A block read from
// the subsystem starts with a 16-bit status word and a 16-bit data length (little-endian); the
// data follows. Kept apart from the transport so that every byte pattern can be fuzzed.
#pragma once

#include <cstdint>
#include <functional>

namespace orv::rs485 {

struct IncomingOutcome {
    enum Kind {
        kZeroLength,   // announced with 0 bytes: nothing read
        kDropped,      // would not fit beside the bytes held: left unread
        kData,         // `added` bytes appended
        kNothingNew,   // read, but it carried no data bytes
        kStatusError,  // the status word is 1, 2 or 4
        kReadFailed,   // the read gave 1 byte or less (PosErrno tells why)
    };
    Kind kind = kZeroLength;
    int read = 0;  // what the read returned
    uint16_t status = 0;
    uint32_t added = 0;
};

// Reads into `into` at most `capacity` bytes; returns PosRead's result.
using BlockReader = std::function<int(uint8_t* into, int capacity)>;

// buffer holds `held` bytes of a TR_RECEIVE_BUFFER-byte receive buffer. Reads at most the free
// space after them; appends the block's data (never more than was actually read, whatever its
// length word says), keeps a zero byte after the data and zeroes whatever else the read left.
IncomingOutcome TakeIncomingData(uint8_t* buffer, uint32_t& held, uint32_t announced,
                                 const BlockReader& read);

}  // namespace orv::rs485
