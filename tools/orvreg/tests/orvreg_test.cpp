// Runs the orvreg program as a person or an installer would, on a private registry file.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void spit(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string data_file(const char* name) {
    const char* source = std::getenv("ORV_SOURCE_DIR");
    return std::string(source ? source : ".") + "/platform/registry/tests/data/" + name;
}

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

class Orvreg : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvreg-tool-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        registry_ = dir_ + "/registry.reg";
        const char* build = std::getenv("ORV_BUILD_DIR");
        program_ = std::string(build ? build : ".") + "/bin/orvreg";
        ASSERT_TRUE(std::filesystem::exists(program_)) << program_;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs orvreg with stdin from /dev/null (no terminal), as scripts and CI do.
    Outcome run(const std::vector<std::string>& args) {
        std::string out = dir_ + "/stdout", err = dir_ + "/stderr";
        pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("ORV_REGISTRY", registry_.c_str(), 1);
            ::alarm(30);  // a hang ends as exit code 142 instead of stopping the run
            int in = ::open("/dev/null", O_RDONLY);
            int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(in, 0);
            ::dup2(o, 1);
            ::dup2(e, 2);
            std::vector<char*> argv{const_cast<char*>(program_.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program_.c_str(), argv.data());
            ::_exit(127);
        }
        Outcome result;
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = slurp(out);
        result.err = slurp(err);
        return result;
    }

    void import_opos() {
        Outcome r = run({"import", data_file("opos_install.reg")});
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_EQ(r.out, "The operation completed successfully.\n");
    }

    std::string dir_, registry_, program_;
};

const char kDone[] = "The operation completed successfully.\n";
const char kNotFound[] =
    "ERROR: The system was unable to find the specified registry key or value.\n";

TEST_F(Orvreg, ImportThenExportRoundTripsTheOposConfiguration) {
    import_opos();
    const std::string golden = slurp(data_file("opos_export.golden.reg"));
    std::string exported = dir_ + "/export.reg";
    Outcome r = run({"export", "HKLM\\SOFTWARE", exported});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, kDone);
    EXPECT_EQ(slurp(exported), golden);

    // Into an empty registry and out again, also as regedit's UTF-16: every key and value comes
    // back.
    std::string utf16 = dir_ + "/utf16.reg", wide = "\xFF\xFE";
    for (char c : golden) wide += std::string{c, '\0'};
    spit(utf16, wide);
    for (const std::string& file : {exported, utf16}) {
        registry_ = file + ".registry";
        ASSERT_EQ(run({"import", file}).code, 0);
        std::string again = dir_ + "/again.reg";
        ASSERT_EQ(run({"export", "HKEY_LOCAL_MACHINE\\SOFTWARE", again, "/y"}).code, 0);
        EXPECT_EQ(slurp(again), golden) << file;
    }
}

TEST_F(Orvreg, QueryLayout) {
    import_opos();
    const std::string msr = "HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR";
    Outcome r = run({"query", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR\\M1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "\n" + msr +
                         "\\M1\n"
                         "    (Default)    REG_SZ    ORVMsr.so\n"
                         "    Devicename    REG_SZ    ZR88xxMSR\n\n");

    r = run({"query", "hklm\\software\\oleforretail\\serviceopos"});
    EXPECT_EQ(r.out,
              "\n"
              "HKEY_LOCAL_MACHINE\\software\\oleforretail\\serviceopos\\LineDisplay\n"
              "HKEY_LOCAL_MACHINE\\software\\oleforretail\\serviceopos\\MSR\n"
              "HKEY_LOCAL_MACHINE\\software\\oleforretail\\serviceopos\\PINPad\n"
              "HKEY_LOCAL_MACHINE\\software\\oleforretail\\serviceopos\\POSKeyboard\n"
              "HKEY_LOCAL_MACHINE\\software\\oleforretail\\serviceopos\\SignatureCapture\n");

    r = run({"query", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR", "/s"});
    EXPECT_EQ(r.out, "\n" + msr + "\n\n" + msr +
                         "\\M1\n"
                         "    (Default)    REG_SZ    ORVMsr.so\n"
                         "    Devicename    REG_SZ    ZR88xxMSR\n\n");

    r = run({"query", "HKLM\\SOFTWARE\\OLEforRetail", "/s", "/v", "Devicename"});
    EXPECT_EQ(r.out, "\n" + msr +
                         "\\M1\n    Devicename    REG_SZ    ZR88xxMSR\n\n"
                         "End of search: 1 match(es) found.\n");

    r = run({"query", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS", "/ve"});
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\n"
              "    (Default)    REG_SZ    (value not set)\n\n");

    r = run({"query", "HKCR\\ORVPin.so\\CLSID", "/ve"});
    EXPECT_EQ(r.out,
              "\nHKEY_CLASSES_ROOT\\ORVPin.so\\CLSID\n"
              "    (Default)    REG_SZ    {F4986AB2-61C2-11D3-A734-0080C88C35FA}\n\n");
}

TEST_F(Orvreg, QueryShowsEachTypeAsRegExeDoes) {
    import_opos();
    struct Case {
        const char* value;
        const char* line;
    };
    const Case cases[] = {
        {"Logpath", "    Logpath    REG_SZ    C:\\Orvane\\Logs\n"},
        {"Version", "    Version    REG_DWORD    0x1090000\n"},
        {"Options", "    Options    REG_BINARY    0100FF7F\n"},
        {"Home", "    Home    REG_EXPAND_SZ    %PROGRAMFILES%\\Orvane\n"},
        {"Ports", "    Ports    REG_MULTI_SZ    USB\\0RS485\n"},
        {"Serial", "    Serial    REG_QWORD    0x88\n"},
    };
    for (const Case& c : cases) {
        Outcome r =
            run({"query", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane", "/v", c.value});
        EXPECT_EQ(r.code, 0) << c.value;
        EXPECT_EQ(
            r.out,
            std::string("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane\n") +
                c.line + "\n");
    }
    Outcome r =
        run({"query", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane", "/v", "Missing"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, kNotFound);
    r = run({"query", "HKLM\\SOFTWARE\\Nowhere"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, kNotFound);
}

TEST_F(Orvreg, AddEachTypeAndRefuseBadData) {
    struct Case {
        const char* type;
        const char* data;
        int code;
        const char* shown;  // query line data, when added
    };
    const Case cases[] = {
        {"REG_SZ", "C:\\Orvane\\Logs", 0, "REG_SZ    C:\\Orvane\\Logs"},
        {"reg_expand_sz", "%TEMP%\\orv", 0, "REG_EXPAND_SZ    %TEMP%\\orv"},
        {"REG_DWORD", "42", 0, "REG_DWORD    0x2a"},
        {"REG_DWORD", "0xFFFFFFFF", 0, "REG_DWORD    0xffffffff"},
        {"REG_BINARY", "01ff7E", 0, "REG_BINARY    01FF7E"},
        {"REG_DWORD", "4294967296", 1, nullptr},
        {"REG_DWORD", "abc", 1, nullptr},
        {"REG_DWORD", "0x", 1, nullptr},
        {"REG_BINARY", "123", 1, nullptr},
        {"REG_BINARY", "0g", 1, nullptr},
        {"REG_MULTI_SZ", "a", 1, nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "v" + std::to_string(n++);
        std::string before = slurp(registry_);
        Outcome r = run({"add", "HKLM\\SOFTWARE\\T", "/v", name, "/t", c.type, "/d", c.data});
        EXPECT_EQ(r.code, c.code) << c.type << " " << c.data;
        if (c.code != 0) {
            EXPECT_EQ(r.err, "ERROR: Invalid syntax.\nType \"orvreg ADD /?\" for usage.\n");
            EXPECT_EQ(slurp(registry_), before);
            continue;
        }
        EXPECT_EQ(r.out, kDone);
        Outcome q = run({"query", "HKLM\\SOFTWARE\\T", "/v", name});
        EXPECT_EQ(q.out,
                  "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\T\n    " + name + "    " + c.shown + "\n\n");
    }
}

TEST_F(Orvreg, AddKeyDefaultsAndOverwriteNeedsF) {
    EXPECT_EQ(run({"add", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1"}).code, 0);
    EXPECT_EQ(run({"add", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", "/ve", "/d",
                   "ORVPin.so"})
                  .code,
              0);
    EXPECT_EQ(run({"add", "HKLM\\SOFTWARE\\K", "/v", "Flag", "/t", "REG_DWORD"}).code, 0);
    EXPECT_NE(slurp(registry_).find("\"Flag\"=dword:00000000"), std::string::npos);

    // Overwriting would ask; with no terminal it is refused and nothing changes.
    std::string before = slurp(registry_);
    Outcome r = run(
        {"add", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", "/ve", "/d", "Other.so"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: The value exists; use /f to overwrite it without a prompt.\n");
    EXPECT_EQ(slurp(registry_), before);
    r = run({"add", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", "/ve", "/d",
             "Other.so", "/f"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(slurp(registry_).find("@=\"Other.so\""), std::string::npos);
}

TEST_F(Orvreg, NamesAndDataTravelAsUtf8) {
    Outcome r = run({"add", "HKLM\\SOFTWARE\\Caf\u00e9", "/v", "Gr\u00f6\u00dfe", "/d",
                     "Gr\u00fc\u00dfe \u20ac"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(slurp(registry_).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\u00e9]\n"
                                    "\"Gr\u00f6\u00dfe\"=\"Gr\u00fc\u00dfe \u20ac\""),
              std::string::npos);
    r = run({"query", "HKLM\\SOFTWARE\\CAF\u00c9"});
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\CAF\u00c9\n"
              "    Gr\u00f6\u00dfe    REG_SZ    Gr\u00fc\u00dfe \u20ac\n\n");
}

TEST_F(Orvreg, DeleteKeysAndValues) {
    import_opos();
    const std::string msr = "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR";
    std::string before = slurp(registry_);
    Outcome r = run({"delete", msr});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: Deleting needs a confirmation; use /f to delete without a prompt.\n");
    EXPECT_EQ(slurp(registry_), before);

    EXPECT_EQ(run({"delete", msr + "\\M1", "/v", "devicename", "/f"}).code, 0);
    EXPECT_EQ(run({"query", msr + "\\M1", "/v", "Devicename"}).code, 1);
    EXPECT_EQ(run({"delete", msr + "\\M1", "/ve", "/f"}).code, 0);
    r = run({"delete", msr + "\\M1", "/ve", "/f"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, kNotFound);

    EXPECT_EQ(
        run({"delete", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane", "/va", "/f"}).code, 0);
    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane"}).out, "\n");

    // A key goes with all its subkeys.
    r = run({"delete", "HKLM\\SOFTWARE\\OLEforRetail", "/f"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(slurp(registry_).find("OLEforRetail"), std::string::npos);
    EXPECT_NE(slurp(registry_).find("ORVPin.so"), std::string::npos);
    r = run({"delete", "HKLM\\SOFTWARE\\OLEforRetail", "/f"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, kNotFound);
    r = run({"delete", "HKLM", "/f"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: Access is denied.\n");
}

TEST_F(Orvreg, SyntaxErrors) {
    struct Case {
        std::vector<std::string> args;
        const char* err;
    };
    const std::string syntax = "ERROR: Invalid syntax.\nType \"orvreg ";
    const Case cases[] = {
        {{}, "ERROR: Invalid syntax.\nType \"orvreg /?\" for usage.\n"},
        {{"bogus"}, "ERROR: Invalid syntax.\nType \"orvreg /?\" for usage.\n"},
        {{"query"}, "ERROR: Invalid syntax.\nType \"orvreg QUERY /?\" for usage.\n"},
        {{"query", "HKLM\\X", "/v"},
         "ERROR: Invalid syntax.\nType \"orvreg QUERY /?\" for usage.\n"},
        {{"query", "HKLM\\X", "/v", "a", "/ve"},
         "ERROR: Invalid syntax.\nType \"orvreg QUERY /?\" for usage.\n"},
        {{"query", "HKLM\\X", "/s", "/s"},
         "ERROR: Invalid syntax.\nType \"orvreg QUERY /?\" for usage.\n"},
        {{"add", "HKLM\\X", "/x"}, "ERROR: Invalid syntax.\nType \"orvreg ADD /?\" for usage.\n"},
        {{"delete", "HKLM\\X", "/v", "a", "/va"},
         "ERROR: Invalid syntax.\nType \"orvreg DELETE /?\" for usage.\n"},
        {{"export", "HKLM\\X"}, "ERROR: Invalid syntax.\nType \"orvreg EXPORT /?\" for usage.\n"},
        {{"import"}, "ERROR: Invalid syntax.\nType \"orvreg IMPORT /?\" for usage.\n"},
        {{"query", "HKCU\\Software"},
         "ERROR: Invalid key name.\nType \"orvreg QUERY /?\" for usage.\n"},
        {{"add", "\\\\host\\HKLM\\X"},
         "ERROR: Invalid key name.\nType \"orvreg ADD /?\" for usage.\n"},
    };
    for (const Case& c : cases) {
        Outcome r = run(c.args);
        EXPECT_EQ(r.code, 1) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(r.err, c.err) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(registry_));
    Outcome help = run({"ADD", "/?"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.starts_with("orvreg ADD KeyName")) << help.out;
}

TEST_F(Orvreg, RegistryFailuresAreReported) {
    import_opos();
    // A read-only registry: writers are denied and the file stays as it is.
    ASSERT_EQ(::chmod(registry_.c_str(), 0444), 0);
    std::string before = slurp(registry_);
    Outcome r = run({"add", "HKLM\\SOFTWARE\\New", "/v", "x", "/d", "y"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: Access is denied.\n" + registry_ + ": the file is read-only\n");
    r = run({"import", data_file("opos_install.reg")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: Access is denied.\n" + registry_ + ": the file is read-only\n");
    EXPECT_EQ(slurp(registry_), before);
    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\OLEforRetail"}).code, 0);
    ASSERT_EQ(::chmod(registry_.c_str(), 0644), 0);

    // A malformed .reg file names its line and imports nothing.
    std::string bad = dir_ + "/bad.reg";
    spit(bad,
         "Windows Registry Editor Version "
         "5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n\"a\"=\"b\"\n\"c\"=dword:\n");
    r = run({"import", bad});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: The configuration registry database is corrupt.\n" + bad +
                         ":5: dword: needs 1 to 8 hexadecimal digits\n");
    EXPECT_EQ(slurp(registry_), before);

    // A malformed registry file stops every command and is left alone.
    spit(registry_, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A\n");
    r = run({"query", "HKLM\\A"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: The configuration registry database is corrupt.\n" + registry_ +
                         ":3: missing ] at the end of the key line\n");
    EXPECT_EQ(run({"add", "HKLM\\B", "/f"}).code, 1);
    EXPECT_EQ(slurp(registry_), "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A\n");
}

TEST_F(Orvreg, ExportDoesNotOverwriteWithoutY) {
    import_opos();
    std::string file = dir_ + "/out.reg";
    spit(file, "mine");
    Outcome r = run({"export", "HKCR\\ORVPin.so", file});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: The file exists; use /y to overwrite it without a prompt.\n");
    EXPECT_EQ(slurp(file), "mine");
    r = run({"export", "HKCR\\ORVPin.so", file, "/y"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(
        slurp(file).starts_with("Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CLASSES_ROOT\\ORVPin.so]\n@=\"ORVPin.so\"\n"));
    r = run({"export", "HKLM\\SOFTWARE\\Nowhere", dir_ + "/none.reg"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, kNotFound);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/none.reg"));
}

// Files that are not what import and export expect: refused at once, with the path.
TEST_F(Orvreg, ImportAndExportRefuseWhatIsNotAPlainFileOrFolder) {
    import_opos();
    const std::string fifo = dir_ + "/pipe.reg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string locked = dir_ + "/locked";
    ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
    struct Row {
        std::vector<std::string> args;
        std::string err;
        std::string absent;  // must not exist afterwards
    };
    const Row rows[] = {
        {{"import", fifo}, "ERROR: Error accessing the registry.\n" + fifo + ": not a regular file\n", ""},
        {{"import", "/dev/null"},
         "ERROR: Error accessing the registry.\n/dev/null: not a regular file\n", ""},
        {{"export", "HKLM\\SOFTWARE", dir_ + "/missing/sub/out.reg"},
         "ERROR: The system cannot find the path specified.\n" + dir_ +
             "/missing/sub: no such folder\n",
         dir_ + "/missing"},
        {{"export", "HKLM\\SOFTWARE", locked + "/out.reg"},
         "ERROR: Access is denied.\n" + locked + ": the folder is read-only\n",
         locked + "/out.reg"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[0] + " " + row.args.back());
        Outcome r = run(row.args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, row.err);
        if (!row.absent.empty()) {
            EXPECT_FALSE(std::filesystem::exists(row.absent));
        }
    }
}

}  // namespace
