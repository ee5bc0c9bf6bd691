// object_create, object_clear, object_is_empty and object_copy.
#include "commands/Arguments.h"
#include "commands/com/ComCommands.h"
#include "commands/com/ComValues.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Iconv.h"
#include "runtime/Memory.h"

#include <string>

namespace quilbex::commands::lib {

using namespace quilbex::com;

namespace {

ObjectRecord* record_of(const rt::ArgRecord& record) { return static_cast<ObjectRecord*>(record.pointer()); }

void clear_record(ObjectRecord* record) {
    if (record->object) {
        if (record->record_data) {
            ComPtr<IRecordInfo> info;
            if (SUCCEEDED(record->object->QueryInterface(IID_IRecordInfo, info.put_void())) && info)
                info->RecordDestroy(record->record_data);
            record->record_data = nullptr;
        }
        record->object->Release();
        record->object = nullptr;
    } else if (record->record_data) {
        rt::release(record->record_data);
        record->record_data = nullptr;
    }
}

// A new instance by class name: a CLSID in braces or a ProgID. Null on failure.
ComPtr<IUnknown> create_instance(const std::u16string& class_name) {
    CLSID clsid{};
    HRESULT h = !class_name.empty() && class_name[0] == u'{' ? CLSIDFromString(class_name.c_str(), &clsid)
                                                             : CLSIDFromProgID(class_name.c_str(), &clsid);
    if (FAILED(h))
        return nullptr;
    ComPtr<IUnknown> object;
    h = CoCreateInstance(clsid, nullptr,
                         CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                         IID_IUnknown, object.put_void());
    if (h == E_INVALIDARG)
        h = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                             IID_IUnknown, object.put_void());
    if (FAILED(h))
        return nullptr;
    return object;
}

}  // namespace

void object_create(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    register_automation();
    set_bool(result, false);
    ObjectRecord* variable = record_of(argument(argc, args, 0));
    if (!variable)
        return;
    std::u16string class_name = utf16_from_gbk(text_of(argument(argc, args, 1)));
    // A type library file names where the class is described; there are no
    // type library files on this platform, so LoadTypeLib fails and the class
    // is looked up by name as without one.
    if ((class_name.empty() || class_name[0] != u'{') && argc > 2 && !argument(argc, args, 2).omitted()) {
        std::u16string file = utf16_from_gbk(text_of(argument(argc, args, 2)));
        void* library = nullptr;
        LoadTypeLib(file.c_str(), &library);
    }
    ComPtr<IUnknown> object = create_instance(class_name);
    if (!object || FAILED(OleRun(object.get())))
        return;
    clear_record(variable);
    variable->object = object.detach();
    set_bool(result, true);
}

void object_clear(rt::ArgRecord*, int argc, rt::ArgRecord* args) {
    if (ObjectRecord* record = record_of(argument(argc, args, 0)))
        clear_record(record);
}

void object_is_empty(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    ObjectRecord* record = record_of(argument(argc, args, 0));
    set_bool(result, !record || !record->object);
}

void object_copy(rt::ArgRecord*, int argc, rt::ArgRecord* args) {
    ObjectRecord* target = record_of(argument(argc, args, 0));
    ObjectRecord* source = record_of(argument(argc, args, 1));
    if (!target)
        return;
    // The target is fresh: whatever it held is not released.
    *target = ObjectRecord{};
    if (source && source->object) {
        target->object = source->object;
        target->object->AddRef();
    }
}

}  // namespace quilbex::commands::lib
