// The POS subsystem library, loaded by name ("aiplib32") at first use and kept for the life of
// the process. Entry points are taken by their plain names; every one but PosErrno is required,
// else the library is freed again. A call that finds no usable library fails like an entry
// point does (-1) and Errno then answers POSERR_NOT_AVAILABLE (337); the load is retried by the
// next call.
#pragma once

#include "rs485port/pos_subsystem.h"

namespace orv::rs485 {

class PosLibrary {
public:
    static PosLibrary& Get();

    int Initialize(const char* text, const char* resourceFile);
    int Open(const char* deviceName, const char* deviceType, int argCount, const PosOpenArg* args);
    int IOCtl(int descriptor, int request);
    int Read(int descriptor, void* buffer, int length);
    int Write(int descriptor, const void* data, int length);
    int Close(int descriptor);
    // The error number of this thread's last failed call.
    int Errno();

private:
    PosLibrary() = default;
    bool Ensure();
};

}  // namespace orv::rs485
