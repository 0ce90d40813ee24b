// LoadLibraryA / GetProcAddress / FreeLibrary / SetErrorMode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/win32.h"

namespace {

using AnswerFn = int (*)();

std::string ModuleDir() {
    const char* dir = std::getenv("ORV_WIN32_TEST_MODULE_DIR");
    return dir != nullptr ? dir : "";
}

std::string ModulePath() {
    return ModuleDir() + "/liborvw32testmod.so";
}

bool ModuleDirOnLibraryPath() {
    const char* path = std::getenv("LD_LIBRARY_PATH");
    return !ModuleDir().empty() && path != nullptr &&
           std::string(path).find(ModuleDir()) != std::string::npos;
}

TEST(LoadLibraryTest, LoadsByPathAndFindsItsSymbols) {
    if (ModuleDir().empty()) GTEST_SKIP() << "run through ctest (ORV_WIN32_TEST_MODULE_DIR)";
    HMODULE module = LoadLibraryA(ModulePath().c_str());
    ASSERT_NE(module, nullptr) << ModulePath();
    // Through void*: FARPROC's own type is not the procedure's (-Wcast-function-type).
    auto answer = reinterpret_cast<AnswerFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "orv_test_module_answer")));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);

    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "no_such_symbol"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(1))), nullptr)
        << "an ordinal is never read as a name";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    // Windows' __stdcall decoration is dropped when the decorated name is not there.
    EXPECT_NE(GetProcAddress(module, "orv_test_module_answer@0"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "orv_test_module_answer@x"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "orv_test_module_answer@"), nullptr);
    // RTLD_LOCAL: the module's symbols are not in the global scope.
    EXPECT_EQ(GetProcAddress(nullptr, "orv_test_module_answer"), nullptr);

    EXPECT_TRUE(FreeLibrary(module));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "orv_test_module_answer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(LoadLibraryTest, BareNamesFollowTheNameRule) {
    if (!ModuleDirOnLibraryPath())
        GTEST_SKIP() << "run through ctest, which puts the test module folder on LD_LIBRARY_PATH";
    HMODULE byPath = LoadLibraryA(ModulePath().c_str());
    ASSERT_NE(byPath, nullptr);
    for (const char* name : {"orvw32testmod", "orvw32testmod.dll", "orvw32testmod.DLL",
                             "liborvw32testmod.so", "liborvw32testmod"}) {
        HMODULE module = LoadLibraryA(name);
        EXPECT_EQ(module, byPath) << name;
        if (module != nullptr) {
            EXPECT_TRUE(FreeLibrary(module));
        }
    }
    EXPECT_TRUE(FreeLibrary(byPath));
}

TEST(LoadLibraryTest, LoadsAreCounted) {
    if (ModuleDir().empty()) GTEST_SKIP() << "run through ctest (ORV_WIN32_TEST_MODULE_DIR)";
    HMODULE first = LoadLibraryA(ModulePath().c_str());
    HMODULE second = LoadLibraryA(ModulePath().c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_NE(GetProcAddress(second, "orv_test_module_answer"), nullptr);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_FALSE(FreeLibrary(second));
}

TEST(LoadLibraryTest, FailuresReportTheirReason) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("orv-no-such-module"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("/nonexistent/dir/libx.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(LoadLibraryA(""), nullptr);

    HMODULE madeUp = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x1234));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(madeUp, "orv_test_module_answer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(madeUp));
    EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST(LoadLibraryTest, NullModuleMeansTheProgram) {
    // The platform library is linked by the program, so its exports are in the global scope.
    EXPECT_NE(GetProcAddress(nullptr, "GetTickCount"), nullptr);
}

TEST(SetErrorModeTest, ReturnsThePreviousMode) {
    const UINT original = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS), static_cast<UINT>(SEM_NOOPENFILEERRORBOX));
    EXPECT_EQ(SetErrorMode(original), static_cast<UINT>(SEM_FAILCRITICALERRORS));
}

}  // namespace
