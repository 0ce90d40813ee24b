// Opens device 1/1/1 with the POS start-up in the folder given and prints what happened, for
// the loader tests: each run is a process of its own with its own library path.
//   opened=<0|1> result=<code> status=<code> unavailable=<log names error 337> mapped=<the
//   subsystem library is still loaded>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "rs485port/transport.h"

namespace {

std::string Read(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: rs485port_open_probe <folder>\n");
        return 2;
    }
    int handle = 0;
    int status = 0;
    const int opened = Transport_Open(&handle, 1, 1, 1, 1, nullptr, &status, nullptr, nullptr);
    const int result = Transport_GetResult();
    const bool unavailable =
        Read("Rs485PortLibLog.txt").find("Pos service not available!\n") != std::string::npos;
    const bool mapped = Read("/proc/self/maps").find("libaiplib32.so") != std::string::npos;
    std::printf("opened=%d result=%d status=%d unavailable=%d mapped=%d\n", opened, result, status,
                unavailable ? 1 : 0, mapped ? 1 : 0);
    if (opened != 0) Transport_Close(handle, &status);
    return 0;
}
