// orvreg: the registry from the command line, with the syntax, messages and exit codes of
// reg.exe, so that installers' .reg files and scripts work as they are.
#include <cctype>
#include <exception>
#include <iostream>
#include <string>

#include "cli.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const orvreg::Args&);
    const char* usage;
};

const Command kCommands[] = {
    {"query", orvreg::query,
     "orvreg QUERY KeyName [/v ValueName | /ve] [/s]\n\n"
     "  KeyName  HKLM\\SubKey or HKCR\\SubKey (also HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT)\n"
     "  /v       query one value        /ve  query the default value\n"
     "  /s       query all subkeys and values recursively\n"},
    {"add", orvreg::add,
     "orvreg ADD KeyName [/v ValueName | /ve] [/t Type] [/d Data] [/f]\n\n"
     "  /t       REG_SZ (default), REG_EXPAND_SZ, REG_DWORD, REG_BINARY\n"
     "  /d       the data: text, a number (decimal or 0x hexadecimal), or hexadecimal bytes\n"
     "  /f       overwrite an existing value without a prompt\n"},
    {"delete", orvreg::remove,
     "orvreg DELETE KeyName [/v ValueName | /ve | /va] [/f]\n\n"
     "  without /v, /ve or /va the key is deleted with all its subkeys\n"
     "  /va      delete all values of the key\n"
     "  /f       delete without a prompt\n"},
    {"import", orvreg::import,
     "orvreg IMPORT FileName\n\n  imports a .reg file (all of it or nothing)\n"},
    {"export", orvreg::export_key,
     "orvreg EXPORT KeyName FileName [/y]\n\n  /y       overwrite an existing file without a "
     "prompt\n"},
};

bool same_word(const std::string& a, const char* b) {
    std::string lower;
    for (char c : a) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == b;
}

int usage() {
    std::cout << "orvreg Operation [Parameter List]\n\n"
                 "  Operation  QUERY | ADD | DELETE | IMPORT | EXPORT\n\n"
                 "Return code: 0 - successful, 1 - failed\n\n"
                 "For help on an operation type: orvreg Operation /?\n\n"
                 "The registry file is $ORV_REGISTRY, or /var/lib/orv/registry.reg when unset.\n";
    return 0;
}

int run(int argc, char** argv) {
    if (argc < 2) return orvreg::invalid_syntax("");
    std::string operation = argv[1];
    if (operation == "/?" || operation == "-?") return usage();
    orvreg::Args args(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (!same_word(operation, command.name)) continue;
        for (const std::string& arg : args) {
            if (arg == "/?" || arg == "-?") {
                std::cout << command.usage;
                return 0;
            }
        }
        return command.run(args);
    }
    return orvreg::invalid_syntax("");
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "ERROR: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "ERROR: unexpected failure\n";
    }
    return 1;
}
