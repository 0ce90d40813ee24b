// The process's table of kernel object handles (internal to the platform library).
// A HANDLE is a slot index with a generation, never a pointer: a closed or made-up handle is
// found missing in the table and answered with ERROR_INVALID_HANDLE.
#pragma once

#include <memory>

#include "platform/wintypes.h"

namespace orv::win32 {

// Base of every object a HANDLE can name. CloseHandle drops the table's reference; the object
// lives on while an operation (a wait) still holds one.
class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Returns the new handle, or null when the table cannot grow (ERROR_NOT_ENOUGH_MEMORY set).
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);
// Null for a handle that is not open.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
// False for a handle that is not open.
bool RemoveHandle(HANDLE handle);

template <typename T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

}  // namespace orv::win32
