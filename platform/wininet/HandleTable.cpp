#include "platform/wininet/HandleTable.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace quilbex::wininet {

namespace {

struct Entry {
    std::shared_ptr<InternetObject> object;
    std::uintptr_t parent = 0;
    std::vector<std::uintptr_t> children;
};

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, Entry> entries;
    // Values start high and step by 4, like the platform's handles, and are
    // never reused within a process run.
    std::uintptr_t next = 0xCC0004;
};

Table& table() {
    static Table* t = new Table();  // outlives worker threads at exit
    return *t;
}

void close_locked(Table& t, std::uintptr_t value, std::vector<std::shared_ptr<InternetObject>>& closed) {
    auto it = t.entries.find(value);
    if (it == t.entries.end())
        return;
    Entry entry = std::move(it->second);
    t.entries.erase(it);
    for (auto child : entry.children)
        close_locked(t, child, closed);
    entry.object->mark_closed();
    closed.push_back(std::move(entry.object));
}

}  // namespace

HINTERNET open_handle(std::shared_ptr<InternetObject> object, HINTERNET parent) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto parent_value = reinterpret_cast<std::uintptr_t>(parent);
    if (parent_value != 0) {
        auto it = t.entries.find(parent_value);
        if (it == t.entries.end())
            return nullptr;
        it->second.children.push_back(t.next);
    }
    std::uintptr_t value = t.next;
    t.next += 4;
    t.entries.emplace(value, Entry{std::move(object), parent_value, {}});
    return reinterpret_cast<HINTERNET>(value);
}

std::shared_ptr<InternetObject> find_handle(HINTERNET handle) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.entries.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == t.entries.end() ? nullptr : it->second.object;
}

bool close_handle(HINTERNET handle) {
    Table& t = table();
    std::vector<std::shared_ptr<InternetObject>> closed;
    {
        std::lock_guard lock(t.mutex);
        auto value = reinterpret_cast<std::uintptr_t>(handle);
        auto it = t.entries.find(value);
        if (it == t.entries.end())
            return false;
        if (auto parent = t.entries.find(it->second.parent); parent != t.entries.end())
            std::erase(parent->second.children, value);
        close_locked(t, value, closed);
    }
    // The objects are released here, outside the lock; one that a call on
    // another thread still uses lives until that call returns.
    return true;
}

std::size_t open_handle_count() {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return t.entries.size();
}

}  // namespace quilbex::wininet
