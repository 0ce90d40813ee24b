// orv-hello: creates "Orv.Hello" by ProgID and calls it late-bound, by name, as an automation
// client would. Register the server first: regsvr lib/libOrvHelloServer.so
#include <cstdio>
#include <string>

#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/dispatch_driver.h"

namespace {

// Prints a failed step with its HRESULT and returns the exit code.
int Fail(const char* step, HRESULT hr) {
    std::fprintf(stderr, "orv-hello: %s failed (0x%08X)\n", step, static_cast<unsigned>(hr));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string name = argc > 1 ? argv[1] : "point of sale";
    if (FAILED(CoInitialize(nullptr))) return 1;
    int rc = 0;
    {
        orv::DispatchDriver hello;
        HRESULT hr = hello.CreateDispatch("Orv.Hello");
        if (FAILED(hr)) {
            rc = Fail("creating Orv.Hello (is it registered with regsvr?)", hr);
        } else {
            DISPID greet = 0, add = 0, calls = 0;
            if (FAILED(hr = hello.GetDispId("Greet", &greet)) || FAILED(hr = hello.GetDispId("Add", &add)) ||
                FAILED(hr = hello.GetDispId("Calls", &calls))) {
                rc = Fail("GetIDsOfNames", hr);
            } else {
                BSTR greeting = nullptr;
                int32_t sum = 0, count = 0;
                if (FAILED(hr = hello.Call(greet, &greeting, name.c_str())) ||
                    FAILED(hr = hello.Call(add, &sum, 19, 23)) || FAILED(hr = hello.Get(calls, &count))) {
                    rc = Fail("Invoke", hr);
                } else {
                    std::printf("Greet(\"%s\") [DISPID %d] -> %s\n", name.c_str(), greet,
                                orv::AnsiFromBstr(greeting).c_str());
                    std::printf("Add(19, 23) [DISPID %d] -> %d\n", add, sum);
                    std::printf("Calls [DISPID %d] -> %d\n", calls, count);
                }
                SysFreeString(greeting);
            }
        }
    }
    CoUninitialize();
    return rc;
}
