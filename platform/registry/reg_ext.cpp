// The functions of platform/registry_ext.h.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "ansi_codepage.h"
#include "error_text.h"
#include "handle_table.h"
#include "key_access.h"
#include "platform/registry_ext.h"
#include "reg_file_parse.h"
#include "reg_file_write.h"
#include "store.h"

using namespace orv::reg;

namespace {

DWORD copy_text(const std::string& text, LPSTR buffer, DWORD size) {
    if (buffer && size > 0) {
        size_t n = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<DWORD>(text.size());
}

// The full name of a key in an export: its root as it was opened, then the names as stored.
LONG export_name(const ResolvedKey& base, const KeyPath& sub, Key& root, std::string& name) {
    size_t view_depth = base.classes_view ? classes_path().size() : 0;
    KeyPath full = join_path(*base.path, sub);
    name = base.classes_view ? "HKEY_CLASSES_ROOT" : "HKEY_LOCAL_MACHINE";
    Key* key = &root;
    for (size_t i = 0; i < full.size(); ++i) {
        key = key->find_child(full[i]);
        if (!key) return ERROR_FILE_NOT_FOUND;
        if (i >= view_depth) name += '\\' + key->name();
    }
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" {

DWORD WINAPI OrvRegGetStorePath(LPSTR buffer, DWORD size) {
    try {
        const char* env = std::getenv("ORV_REGISTRY");
        return copy_text(env && *env ? env : kDefaultStorePath, buffer, size);
    } catch (...) {
        return 0;
    }
}

DWORD WINAPI OrvRegGetErrorText(LPSTR buffer, DWORD size) {
    return copy_text(error_text(), buffer, size);
}

LSTATUS WINAPI OrvRegImportFile(LPCSTR file, LPDWORD errorLine) {
    return guarded([&]() -> LONG {
        if (errorLine) *errorLine = 0;
        if (!file) return ERROR_INVALID_PARAMETER;
        UniqueFd fd;
        FileIdentity identity;
        std::string bytes, why;
        LONG status = read_whole_file(file, fd, identity, bytes, why);
        if (status != ERROR_SUCCESS) {
            set_error_text(why);
            return status;
        }
        ParsedFile parsed = parse_reg_file(bytes);
        if (parsed.failure) {
            if (errorLine) *errorLine = static_cast<DWORD>(parsed.failure->line);
            set_error_text(std::string(file) + ":" + std::to_string(parsed.failure->line) + ": " +
                           ansi_to_utf8(parsed.failure->what));
            return parsed.failure->status;
        }
        Store& store = Store::instance();
        std::lock_guard<std::mutex> lock(store.mutex());
        status = store.modify([&](Key& root, bool apply) -> Mutation {
            if (apply) apply_ops(root, parsed.ops);
            return {ERROR_SUCCESS, true};
        });
        if (status == ERROR_SUCCESS) {
            for (const RegOp& op : parsed.ops)
                if (op.kind == RegOp::Kind::DeleteKey)
                    HandleTable::instance().mark_deleted(op.path);
        }
        return status;
    });
}

LSTATUS WINAPI OrvRegExportKey(HKEY key, LPCSTR subKey, LPCSTR file) {
    return guarded([&]() -> LONG {
        if (!file) return ERROR_INVALID_PARAMETER;
        std::string text;
        {
            Store& store = Store::instance();
            std::lock_guard<std::mutex> lock(store.mutex());
            if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
            KeyPath sub;
            if (!split_subkey(subKey, sub)) return ERROR_FILE_NOT_FOUND;
            LONG status = store.refresh();
            if (status != ERROR_SUCCESS) return status;
            ResolvedKey base;
            status = resolve_key(key, base);
            if (status != ERROR_SUCCESS) return status;
            std::string name;
            status = export_name(base, sub, store.root(), name);
            if (status != ERROR_SUCCESS) return status;
            text = write_reg_file(*find_path(store.root(), join_path(*base.path, sub)), name);
        }
        std::string why;
        // As on Windows, an export does not make the folder it is asked to write into.
        const std::filesystem::path folder = std::filesystem::path(write_target(file)).parent_path();
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
            set_error_text(folder.string() + ": no such folder");
            return ERROR_PATH_NOT_FOUND;
        }
        LONG status = check_writable(file, why);
        if (status == ERROR_SUCCESS) status = replace_file(file, text, nullptr, nullptr, why);
        if (status != ERROR_SUCCESS) set_error_text(why);
        return status;
    });
}

DWORD WINAPI OrvRegAnsiToUtf8(LPCSTR ansi, DWORD cb, LPSTR buffer, DWORD size) {
    try {
        return copy_text(ansi_to_utf8(std::string_view(ansi ? ansi : "", ansi ? cb : 0)), buffer,
                         size);
    } catch (...) {
        return 0;
    }
}

DWORD WINAPI OrvRegUtf8ToAnsi(LPCSTR utf8, DWORD cb, LPSTR buffer, DWORD size) {
    try {
        return copy_text(utf8_to_ansi(std::string_view(utf8 ? utf8 : "", utf8 ? cb : 0)), buffer,
                         size);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
