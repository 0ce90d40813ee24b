// CLineSO: the line display service object (ProgID "ORVLine.so"), forwarding to jpos/LineDisplay.
#pragma once

#include <span>

#include "so_core/service_object.h"

namespace orv::so::linedisplay {

// Identity, callback list and property tables of the line display class.
extern const SoIdentity kIdentity;

// What a display method answers when its Java method is missing: the three methods without
// arguments answer as the core's ClearInput does, the others 111.
inline constexpr int32_t kMissingNoArgs = kClearInputMissingResult;

class CLineSO final : public ServiceObject<CLineSO> {
public:
    CLineSO() : ServiceObject(kIdentity) {}
    static std::span<const DispatchEntry> DispatchMembers();

private:
    int32_t ClearText();
    int32_t DisplayText(const char* data, int32_t attribute);
    int32_t DisplayTextAt(int32_t row, int32_t column, const char* data, int32_t attribute);
    int32_t ScrollText(int32_t direction, int32_t units);
    int32_t ClearDescriptors();
    int32_t SetDescriptor(int32_t descriptor, int32_t attribute);
    int32_t CreateWindow(int32_t viewportRow, int32_t viewportColumn, int32_t viewportHeight,
                         int32_t viewportWidth, int32_t windowHeight, int32_t windowWidth);
    int32_t DestroyWindow();
    int32_t RefreshWindow(int32_t window);
    int32_t ReadCharacterAtCursor(int32_t cursorData);
    int32_t DisplayBitmap(const char* fileName, int32_t width, int32_t alignmentX,
                          int32_t alignmentY);
    int32_t SetBitmap(int32_t number, const char* fileName, int32_t width, int32_t alignmentX,
                      int32_t alignmentY);
    void DefineGlyph(int32_t glyphCode, int32_t glyph);

    // A display method: no begin or success line; the missing-method result and the Java
    // failure are returned, not recorded. invoke(env, object, method, strings-ok) makes the
    // Java strings and calls; a string that cannot be made records and returns 111.
    template <class Body>
    int32_t DisplayMethod(const char* missingLine, int32_t missingResult, const char* name,
                          const char* signature, Body&& invoke);
};

}  // namespace orv::so::linedisplay
