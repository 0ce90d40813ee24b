// import and export: .reg files in and out of the registry.
#include <sys/stat.h>

#include "cli.h"
#include "platform/registry_ext.h"

namespace orvreg {

int import(const Args& args) {
    ParsedArgs p;
    if (!parse_args(args, 1, {}, p)) return invalid_syntax("IMPORT");
    LONG status = OrvRegImportFile(p.positional[0].c_str(), nullptr);
    return status == ERROR_SUCCESS ? succeeded() : failed_with_detail(status);
}

int export_key(const Args& args) {
    constexpr char kOp[] = "EXPORT";
    ParsedArgs p;
    if (!parse_args(args, 2, {{"/y", false}}, p)) return invalid_syntax(kOp);
    KeyName name;
    if (!parse_key_name(p.positional[0], name)) return invalid_key_name(kOp);
    const std::string& file = p.positional[1];
    Key key;
    LONG status = RegOpenKeyExA(name.root, name.sub.c_str(), 0, KEY_READ, key.out());
    if (status != ERROR_SUCCESS) return failed(status);
    struct stat st;
    if (!p.has("/y") && ::stat(file.c_str(), &st) == 0 &&
        !confirm("File " + file + " already exists. Overwrite",
                 "The file exists; use /y to overwrite it without a prompt."))
        return 1;
    status = OrvRegExportKey(name.root, name.sub.c_str(), file.c_str());
    return status == ERROR_SUCCESS ? succeeded() : failed_with_detail(status);
}

}  // namespace orvreg
