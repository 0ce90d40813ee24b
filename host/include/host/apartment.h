// ComApartment: COM initialised on the calling thread for the object's lifetime.
//
// Controls are apartment-threaded: the thread that creates a control is the one that calls it
// and that pumps its messages (events arrive there).
#pragma once

#include "platform/com.h"

namespace orv::host {

class ORV_API ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // S_OK or S_FALSE (already initialised on this thread): usable; anything else: failed.
    HRESULT Result() const { return result_; }
    explicit operator bool() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

}  // namespace orv::host
