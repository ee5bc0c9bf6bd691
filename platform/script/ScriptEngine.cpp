#include "platform/script/ScriptEngine.h"

#include "platform/com/Bstr.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Utf16.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <duktape.h>
#include <limits>

namespace quilbex::script {

using namespace quilbex::com;

// Allocation header: the block's size, kept so that the heap's total can be
// capped. 16 bytes keep every block aligned for any type.
struct alignas(16) BlockHeader {
    std::size_t size;
};

struct ScriptEngine::Heap {
    std::size_t limit = 0;
    std::size_t in_use = 0;
    bool has_deadline = false;
    std::chrono::steady_clock::time_point deadline;
    duk_context* ctx = nullptr;

    ~Heap() {
        if (ctx)
            duk_destroy_heap(ctx);
    }
};

namespace {

using Heap = ScriptEngine::Heap;

void* heap_alloc(void* udata, duk_size_t size) {
    auto* heap = static_cast<Heap*>(udata);
    if (size > heap->limit - std::min(heap->limit, heap->in_use))
        return nullptr;
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!block)
        return nullptr;
    block->size = size;
    heap->in_use += size;
    return block + 1;
}

void heap_free(void* udata, void* ptr) {
    if (!ptr)
        return;
    auto* heap = static_cast<Heap*>(udata);
    BlockHeader* block = static_cast<BlockHeader*>(ptr) - 1;
    heap->in_use -= block->size;
    std::free(block);
}

void* heap_realloc(void* udata, void* ptr, duk_size_t size) {
    if (!ptr)
        return heap_alloc(udata, size);
    if (size == 0) {
        heap_free(udata, ptr);
        return nullptr;
    }
    auto* heap = static_cast<Heap*>(udata);
    BlockHeader* block = static_cast<BlockHeader*>(ptr) - 1;
    std::size_t old = block->size;
    if (size > old && size - old > heap->limit - std::min(heap->limit, heap->in_use))
        return nullptr;
    auto* grown = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + size));
    if (!grown)
        return nullptr;
    grown->size = size;
    heap->in_use = heap->in_use - old + size;
    return grown + 1;
}

// Reached only for errors outside any protected call, which this engine never
// makes; continuing would be unsafe, so the process stops with a message.
[[noreturn]] void heap_fatal(void*, const char* msg) {
    std::fprintf(stderr, "script engine: fatal error: %s\n", msg ? msg : "(none)");
    std::abort();
}

// ---- values pushed into the engine ------------------------------------
// Arguments are flattened before entering the engine, because C++ objects
// must not be alive inside a protected call that may unwind by longjmp.
struct PlainValue {
    enum Kind { Undefined, Null, Boolean, Number, String, ArrayStart } kind = Undefined;
    double number = 0;
    std::string text;  // CESU-8
    std::size_t count = 0;  // ArrayStart: number of elements that follow
};

bool flatten(const VARIANT* in, std::vector<PlainValue>& out, int depth = 0);

bool flatten_array(SAFEARRAY* array, VARTYPE vt, std::vector<PlainValue>& out, int depth) {
    ULONG count = safe_array_element_count(array);
    PlainValue start;
    start.kind = PlainValue::ArrayStart;
    start.count = count;
    out.push_back(start);
    if (!array)
        return true;
    auto* base = static_cast<unsigned char*>(array->pvData);
    for (ULONG i = 0; i < count; ++i) {
        VARIANT element;
        VariantInit(&element);
        void* slot = base + std::size_t(i) * array->cbElements;
        if (vt == VT_VARIANT) {
            if (!flatten(static_cast<VARIANT*>(slot), out, depth + 1))
                return false;
            continue;
        }
        element.vt = vt;
        std::memcpy(&element.llVal, slot, array->cbElements);
        if (!flatten(&element, out, depth + 1))  // borrowed: not cleared
            return false;
    }
    return true;
}

bool flatten(const VARIANT* in, std::vector<PlainValue>& out, int depth) {
    if (depth > 32)
        return false;
    Variant value;
    if (FAILED(VariantCopyInd(value.get(), in)))
        return false;
    const VARIANT* v = value.get();
    PlainValue p;
    if (v->vt & VT_ARRAY) {
        VARTYPE vt = v->vt & VT_TYPEMASK;
        return flatten_array(v->parray, vt, out, depth);
    }
    switch (v->vt) {
    case VT_EMPTY: p.kind = PlainValue::Undefined; break;
    case VT_NULL: p.kind = PlainValue::Null; break;
    case VT_BOOL:
        p.kind = PlainValue::Boolean;
        p.number = v->boolVal ? 1 : 0;
        break;
    case VT_BSTR:
        p.kind = PlainValue::String;
        p.text = utf8_from_utf16(bstr_view(v->bstrVal), Utf8Form::Cesu8);
        break;
    case VT_ERROR:
        // A missing optional argument reaches the script as undefined.
        p.kind = PlainValue::Undefined;
        break;
    default: {
        Variant number;
        if (FAILED(VariantChangeType(number.get(), v, VARIANT_NOVALUEPROP, VT_R8)))
            return false;
        p.kind = PlainValue::Number;
        p.number = number->dblVal;
    }
    }
    out.push_back(std::move(p));
    return true;
}

// Pushes flattened values starting at `index`; returns the index after them.
// Runs inside a protected call: plain data only.
std::size_t push_plain(duk_context* ctx, const PlainValue* values, std::size_t index) {
    const PlainValue& p = values[index++];
    switch (p.kind) {
    case PlainValue::Undefined: duk_push_undefined(ctx); break;
    case PlainValue::Null: duk_push_null(ctx); break;
    case PlainValue::Boolean: duk_push_boolean(ctx, p.number != 0); break;
    case PlainValue::Number: duk_push_number(ctx, p.number); break;
    case PlainValue::String: duk_push_lstring(ctx, p.text.data(), p.text.size()); break;
    case PlainValue::ArrayStart: {
        duk_idx_t arr = duk_push_array(ctx);
        for (std::size_t k = 0; k < p.count; ++k) {
            index = push_plain(ctx, values, index);
            duk_put_prop_index(ctx, arr, duk_uarridx_t(k));
        }
        break;
    }
    }
    return index;
}

// ---- protected entry points ---------------------------------------------
struct EvalRequest {
    const char* source;
    std::size_t length;
};

struct CallRequest {
    const char* name;
    std::size_t name_length;
    const PlainValue* values;
    std::size_t value_count;
    std::size_t arg_count;
};

// Leaves a primitive on the stack top: objects are replaced by their string.
void make_primitive(duk_context* ctx) {
    if (duk_is_object(ctx, -1) || duk_is_buffer_data(ctx, -1) || duk_is_pointer(ctx, -1))
        duk_to_string(ctx, -1);
}

duk_ret_t eval_protected(duk_context* ctx, void* udata) {
    auto* req = static_cast<EvalRequest*>(udata);
    duk_push_lstring(ctx, req->source, req->length);
    duk_eval(ctx);
    make_primitive(ctx);
    return 1;
}

duk_ret_t call_protected(duk_context* ctx, void* udata) {
    auto* req = static_cast<CallRequest*>(udata);
    duk_push_global_object(ctx);
    duk_get_prop_lstring(ctx, -1, req->name, req->name_length);
    if (!duk_is_callable(ctx, -1))
        return duk_error(ctx, DUK_ERR_TYPE_ERROR, "procedure not defined: %.*s", int(req->name_length), req->name);
    std::size_t index = 0;
    for (std::size_t a = 0; a < req->arg_count; ++a)
        index = push_plain(ctx, req->values, index);
    duk_call(ctx, duk_idx_t(req->arg_count));
    make_primitive(ctx);
    return 1;
}

Variant read_result(duk_context* ctx) {
    Variant out;
    switch (duk_get_type(ctx, -1)) {
    case DUK_TYPE_NULL: out->vt = VT_NULL; break;
    case DUK_TYPE_BOOLEAN:
        out->vt = VT_BOOL;
        out->boolVal = duk_get_boolean(ctx, -1) ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case DUK_TYPE_NUMBER: {
        double d = duk_get_number(ctx, -1);
        if (std::trunc(d) == d && d >= -2147483648.0 && d <= 2147483647.0 && !(d == 0 && std::signbit(d))) {
            out->vt = VT_I4;
            out->lVal = static_cast<LONG>(d);
        } else {
            out->vt = VT_R8;
            out->dblVal = d;
        }
        break;
    }
    case DUK_TYPE_STRING: {
        duk_size_t len = 0;
        const char* s = duk_get_lstring(ctx, -1, &len);
        out = Variant::from_utf8(std::string_view(s, len));
        break;
    }
    default: break;  // undefined
    }
    return out;
}

std::u16string read_error(duk_context* ctx) {
    // duk_safe_to_string never throws; it falls back to a fixed text.
    duk_size_t len = 0;
    const char* s = duk_safe_to_lstring(ctx, -1, &len);
    return utf16_from_utf8(std::string_view(s ? s : "", s ? len : 0));
}

}  // namespace

}  // namespace quilbex::script

extern "C" int quilbex_script_timeout_check(void* udata) {
    auto* heap = static_cast<quilbex::script::ScriptEngine::Heap*>(udata);
    return heap && heap->has_deadline && std::chrono::steady_clock::now() >= heap->deadline;
}

namespace quilbex::script {
namespace {

struct DeadlineScope {
    Heap& heap;
    DeadlineScope(Heap& h, ScriptEngine::Timeout timeout) : heap(h) {
        heap.has_deadline = timeout.count() > 0;
        heap.deadline = std::chrono::steady_clock::now() + timeout;
    }
    ~DeadlineScope() { heap.has_deadline = false; }
};

ScriptOutcome finish(duk_context* ctx, duk_int_t rc) {
    ScriptOutcome outcome;
    if (rc == DUK_EXEC_SUCCESS) {
        outcome.ok = true;
        outcome.value = read_result(ctx);
    } else {
        outcome.error = read_error(ctx);
    }
    duk_pop(ctx);
    return outcome;
}

}  // namespace

ScriptEngine::ScriptEngine(std::unique_ptr<Heap> heap) : m_heap(std::move(heap)) {}

ScriptEngine::~ScriptEngine() = default;

std::unique_ptr<ScriptEngine> ScriptEngine::create(std::size_t memory_limit) {
    auto heap = std::make_unique<Heap>();
    heap->limit = memory_limit;
    heap->ctx = duk_create_heap(heap_alloc, heap_realloc, heap_free, heap.get(), heap_fatal);
    if (!heap->ctx)
        return nullptr;
    return std::unique_ptr<ScriptEngine>(new ScriptEngine(std::move(heap)));
}

ScriptOutcome ScriptEngine::eval(std::u16string_view source, Timeout timeout) {
    std::string cesu = utf8_from_utf16(source, Utf8Form::Cesu8);
    EvalRequest req{cesu.data(), cesu.size()};
    DeadlineScope deadline(*m_heap, timeout);
    duk_int_t rc = duk_safe_call(m_heap->ctx, eval_protected, &req, 0, 1);
    return finish(m_heap->ctx, rc);
}

ScriptOutcome ScriptEngine::call(std::u16string_view name, const std::vector<Variant>& args, Timeout timeout) {
    std::vector<PlainValue> values;
    for (const Variant& a : args) {
        if (!flatten(a.get(), values)) {
            ScriptOutcome failed;
            failed.error = u"Type mismatch: a value of this type cannot be passed to a script";
            return failed;
        }
    }
    std::string cesu_name = utf8_from_utf16(name, Utf8Form::Cesu8);
    CallRequest req{cesu_name.data(), cesu_name.size(), values.data(), values.size(), args.size()};
    DeadlineScope deadline(*m_heap, timeout);
    duk_int_t rc = duk_safe_call(m_heap->ctx, call_protected, &req, 0, 1);
    return finish(m_heap->ctx, rc);
}

std::size_t ScriptEngine::memory_in_use() const { return m_heap->in_use; }

}  // namespace quilbex::script
