// What each POS subsystem error number means to the transport: its trace text and the result
// code it leaves (0: the result is left as it was).
#pragma once

namespace orv::rs485 {

struct PosErrorEntry {
    int number;
    const char* text;  // a printf format for the catch-all entry ("%d": the number)
    int result;
};

// The entry of an error number; unknown numbers get the catch-all "Pos Error Message ID %d\n".
const PosErrorEntry& FindPosError(int number);

}  // namespace orv::rs485
