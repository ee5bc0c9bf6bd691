#include "commands/com/ComFacade.h"

#include "platform/com/Variant.h"
#include "runtime/CallFrame.h"
#include "runtime/Memory.h"

#include <cstring>
#include <utility>
#include <vector>

namespace quilbex::commands {
namespace {

const char kEmptyText[1] = {0};

rt::ArgRecord call(rt::CommandRoutine routine, std::vector<rt::ArgRecord> records) {
    return rt::call_core_command(routine, static_cast<int>(records.size()), records.data());
}

std::vector<rt::ArgRecord> member_args(const ObjectVar& object, const char* name,
                                       std::initializer_list<rt::ArgRecord> args) {
    std::vector<rt::ArgRecord> records{object.arg(), text_argument(name)};
    records.insert(records.end(), args.begin(), args.end());
    return records;
}

}  // namespace

ObjectVar::ObjectVar() : m_record(static_cast<ObjectRecord*>(rt::allocate(sizeof(ObjectRecord)))) {
    *m_record = ObjectRecord{};
}

ObjectVar::~ObjectVar() {
    if (m_record) {
        call(&lib::object_clear, {arg()});
        rt::release(m_record);
    }
}

ObjectVar::ObjectVar(ObjectVar&& other) noexcept : m_record(std::exchange(other.m_record, nullptr)) {}

ObjectVar& ObjectVar::operator=(ObjectVar&& other) noexcept {
    if (this != &other) {
        ObjectVar old(std::move(*this));
        m_record = std::exchange(other.m_record, nullptr);
    }
    return *this;
}

ObjectVar ObjectVar::copy() const {
    ObjectVar out;
    call(&lib::object_copy, {out.arg(), arg()});
    return out;
}

bool ObjectVar::empty() const { return call(&lib::object_is_empty, {arg()}).low == 0 ? false : true; }

rt::ArgRecord ObjectVar::arg() const { return rt::ArgRecord::of_pointer(m_record, kTypeObject); }

rt::ArgRecord ObjectVar::by_ref() const { return rt::ArgRecord::of_pointer(m_record, kTypeObject | rt::kByReference); }

VariantVar::VariantVar() : m_variant(static_cast<com::VARIANT*>(rt::allocate(sizeof(com::VARIANT)))) {
    std::memset(m_variant, 0, sizeof(com::VARIANT));
}

VariantVar::VariantVar(com::VARIANT* adopted) : m_variant(adopted) {
    if (!m_variant) {
        m_variant = static_cast<com::VARIANT*>(rt::allocate(sizeof(com::VARIANT)));
        std::memset(m_variant, 0, sizeof(com::VARIANT));
    }
}

VariantVar::~VariantVar() {
    if (m_variant) {
        call(&lib::variant_clear, {arg()});
        rt::release(m_variant);
    }
}

VariantVar::VariantVar(VariantVar&& other) noexcept : m_variant(std::exchange(other.m_variant, nullptr)) {}

VariantVar& VariantVar::operator=(VariantVar&& other) noexcept {
    if (this != &other) {
        VariantVar old(std::move(*this));
        m_variant = std::exchange(other.m_variant, nullptr);
    }
    return *this;
}

rt::ArgRecord VariantVar::arg() const { return rt::ArgRecord::of_pointer(m_variant, kTypeVariant); }

rt::ArgRecord VariantVar::by_ref() const {
    return rt::ArgRecord::of_pointer(m_variant, kTypeVariant | rt::kByReference);
}

rt::ArgRecord text_argument(const char* gbk) {
    return rt::ArgRecord::of_pointer(gbk ? gbk : kEmptyText, rt::kTypeText);
}
rt::ArgRecord int_argument(std::int32_t value) { return rt::ArgRecord::of_int(value); }
rt::ArgRecord bool_argument(bool value) { return rt::ArgRecord::of_bool(value); }
rt::ArgRecord double_argument(double value) { return rt::ArgRecord::of_double(value); }
rt::ArgRecord omitted_argument() { return rt::ArgRecord{}; }

bool object_create(ObjectVar& variable, const char* class_name) {
    return call(&lib::object_create, {variable.arg(), text_argument(class_name)}).low != 0;
}

void object_clear(ObjectVar& variable) { call(&lib::object_clear, {variable.arg()}); }

bool object_set_property(const ObjectVar& object, const char* name, const rt::ArgRecord& value) {
    return call(&lib::object_set_property, member_args(object, name, {value})).low != 0;
}

void object_call(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args) {
    call(&lib::object_call, member_args(object, name, args));
}

VariantVar object_call_variant(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args) {
    rt::ArgRecord r = call(&lib::object_call_variant, member_args(object, name, args));
    return VariantVar(static_cast<com::VARIANT*>(r.pointer()));
}

Text object_call_text(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args) {
    rt::ArgRecord r = call(&lib::object_call_text, member_args(object, name, args));
    return Text(static_cast<char*>(r.pointer()));
}

double object_call_double(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args) {
    return call(&lib::object_call_double, member_args(object, name, args)).as_double();
}

bool object_call_bool(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args) {
    return call(&lib::object_call_bool, member_args(object, name, args)).low != 0;
}

void variant_clear(VariantVar& variant) { call(&lib::variant_clear, {variant.arg()}); }

bool variant_set_type(VariantVar& variant, std::int32_t type_number) {
    return call(&lib::variant_set_type, {variant.arg(), int_argument(type_number)}).low != 0;
}

bool variant_create_array(VariantVar& variant, std::int32_t element_type, std::int32_t count) {
    return call(&lib::variant_create_array, {variant.arg(), int_argument(element_type), int_argument(count)}).low != 0;
}

bool variant_assign(VariantVar& variant, const rt::ArgRecord& value, std::optional<std::int32_t> index) {
    std::vector<rt::ArgRecord> records{variant.arg(), value};
    if (index)
        records.push_back(int_argument(*index));
    return call(&lib::variant_assign, records).low != 0;
}

ByteSet variant_to_bytes(const VariantVar& variant, std::optional<std::int32_t> index) {
    std::vector<rt::ArgRecord> records{variant.arg()};
    if (index)
        records.push_back(int_argument(*index));
    return ByteSet(static_cast<unsigned char*>(call(&lib::variant_to_bytes, records).pointer()));
}

}  // namespace quilbex::commands
