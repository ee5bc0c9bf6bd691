#include "platform/com/RefCounted.h"

namespace quilbex::com {
namespace {
std::atomic<long> g_live_objects{0};
}

RefCounted::RefCounted() { ++g_live_objects; }

RefCounted::~RefCounted() { --g_live_objects; }

long live_com_objects() { return g_live_objects.load(); }

}  // namespace quilbex::com
