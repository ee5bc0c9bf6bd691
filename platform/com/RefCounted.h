#pragma once
// Reference counting shared by our COM objects. An object starts with one
// reference, owned by whoever created it (take it with ComPtr::adopt), and
// deletes itself when the last reference is released.

#include "platform/com/ComTypes.h"

#include <atomic>

namespace quilbex::com {

class RefCounted {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

protected:
    RefCounted();
    virtual ~RefCounted();

    ULONG add_ref() { return ++m_references; }
    ULONG release() {
        ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<ULONG> m_references{1};
};

// The number of our COM objects alive in the process: lets tests check that
// every object is released exactly once.
long live_com_objects();

}  // namespace quilbex::com
