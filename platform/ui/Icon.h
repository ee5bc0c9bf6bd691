#pragma once
// Icons, cursors and button pictures. An icon is decoded from ICO file data
// (or CUR data for a cursor) into straight ARGB pixels; entries stored as PNG
// are kept as PNG bytes for the toolkit to decode. Standard cursors are shared
// objects that DestroyCursor leaves alone.

#include "platform/ui/Types.h"

#include <cstdint>
#include <vector>

namespace quilbex::ui {

struct IconObject {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;  // width * height pixels, 0xAARRGGBB, top row first; empty for PNG
    std::vector<std::uint8_t> png;  // the entry's PNG data when it is stored as PNG
    POINT hotspot{0, 0};
    bool is_cursor = false;
    UINT standard_id = 0;  // IDC_* for a standard cursor, else 0
};

// Picks the entry of an ICO image closest to cx x cy (an exact size first,
// then the deepest colour, then the largest) and decodes it. Returns null for
// data that is not a well-formed ICO image. cx or cy 0 means the largest.
HICON CreateIconFromIcoData(const void* data, std::size_t size, int cx, int cy);

// Decodes a cursor from CUR file data (an ICO image of type 2 with hot spots).
HCURSOR CreateCursorFromCurData(const void* data, std::size_t size);

// A standard cursor by its IDC_* identifier (passed as MAKEINTRESOURCE); the
// instance must be null. Unknown identifiers give null.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);

BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);

// True for a live icon or cursor handle.
bool is_icon(HICON icon);

}  // namespace quilbex::ui
