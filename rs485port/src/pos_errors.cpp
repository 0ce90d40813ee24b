#include "pos_errors.h"

#include "rs485port/pos_subsystem.h"
#include "rs485port/transport.h"

namespace orv::rs485 {
namespace {

// Texts as the transport has always written them, spelling included.
constexpr PosErrorEntry kPosErrors[] = {
    {POSERR_NOT_INITIALIZED, "Pos not initialized!\n", TR_E_POSS_NOT_INITIALIZED},
    {POSERR_BAD_DESCRIPTOR, "Attempt to use invalid POSS device descriptor\n",
     TR_E_POSS_DESCRIPTOR},
    {POSERR_NO_MEMORY, "POSS OOM!\n", TR_E_POSS},
    {POSERR_NOT_SUPPORTED, "Pos function not supported!\n", TR_E_POSS},
    {POSERR_BUFFER_TOO_SMALL, "Pos buffer to small error!\n", TR_E_POSS},
    {POSERR_NOT_ACQUIRED, "POSS Sys not acquired!\n", TR_E_POSS},
    {POSERR_OFFLINE, "Pos device offline!\n", TR_E_POSS},
    {POSERR_BAD_LENGTH, "invalide byte length!\n", TR_E_POSS},
    {POSERR_TIMED_OUT, "POSS timed out!\n", TR_E_POSS},
    {POSERR_INTERRUPTED, "POSS interrupted error!\n", TR_E_POSS},
    {POSERR_BAD_ADDRESS, "Poss invalid address!\n", TR_E_POSS},
    {POSERR_LOCKED, "Pos sys locked no read!\n", TR_E_POSS},
    {POSERR_NOT_AVAILABLE, "Pos service not available!\n", TR_E_POSS},
    {POSERR_WRITE_PENDING, "Pos previous write not complete!\n", TR_E_POSS},
    // The subsystem's transmit-abort message number, logged through the same table.
    {POSM_RS232_XMIT_ABORT, "Recived TransmitAbort Mesage!", 0},
};

constexpr PosErrorEntry kOtherError{0, "Pos Error Message ID %d\n", 0};

}  // namespace

const PosErrorEntry& FindPosError(int number) {
    for (const PosErrorEntry& entry : kPosErrors) {
        if (entry.number == number) return entry;
    }
    return kOtherError;
}

}  // namespace orv::rs485
