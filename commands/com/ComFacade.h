#pragma once
// The application's typed face of the COM commands. Object and variant
// variables are heap blocks that these holders own and end with
// object_clear / variant_clear; every call goes through the call frame.
//
// Member arguments are argument records built with the helpers below; a
// null text is the empty text. Text results are GBK (null = empty).

#include "commands/Facade.h"
#include "commands/com/ComCommands.h"
#include "platform/com/ComTypes.h"
#include "runtime/ArgRecord.h"

#include <initializer_list>
#include <optional>

namespace quilbex::commands {

class ObjectVar {
public:
    ObjectVar();
    ~ObjectVar();
    ObjectVar(ObjectVar&& other) noexcept;
    ObjectVar& operator=(ObjectVar&& other) noexcept;
    ObjectVar(const ObjectVar&) = delete;
    ObjectVar& operator=(const ObjectVar&) = delete;

    // A second variable holding another reference to the same object.
    ObjectVar copy() const;
    bool empty() const;
    // The record, as an object argument (and as the variable for outputs).
    rt::ArgRecord arg() const;
    rt::ArgRecord by_ref() const;
    ObjectRecord* record() const { return m_record; }

private:
    ObjectRecord* m_record;
};

class VariantVar {
public:
    VariantVar();
    // Takes over the heap VARIANT of an object_call_variant result.
    explicit VariantVar(com::VARIANT* adopted);
    ~VariantVar();
    VariantVar(VariantVar&& other) noexcept;
    VariantVar& operator=(VariantVar&& other) noexcept;
    VariantVar(const VariantVar&) = delete;
    VariantVar& operator=(const VariantVar&) = delete;

    rt::ArgRecord arg() const;
    rt::ArgRecord by_ref() const;
    com::VARIANT* get() const { return m_variant; }

private:
    com::VARIANT* m_variant;
};

// Member argument records.
rt::ArgRecord text_argument(const char* gbk);
rt::ArgRecord int_argument(std::int32_t value);
rt::ArgRecord bool_argument(bool value);
rt::ArgRecord double_argument(double value);
rt::ArgRecord omitted_argument();

bool object_create(ObjectVar& variable, const char* class_name);
void object_clear(ObjectVar& variable);
bool object_set_property(const ObjectVar& object, const char* name, const rt::ArgRecord& value);
void object_call(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args = {});
VariantVar object_call_variant(const ObjectVar& object, const char* name,
                               std::initializer_list<rt::ArgRecord> args = {});
Text object_call_text(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args = {});
double object_call_double(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args = {});
bool object_call_bool(const ObjectVar& object, const char* name, std::initializer_list<rt::ArgRecord> args = {});

void variant_clear(VariantVar& variant);
bool variant_set_type(VariantVar& variant, std::int32_t type_number);
bool variant_create_array(VariantVar& variant, std::int32_t element_type, std::int32_t count);
// `value` may be a byte set record or an array record (flagged) as well.
bool variant_assign(VariantVar& variant, const rt::ArgRecord& value, std::optional<std::int32_t> index = std::nullopt);
ByteSet variant_to_bytes(const VariantVar& variant, std::optional<std::int32_t> index = std::nullopt);

}  // namespace quilbex::commands
