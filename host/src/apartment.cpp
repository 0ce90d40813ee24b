#include "host/apartment.h"

namespace orv::host {

ComApartment::ComApartment() : result_(CoInitialize(nullptr)) {}

ComApartment::~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
}

}  // namespace orv::host
