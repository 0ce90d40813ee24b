// orvdoctor CLASS DEVICE: follows the path an OPOS Open takes (registry file, device key,
// ProgID, COM registration, libraries, service object settings, Java, trace file, claim) and says
// for each step OK or what is wrong and how to fix it. Exit code 0 when Open would get that far.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "claim_check.h"
#include "host/apartment.h"
#include "host/control.h"
#include "jni_support/jvm_library.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/registry_ext.h"
#include "so_core/service_settings.h"
#include "so_core/trace_log.h"

namespace {

using orv::UniqueHkey;

constexpr char kUsage[] =
    "usage: orvdoctor [--open] CLASS DEVICE     e.g. orvdoctor PINPad P1\n"
    "Checks each step an OPOS Open of DEVICE takes and prints OK or what is wrong and how to\n"
    "fix it. --open then opens and claims the device through its control and prints the\n"
    "results. Exit code 0 when nothing is wrong (and, with --open, Open and ClaimDevice\n"
    "succeeded), 1 otherwise, 2 for bad use.\n";

// The trace file each service object writes in its Logpath folder.
struct ClassFacts {
    const char* oposClass;
    const char* traceFile;
};
constexpr ClassFacts kClasses[] = {
    {"PINPad", "Pinpadso.log"},         {"MSR", "msr.log"},
    {"POSKeyboard", "Kbdso.log"},       {"LineDisplay", "LineDisplayso.log"},
    {"Scanner", "scannerso.log"},       {"SignatureCapture", "sigso.log"},
    {"ToneIndicator", "toneso.log"},
};

class Doctor {
public:
    void ok(const std::string& what) { std::cout << "OK    " << what << "\n"; }
    void bad(const std::string& what, const std::string& fix) {
        ++failures_;
        std::cout << "FAIL  " << what << "\n      fix: " << fix << "\n";
    }
    void skip(const std::string& what) { std::cout << "--    " << what << "\n"; }
    int failures() const { return failures_; }

private:
    int failures_ = 0;
};

std::optional<std::string> default_value(HKEY root, const std::string& path,
                                         const char* name = nullptr) {
    UniqueHkey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
        key.release();
        return std::nullopt;
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::string value(size, '\0');
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(std::strlen(value.c_str()));
    return value;
}

std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ProgID -> CLSID -> InprocServer32, then the library loads and exports a COM server's entry
// points. The library path when all is well.
std::optional<std::string> check_server(Doctor& d, const std::string& progId, const char* role) {
    const std::optional<std::string> clsid = default_value(HKEY_CLASSES_ROOT, progId + "\\CLSID");
    if (!clsid) {
        d.bad(std::string(role) + " ProgID " + progId + " is not registered (no HKCR\\" + progId +
                  "\\CLSID)",
              std::string("register its library: regsvr <folder>/lib") +
                  (std::strcmp(role, "control") == 0 ? "<Class>Control.so" : "<Class>Bridge.so") +
                  " (scripts/register.sh registers a whole build)");
        return std::nullopt;
    }
    const std::optional<std::string> path =
        default_value(HKEY_CLASSES_ROOT, "CLSID\\" + *clsid + "\\InprocServer32");
    if (!path || path->empty()) {
        d.bad(std::string(role) + " " + progId + " -> " + *clsid + " has no InprocServer32 path",
              "register the library again with regsvr");
        return std::nullopt;
    }
    d.ok(std::string(role) + " " + progId + " -> " + *clsid + " -> " + *path);
    void* library = ::dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const std::string why = ::dlerror();
        std::string fix = "install " + *path + " or register the right file with regsvr";
        if (why.find("libjvm") != std::string::npos)  // a library that imports the JVM itself
            fix = "install a Java 17 runtime and put the folder of libjvm.so on the library "
                  "path (ldconfig or LD_LIBRARY_PATH)";
        else if (::access(path->c_str(), F_OK) == 0)
            fix = "rebuild or reinstall " + *path + "; the loader cannot use it";
        d.bad(std::string(role) + " library does not load: " + why, fix);
        return std::nullopt;
    }
    std::string missing;
    for (const char* entry : {"DllGetClassObject", "DllCanUnloadNow"})
        if (!::dlsym(library, entry)) missing += std::string(missing.empty() ? "" : ", ") + entry;
    if (!missing.empty()) {
        d.bad(std::string(role) + " library " + *path + " does not export " + missing,
              "this is not a COM server of the suite; register the right library");
        ::dlclose(library);
        return std::nullopt;
    }
    d.ok(std::string(role) + " library loads and exports DllGetClassObject, DllCanUnloadNow");
    ::dlclose(library);
    return path;
}

// The JVM library the service objects load when they create their first object, found as they
// find it.
void check_jvm(Doctor& d) {
    std::string why;
    if (const orv::jni::JvmLibrary* jvm = orv::jni::LoadJvmLibrary(&why)) {
        d.ok("JVM library " + jvm->path);
        return;
    }
    d.bad("JVM library: " + why,
          std::getenv("ORV_JVM_LIBRARY") && *std::getenv("ORV_JVM_LIBRARY")
              ? std::string("point ORV_JVM_LIBRARY at the lib/server/libjvm.so of a Java 17 "
                            "runtime, or unset it")
              : std::string("install a Java 17 runtime and set JAVA_HOME to it, or set "
                            "ORV_JVM_LIBRARY to its lib/server/libjvm.so"));
}

// The value as stored, however long: the service objects read at most 99 bytes of it.
void check_folder_value(Doctor& d, const char* name, const std::string& soLibrary) {
    const std::string key = orv::so::kServiceInfoKey;
    const std::optional<std::string> value = default_value(HKEY_LOCAL_MACHINE, key, name);
    const std::string where = std::string("HKLM\\") + key + " " + name;
    const std::string set = "orvreg add \"HKLM\\" + key + "\" /v " + name + " /d <folder> /f";
    if (!value) {
        d.bad(where + " is missing", set);
        return;
    }
    if (value->size() >= orv::so::kFolderValueBuffer) {
        d.bad(where + " is " + std::to_string(value->size()) +
                  " bytes; the service objects read at most 99",
              "use a shorter folder (a symbolic link to it will do): " + set);
        return;
    }
    struct stat st;
    if (::stat(value->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        d.bad(where + " " + *value + " is not a folder", "mkdir -p " + *value + ", or " + set);
        return;
    }
    if (std::strcmp(name, orv::so::kLogpathValue) == 0 && ::access(value->c_str(), W_OK) != 0) {
        d.bad(where + " " + *value + " is not writable", "chmod u+w " + *value + " or " + set);
        return;
    }
    // The service object binds its event natives itself, so a folder without it still opens;
    // said because Java code that loads the library by name would not find it there.
    if (std::strcmp(name, orv::so::kClasspathValue) == 0 && !soLibrary.empty()) {
        const std::string library = orv::so::AddTrailingSeparator(*value) + base_name(soLibrary);
        if (::access(library.c_str(), R_OK) != 0) {
            d.ok(where + " = " + *value + " (does not hold " + base_name(soLibrary) +
                 "; the service object binds its event natives itself)");
            return;
        }
    }
    d.ok(where + " = " + *value);
}

bool jar_has(const std::string& jar, const std::string& entry) {
    std::ifstream in(jar, std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.find(entry) != std::string::npos;  // entry names are stored as they are
}

void check_classpath(Doctor& d, const std::string& oposClass) {
    const std::string entry = "jpos/" + oposClass + ".class";
    const std::optional<std::string> classPath = orv::so::ReadClassPathVariable();
    if (!classPath) {
        d.bad("CLASSPATH is unset, empty or longer than 999 bytes",
              "export CLASSPATH=<build>/share/java/orvpos.jar (. scripts/env.sh build does)");
        return;
    }
    std::stringstream parts(*classPath);
    for (std::string part; std::getline(parts, part, ':');) {
        if (jar_has(part, entry)) {
            d.ok("CLASSPATH " + part + " holds jpos." + oposClass);
            return;
        }
    }
    d.bad("no jar of CLASSPATH (" + *classPath + ") holds jpos." + oposClass,
          "export CLASSPATH=<build>/share/java/orvpos.jar");
}

void check_trace(Doctor& d, const std::string& oposClass) {
    const char* trace = nullptr;
    for (const ClassFacts& c : kClasses)
        if (oposClass == c.oposClass) trace = c.traceFile;
    const std::optional<std::string> folder =
        default_value(HKEY_LOCAL_MACHINE, orv::so::kServiceInfoKey, orv::so::kLogpathValue);
    if (!trace || !folder) {
        d.skip("trace file: not checked");
        return;
    }
    const std::string path = orv::so::AddTrailingSeparator(*folder) + trace;
    const long holder = orv::so::TraceHolder(path);
    if (holder > 0 && holder != ::getpid()) {
        d.bad("trace file " + path + " is held by process " + std::to_string(holder) +
                  ": a second " + oposClass + " cannot open while it runs",
              "end process " + std::to_string(holder) +
                  ", or give this program its own Logpath through its own registry file "
                  "(README: \"One trace file per device class\")");
        return;
    }
    d.ok("trace file " + path + " is free");
}

// Opens, claims, releases and closes through the control as an application would.
bool really_open(const std::string& oposClass, const std::string& device) {
    orv::host::ComApartment com;
    orv::host::Control control;
    if (const HRESULT hr = control.Create(("OPOS." + oposClass).c_str()); FAILED(hr)) {
        std::printf("--open: creating OPOS.%s failed: 0x%08X\n", oposClass.c_str(),
                    static_cast<unsigned>(hr));
        return false;
    }
    int32_t rc = -1, openResult = 0, extended = 0;
    control.Call("Open", &rc, device);
    control.Get("OpenResult", &openResult);
    std::printf("--open: Open(\"%s\") = %d, OpenResult = %d\n", device.c_str(), rc, openResult);
    if (rc != 0) return false;
    int32_t claim = -1;
    control.Call("ClaimDevice", &claim, 1000);
    control.Get("ResultCodeExtended", &extended);
    std::printf("--open: ClaimDevice(1000) = %d, ResultCodeExtended = %d\n", claim, extended);
    int32_t ignored = 0;
    if (claim == 0) control.Call("ReleaseDevice", &ignored);
    control.Call("Close", &ignored);
    std::printf("--open: Close = %d\n", ignored);
    return claim == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool open = !args.empty() && args[0] == "--open";
    if (open) args.erase(args.begin());
    if (args.size() != 2 || args[0].starts_with("-")) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string& oposClass = args[0];
    const std::string& device = args[1];
    Doctor d;

    const std::string store = orv::registry_store_path();
    struct stat st;
    if (::stat(store.c_str(), &st) != 0) {
        d.bad("registry file " + store + " does not exist",
              "run scripts/register.sh <build>, or point ORV_REGISTRY at the registry file");
        return 1;
    }
    UniqueHkey probe;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, probe.out());
    if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND) {
        probe.release();
        d.bad("registry file " + orv::registry_error_text(),
              "repair that line (orvreg import of a good export) or register again with "
              "scripts/register.sh");
        return 1;
    }
    if (opened != ERROR_SUCCESS) probe.release();
    d.ok("registry file " + store);

    const std::string deviceKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\" + oposClass + "\\" + device;
    const std::optional<std::string> progId = default_value(HKEY_LOCAL_MACHINE, deviceKey);
    std::string soLibrary;
    if (!progId || progId->empty()) {
        d.bad("no device HKLM\\" + deviceKey + " (its default value names the service object)",
              "orvreg add \"HKLM\\" + deviceKey + "\" /ve /d <service object ProgID> /f");
    } else {
        d.ok("device HKLM\\" + deviceKey + " = " + *progId);
        if (std::optional<std::string> path = check_server(d, *progId, "service object"))
            soLibrary = *path;
    }
    check_jvm(d);
    check_server(d, "OPOS." + oposClass, "control");
    check_folder_value(d, orv::so::kLogpathValue, "");
    check_folder_value(d, orv::so::kClasspathValue, soLibrary);
    check_classpath(d, oposClass);
    check_trace(d, oposClass);
    const orv::doctor::StepResult claim = orv::doctor::CheckClaim(oposClass, device);
    claim.ok ? d.ok(claim.what) : d.bad(claim.what, claim.fix);
    if (open && !really_open(oposClass, device)) {
        std::cout << "Open or ClaimDevice failed.\n";
        return 1;
    }
    if (d.failures() == 0) {
        std::cout << "Open of " << oposClass << " " << device << " should succeed.\n";
        return 0;
    }
    std::cout << d.failures() << " problem" << (d.failures() == 1 ? "" : "s") << " found.\n";
    return 1;
}
