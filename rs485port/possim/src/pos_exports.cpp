// The subsystem's entry points, by their plain names. Nothing throws across them.
#include "rs485port/pos_subsystem.h"
#include "sim_state.h"

using orv::possim::Sim;

namespace {

template <typename Call>
int Guarded(Call call) {
    try {
        return call();
    } catch (...) {
        return -1;
    }
}

}  // namespace

extern "C" {

ORV_API int PosInitialize(const char* text, const char* resourceFile, int reserved1,
                          int reserved2, int reserved3, int reserved4) {
    const bool zero = reserved1 == 0 && reserved2 == 0 && reserved3 == 0 && reserved4 == 0;
    return Guarded([&] { return Sim::Get().Initialize(text, resourceFile, zero); });
}

ORV_API int PosTerm(void) {
    return Guarded([] { return Sim::Get().Term(); });
}

ORV_API int PosVersion(char* buffer, int size, int* version) {
    return Guarded([&] { return Sim::Get().Version(buffer, size, version); });
}

ORV_API int PosOpen(const char* deviceName, const char* deviceType, int argCount,
                    const PosOpenArg* args) {
    return Guarded([&] { return Sim::Get().Open(deviceName, deviceType, argCount, args); });
}

ORV_API int PosIOCtl(int descriptor, int request, void*, int) {
    return Guarded([&] { return Sim::Get().IOCtl(descriptor, request); });
}

ORV_API int PosRead(int descriptor, void* buffer, int length) {
    return Guarded([&] { return Sim::Get().Read(descriptor, buffer, length); });
}

ORV_API int PosWrite(int descriptor, const void* data, int length) {
    return Guarded([&] { return Sim::Get().Write(descriptor, data, length); });
}

ORV_API int PosClose(int descriptor) {
    return Guarded([&] { return Sim::Get().Close(descriptor); });
}

ORV_API int PosErrno(void) {
    return Sim::Errno();
}

}  // extern "C"
