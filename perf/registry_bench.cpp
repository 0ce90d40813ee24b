// RegQueryValueExA on an open key of an unchanged registry file: the path every service object
// and control takes at start-up. Target: at least 200,000 queries per second.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/registry.h"

namespace {

// A private registry file with an OPOS configuration and a few hundred other keys around it.
class BenchRegistry {
public:
    BenchRegistry() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvreg-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir_ = pattern;
        ::setenv("ORV_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
        for (int i = 0; i < 300; ++i) {
            HKEY key;
            std::string name =
                "SOFTWARE\\Classes\\CLSID\\{" + std::to_string(100000 + i) + "}\\InprocServer32";
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr);
            RegCloseKey(key);
        }
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &info_, nullptr);
        set(info_, "Logpath", "C:\\Orvane\\Logs");
        set(info_, "Classpath", "C:\\Orvane\\lib");
        DWORD version = 0x01090000;
        RegSetValueExA(info_, "Version", 0, REG_DWORD, reinterpret_cast<BYTE*>(&version), 4);
    }
    ~BenchRegistry() {
        RegCloseKey(info_);
        std::filesystem::remove_all(dir_);
    }
    HKEY info() const { return info_; }

private:
    static void set(HKEY key, const char* name, const char* text) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::char_traits<char>::length(text) + 1));
    }
    std::string dir_;
    HKEY info_ = nullptr;
};

BenchRegistry& registry() {
    static BenchRegistry instance;
    return instance;
}

// What the service object does with Logpath: a 100-byte buffer.
void QueryStringValue(benchmark::State& state) {
    HKEY key = registry().info();
    char buffer[100];
    for (auto _ : state) {
        DWORD size = sizeof buffer, type = 0;
        LONG status = RegQueryValueExA(key, "Classpath", nullptr, &type,
                                       reinterpret_cast<BYTE*>(buffer), &size);
        if (status != ERROR_SUCCESS) state.SkipWithError("query failed");
        benchmark::DoNotOptimize(buffer);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QueryStringValue);

void QueryDwordValue(benchmark::State& state) {
    HKEY key = registry().info();
    for (auto _ : state) {
        DWORD value = 0, size = sizeof value;
        LONG status = RegQueryValueExA(key, "VERSION", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(&value), &size);
        if (status != ERROR_SUCCESS) state.SkipWithError("query failed");
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QueryDwordValue);

// The control object's path: open the device key, read its default value, close it.
void OpenQueryClose(benchmark::State& state) {
    registry();
    for (auto _ : state) {
        HKEY key = nullptr;
        char progid[100];
        DWORD size = sizeof progid;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane", 0,
                          KEY_READ, &key) != ERROR_SUCCESS ||
            RegQueryValueExA(key, "Logpath", nullptr, nullptr, reinterpret_cast<BYTE*>(progid),
                             &size) != ERROR_SUCCESS)
            state.SkipWithError("open or query failed");
        RegCloseKey(key);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(OpenQueryClose);

}  // namespace

BENCHMARK_MAIN();
