// What the two libraries of this folder export: exactly their documented entry points.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

std::set<std::string> Exports(const std::string& library) {
    std::set<std::string> names;
    FILE* pipe = popen(("nm -D --defined-only " + library).c_str(), "r");
    if (pipe == nullptr) return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        text = text.substr(text.find(' ', text.find(' ') + 1) + 1);  // after "address type "
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        names.insert(text);
    }
    EXPECT_EQ(pclose(pipe), 0);
    return names;
}

std::string BuildDir() {
    const char* build = std::getenv("ORV_BUILD_DIR");
    return build != nullptr ? build : ".";
}

TEST(Rs485Exports, Rs485PortLibHasTheTransportApiAndThePortNatives) {
    EXPECT_EQ(Exports(BuildDir() + "/lib/libRs485PortLib.so"),
              (std::set<std::string>{"Transport_Open", "Transport_Close", "Transport_Read",
                                     "Transport_Write", "Transport_SetClient",
                                     "Transport_GetResult",
                                     "Java_com_orv_comm_Rs485PortLibPort_Open",
                                     "Java_com_orv_comm_Rs485PortLibPort_Close",
                                     "Java_com_orv_comm_Rs485PortLibPort_Write"}));
}

TEST(Rs485Exports, SimulatedSubsystemHasTheEntryPointsByPlainNameAndItsControls) {
    const std::set<std::string> names = Exports(BuildDir() + "/lib/possim/libaiplib32.so");
    for (const char* entry : {"PosClose", "PosErrno", "PosInitialize", "PosIOCtl", "PosOpen",
                              "PosRead", "PosTerm", "PosVersion", "PosWrite"})
        EXPECT_EQ(names.count(entry), 1u) << entry;
    for (const std::string& name : names)
        EXPECT_TRUE(name.rfind("Pos", 0) == 0 || name.rfind("orvposs_", 0) == 0) << name;
}

}  // namespace
