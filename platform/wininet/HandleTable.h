#pragma once
// The table of open HINTERNET values. Handle values are opaque numbers, never
// object addresses, so a stale or forged value is found missing instead of
// being dereferenced. Internal to this layer.

#include "platform/wininet/InternetObjects.h"

#include <memory>

namespace quilbex::wininet {

// Registers an object under a new handle value, as a child of `parent` (null
// for a session).
HINTERNET open_handle(std::shared_ptr<InternetObject> object, HINTERNET parent);

// The object of an open handle, or null.
std::shared_ptr<InternetObject> find_handle(HINTERNET handle);

// Closes a handle and every handle below it; false when it is not open.
bool close_handle(HINTERNET handle);

// The number of open handles, for tests.
std::size_t open_handle_count();

}  // namespace quilbex::wininet
