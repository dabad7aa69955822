#include "library/frame/dispatch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "common/win32/unique_handle.h"
#include "library/frame/array_arguments.h"
#include "library/frame/module.h"

namespace korvel {

using tolvare::com_ptr;

namespace {

// No member of the library has more parameters; more arguments than this are a bad count.
constexpr size_t kMaxParameters = 16;

ParameterShape shapeOf(const TYPEDESC& desc, USHORT flags) {
    ParameterShape p;
    const TYPEDESC* t = &desc;
    if (t->vt == VT_PTR) {
        p.byReference = true;
        t = t->lptdesc;
    }
    p.type = t->vt == VT_SAFEARRAY ? VARTYPE(VT_ARRAY | t->lptdesc->vt) : t->vt;
    p.optional = (flags & PARAMFLAG_FOPT) != 0;
    return p;
}

bool lessThan(const MemberShape& m, DISPID id, INVOKEKIND kind) {
    return m.id < id || (m.id == id && m.kind < kind);
}

// Letters a-z made capitals; 0 for anything beyond ASCII (not compared here).
wchar_t asciiUpper(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
    return c < 0x80 ? c : 0;
}

// -1, 0 or 1 as `key` (upper case) sorts before, with or after `name` in any case; 2 when the
// name holds a character beyond ASCII.
int compareName(const std::wstring& key, const wchar_t* name) {
    std::size_t i = 0;
    for (;; ++i) {
        const wchar_t c = name[i] ? asciiUpper(name[i]) : L'\0';
        if (name[i] && c == 0) return 2;
        const wchar_t k = i < key.size() ? key[i] : L'\0';
        if (k != c) return k < c ? -1 : 1;
        if (k == L'\0') return 0;
    }
}

}  // namespace

struct InterfaceShapeLoader {
    static std::unique_ptr<InterfaceShape> load(const IID& iid) {
        com_ptr<ITypeLib> library;
        if (FAILED(LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, library.put()))) return nullptr;
        com_ptr<ITypeInfo> dispatchView;
        if (FAILED(library->GetTypeInfoOfGuid(iid, dispatchView.put()))) return nullptr;
        // The members' table offsets and parameter types come from the vtable view of the dual
        // interface; the dispatch view answers names.
        com_ptr<ITypeInfo> vtableView;
        HREFTYPE reference = 0;
        if (FAILED(dispatchView->GetRefTypeOfImplType(-1, &reference)) ||
            FAILED(dispatchView->GetRefTypeInfo(reference, vtableView.put())))
            return nullptr;
        TYPEATTR* attr = nullptr;
        if (FAILED(vtableView->GetTypeAttr(&attr))) return nullptr;
        auto shape = std::make_unique<InterfaceShape>();
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FUNCDESC* func = nullptr;
            if (FAILED(vtableView->GetFuncDesc(i, &func))) continue;
            MemberShape member;
            member.id = func->memid;
            member.kind = func->invkind;
            member.vtableOffset = func->oVft;
            for (SHORT p = 0; p < func->cParams; ++p) {
                const ELEMDESC& e = func->lprgelemdescParam[p];
                ParameterShape param = shapeOf(e.tdesc, e.paramdesc.wParamFlags);
                if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) {
                    member.hasResult = true;
                    member.resultType = param.type;
                } else {
                    member.parameters.push_back(param);
                }
            }
            BSTR name = nullptr;
            if (SUCCEEDED(vtableView->GetDocumentation(func->memid, &name, nullptr, nullptr, nullptr)) && name) {
                std::wstring key(name);
                SysFreeString(name);
                bool ascii = !key.empty();
                for (wchar_t& c : key) ascii = ascii && (c = asciiUpper(c)) != 0;
                if (ascii) shape->names_.emplace_back(std::move(key), func->memid);
            }
            vtableView->ReleaseFuncDesc(func);
            shape->members_.push_back(std::move(member));
        }
        vtableView->ReleaseTypeAttr(attr);
        std::sort(shape->members_.begin(), shape->members_.end(),
                  [](const MemberShape& a, const MemberShape& b) { return lessThan(a, b.id, b.kind); });
        // A property's get and put share one name and one id.
        std::sort(shape->names_.begin(), shape->names_.end());
        shape->names_.erase(std::unique(shape->names_.begin(), shape->names_.end()), shape->names_.end());
        shape->dispatchView_ = dispatchView.detach();
        return shape;
    }
};

const InterfaceShape* InterfaceShape::of(const IID& iid) noexcept try {
    static std::mutex mutex;
    static std::map<GUID, std::unique_ptr<InterfaceShape>, bool (*)(const GUID&, const GUID&)> shapes(
        [](const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) < 0; });
    std::lock_guard lock(mutex);
    auto& slot = shapes[iid];
    if (!slot) slot = InterfaceShapeLoader::load(iid);
    return slot.get();
} catch (...) {
    return nullptr;
}

const MemberShape* InterfaceShape::find(DISPID id, INVOKEKIND kind) const noexcept {
    auto it = std::lower_bound(members_.begin(), members_.end(), id,
                               [kind](const MemberShape& m, DISPID wanted) { return lessThan(m, wanted, kind); });
    return it != members_.end() && it->id == id && it->kind == kind ? &*it : nullptr;
}

DISPID InterfaceShape::idOfName(const wchar_t* name) const noexcept {
    std::size_t low = 0;
    std::size_t high = names_.size();
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        const int order = compareName(names_[middle].first, name);
        if (order == 2) return DISPID_UNKNOWN;
        if (order == 0) return names_[middle].second;
        if (order < 0) low = middle + 1;
        else high = middle;
    }
    return DISPID_UNKNOWN;
}

namespace {

const MemberShape* findForFlags(const InterfaceShape& shape, DISPID id, WORD flags) {
    const MemberShape* m = nullptr;
    if (flags & DISPATCH_PROPERTYPUTREF) m = shape.find(id, INVOKE_PROPERTYPUTREF);
    if (!m && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) m = shape.find(id, INVOKE_PROPERTYPUT);
    if (!m && (flags & DISPATCH_PROPERTYPUT)) m = shape.find(id, INVOKE_PROPERTYPUTREF);
    if (!m && (flags & DISPATCH_METHOD)) m = shape.find(id, INVOKE_FUNC);
    if (!m && (flags & DISPATCH_PROPERTYGET)) m = shape.find(id, INVOKE_PROPERTYGET);
    return m;
}

// A value of `type` with all its bits zero (a null string, a null array, 0, false); for a
// variant, the empty variant. What a member's result starts as.
void setZero(VARIANT& v, VARTYPE type) {
    std::memset(&v, 0, sizeof(v));
    V_VT(&v) = type == VT_VARIANT ? VARTYPE(VT_EMPTY) : type;
}

// The empty value of a type: what a left-out optional parameter receives. Text is an empty
// string rather than a null one, which the platform would read differently.
HRESULT setEmpty(VARIANT& v, VARTYPE type) {
    setZero(v, type);
    if (type == VT_BSTR) {
        V_BSTR(&v) = SysAllocStringLen(L"", 0);
        if (!V_BSTR(&v)) return E_OUTOFMEMORY;
    }
    return S_OK;
}

// Converts `source` (already dereferenced) to `type` into `holder`.
HRESULT convert(VARIANT& holder, VARIANT& source, VARTYPE type, LCID locale) {
    VariantInit(&holder);
    if (type == VT_VARIANT) return VariantCopyInd(&holder, &source);
    if (V_VT(&source) == type) return VariantCopy(&holder, &source);  // keeps a null string null
    if (type == VT_DISPATCH && (V_VT(&source) == VT_EMPTY || V_VT(&source) == VT_NULL)) {
        V_VT(&holder) = VT_DISPATCH;
        V_DISPATCH(&holder) = nullptr;
        return S_OK;
    }
    if (type & VT_ARRAY) {
        // A typed array from a script's array of variants, or from a variable that holds none
        // yet (the member gives it one).
        VARIANT value;
        VariantInit(&value);
        HRESULT hr = VariantCopyInd(&value, &source);
        if (FAILED(hr)) return hr;
        V_VT(&holder) = type;
        V_ARRAY(&holder) = nullptr;
        if (V_VT(&value) == (VT_ARRAY | VT_VARIANT)) {
            hr = typedArrayFromVariants(V_ARRAY(&value), VARTYPE(type & ~VT_ARRAY), &V_ARRAY(&holder));
        } else if (V_VT(&value) == type) {
            V_ARRAY(&holder) = V_ARRAY(&value);
            VariantInit(&value);
        } else if (V_VT(&value) != VT_EMPTY) {
            hr = DISP_E_TYPEMISMATCH;
        }
        VariantClear(&value);
        if (FAILED(hr)) VariantInit(&holder);
        return hr;
    }
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = VariantCopyInd(&value, &source);
    if (SUCCEEDED(hr)) hr = VariantChangeTypeEx(&holder, &value, locale, 0, type);
    VariantClear(&value);
    if (hr == DISP_E_BADVARTYPE || hr == E_INVALIDARG) hr = DISP_E_TYPEMISMATCH;
    return hr;
}

// Stores `value` into the location that a typed by-reference argument points at, converting it
// to that location's type.
HRESULT storeThrough(const VARIANT& target, VARIANT& value, LCID locale) {
    VARTYPE type = V_VT(&target) & ~VT_BYREF;
    if ((V_VT(&value) & VT_ARRAY) && V_VT(&value) != (VT_ARRAY | VT_VARIANT) &&
        (type == VT_VARIANT || type == (VT_ARRAY | VT_VARIANT))) {
        // A typed array goes back into a script's variable as an array of variants.
        SAFEARRAY* variants = nullptr;
        if (HRESULT hr = variantsFromTypedArray(V_ARRAY(&value), &variants); FAILED(hr)) return hr;
        VARIANT* variable = type == VT_VARIANT ? V_VARIANTREF(&target) : nullptr;
        if (variable && V_VT(variable) != (VT_BYREF | VT_ARRAY | VT_VARIANT)) {
            VariantClear(variable);
            V_VT(variable) = VT_ARRAY | VT_VARIANT;
            V_ARRAY(variable) = variants;
        } else {
            // The caller's variable, or the array its variable refers to, takes the new array.
            SAFEARRAY** array = variable ? V_ARRAYREF(variable) : V_ARRAYREF(&target);
            if (*array) SafeArrayDestroy(*array);
            *array = variants;
        }
        return S_OK;
    }
    if (type == VT_VARIANT) {
        VARIANT* variable = V_VARIANTREF(&target);
        VARIANT copy;
        VariantInit(&copy);
        HRESULT hr = VariantCopy(&copy, &value);
        if (FAILED(hr)) return hr;
        VariantClear(variable);
        *variable = copy;
        return S_OK;
    }
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = V_VT(&value) == type ? VariantCopy(&converted, &value)
                                      : VariantChangeTypeEx(&converted, &value, locale, 0, type);
    if (FAILED(hr)) return hr;
    void* where = V_BYREF(&target);
    switch (type) {
    case VT_BSTR:
        SysFreeString(*static_cast<BSTR*>(where));
        *static_cast<BSTR*>(where) = V_BSTR(&converted);
        return S_OK;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (auto old = *static_cast<IUnknown**>(where)) old->Release();
        *static_cast<IUnknown**>(where) = V_UNKNOWN(&converted);
        return S_OK;
    case VT_I1: case VT_UI1:
        std::memcpy(where, &V_UI1(&converted), 1);
        return S_OK;
    case VT_I2: case VT_UI2: case VT_BOOL:
        std::memcpy(where, &V_UI2(&converted), 2);
        return S_OK;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR:
        std::memcpy(where, &V_UI4(&converted), 4);
        return S_OK;
    case VT_I8: case VT_UI8: case VT_R8: case VT_DATE: case VT_CY:
        std::memcpy(where, &V_UI8(&converted), 8);
        return S_OK;
    case VT_DECIMAL:
        std::memcpy(where, &V_DECIMAL(&converted), sizeof(DECIMAL));
        return S_OK;
    default:
        VariantClear(&converted);
        return DISP_E_TYPEMISMATCH;
    }
}

// The variants that hold converted arguments for one call; cleared when the call is over.
class Holders {
public:
    Holders() {
        for (auto& v : values_) VariantInit(&v);
    }
    ~Holders() {
        for (size_t i = 0; i < used_; ++i) VariantClear(&values_[i]);
    }
    VARIANT& next() { return values_[used_++]; }

private:
    std::array<VARIANT, kMaxParameters + 1> values_;
    size_t used_ = 0;
};

void fillException(EXCEPINFO* exception, HRESULT status) {
    std::memset(exception, 0, sizeof(*exception));
    exception->scode = status;
    com_ptr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) == S_OK && info) {
        info->GetSource(&exception->bstrSource);
        info->GetDescription(&exception->bstrDescription);
        info->GetHelpFile(&exception->bstrHelpFile);
        info->GetHelpContext(&exception->dwHelpContext);
        // Reading the error object takes it away; leave it for callers that ask the thread.
        SetErrorInfo(0, info.get());
    }
}

// Which argument (an index into rgvarg) goes to which parameter; -1 for none given.
using ArgumentSources = std::array<int, kMaxParameters>;

// Positional arguments come last-first in rgvarg; named ones name their parameter (the value
// of a property put names the last one).
HRESULT planArguments(const MemberShape& member, const DISPPARAMS& params, ArgumentSources& source,
                      UINT* argumentError) {
    const size_t count = member.parameters.size();
    const bool putter = member.kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
    source.fill(-1);
    const UINT named = params.cNamedArgs, positional = params.cArgs - named;
    if (positional > count) return DISP_E_BADPARAMCOUNT;
    for (UINT k = 0; k < positional; ++k) source[k] = int(params.cArgs - 1 - k);
    for (UINT i = 0; i < named; ++i) {
        DISPID name = params.rgdispidNamedArgs[i];
        // Any other negative identifier turns into an index past the last parameter.
        size_t index = name == DISPID_PROPERTYPUT && putter ? count - 1 : size_t(name);
        if (index >= count || source[index] != -1) {
            if (argumentError) *argumentError = i;
            return DISP_E_PARAMNOTFOUND;
        }
        source[index] = int(i);
    }
    return S_OK;
}

// What DispCallFunc is given (each actual's type and the slot it reads), the values converted
// for the member, and the caller's by-reference variables to write back after the call.
struct CallFrame {
    struct WriteBack {
        VARIANT* target;  // the caller's by-reference argument
        VARIANT* holder;  // the converted value the member worked on
    };

    Holders holders;
    std::array<VARTYPE, kMaxParameters + 1> types;
    std::array<VARIANT, kMaxParameters + 1> slots;
    std::array<VARIANTARG*, kMaxParameters + 1> pointers;
    std::array<WriteBack, kMaxParameters> writeBacks;
    size_t writeBackCount = 0;
    size_t actuals = 0;
    VARIANT* result = nullptr;

    // The member works on `holder`: a reference to it, or its value.
    void pass(size_t p, const ParameterShape& param, VARIANT& holder) {
        if (param.byReference) {
            types[p] = VT_BYREF | param.type;
            V_BYREF(&slots[p]) = param.type == VT_VARIANT ? static_cast<void*>(&holder) : &V_BSTR(&holder);
        } else {
            types[p] = param.type;
            slots[p] = holder;
        }
    }
};

// Each parameter's actual: the empty value of its type when left out, the caller's own storage
// when it already has the type, else the argument converted as the automation rules convert.
HRESULT convertArguments(const MemberShape& member, const DISPPARAMS& params, const ArgumentSources& source,
                         LCID locale, CallFrame& frame, UINT* argumentError) {
    const size_t count = member.parameters.size();
    for (size_t p = 0; p < count; ++p) {
        const ParameterShape& param = member.parameters[p];
        VARIANT* given = source[p] >= 0 ? &params.rgvarg[source[p]] : nullptr;
        if (given && V_VT(given) == VT_ERROR && V_ERROR(given) == DISP_E_PARAMNOTFOUND) given = nullptr;
        VariantInit(&frame.slots[p]);
        frame.pointers[p] = &frame.slots[p];

        if (!given) {
            if (!param.optional) return DISP_E_BADPARAMCOUNT;
            VARIANT& holder = frame.holders.next();
            if (HRESULT hr = setEmpty(holder, param.type); FAILED(hr)) return hr;
            frame.pass(p, param, holder);
            continue;
        }

        // A typed reference of exactly the parameter's type: the member works on the caller's
        // own storage, nothing to convert or write back.
        if (param.byReference && V_VT(given) == (VT_BYREF | param.type)) {
            frame.types[p] = VT_BYREF | param.type;
            V_BYREF(&frame.slots[p]) = V_BYREF(given);
            continue;
        }
        if (!param.byReference && V_VT(given) == param.type && param.type != VT_VARIANT) {
            frame.types[p] = param.type;
            frame.slots[p] = *given;
            continue;
        }

        VARIANT* value = given;
        VARIANT arrayReference;  // a typed reference to the caller's array of variants, read through
        if (V_VT(given) == (VT_BYREF | VT_ARRAY | VT_VARIANT) && (param.type & VT_ARRAY)) {
            if (!V_ARRAYREF(given)) return E_INVALIDARG;
            VariantInit(&arrayReference);
            V_VT(&arrayReference) = VT_ARRAY | VT_VARIANT;
            V_ARRAY(&arrayReference) = *V_ARRAYREF(given);
            value = &arrayReference;
        } else if (V_VT(given) == (VT_BYREF | VT_VARIANT)) {
            if (!V_VARIANTREF(given)) return E_INVALIDARG;
            value = V_VARIANTREF(given);
        }
        VARIANT& holder = frame.holders.next();
        if (HRESULT hr = convert(holder, *value, param.type, locale); FAILED(hr)) {
            if (argumentError) *argumentError = UINT(source[p]);
            return hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
        }
        frame.pass(p, param, holder);
        if (param.byReference && (V_VT(given) & VT_BYREF)) frame.writeBacks[frame.writeBackCount++] = {given, &holder};
    }

    frame.actuals = count;
    frame.result = &frame.holders.next();
    if (member.hasResult) {
        setZero(*frame.result, member.resultType);
        frame.types[count] = VT_BYREF | member.resultType;
        VariantInit(&frame.slots[count]);
        V_BYREF(&frame.slots[count]) =
            member.resultType == VT_VARIANT ? static_cast<void*>(frame.result) : &V_BSTR(frame.result);
        frame.pointers[count] = &frame.slots[count];
        ++frame.actuals;
    }
    return S_OK;
}

// By-reference arguments are written back whatever the outcome, as the member left them. An
// array goes back only from a member that succeeded: a failed one may have refused to resize it
// (a fixed array), and the caller's array must then stay the one it had.
void writeBack(const CallFrame& frame, HRESULT status, LCID locale) {
    for (size_t i = 0; i < frame.writeBackCount; ++i) {
        if (FAILED(status) && (V_VT(frame.writeBacks[i].holder) & VT_ARRAY)) continue;
        storeThrough(*frame.writeBacks[i].target, *frame.writeBacks[i].holder, locale);
    }
}

}  // namespace

HRESULT invokeMember(const InterfaceShape& shape, void* object, DISPID id, WORD flags, DISPPARAMS* params,
                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError, LCID locale) noexcept try {
    static DISPPARAMS noParams = {nullptr, nullptr, 0, 0};
    if (!params) params = &noParams;
    if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
    if (params->cNamedArgs > params->cArgs || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs))
        return E_INVALIDARG;

    const MemberShape* member = findForFlags(shape, id, flags);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    ArgumentSources source;
    if (HRESULT hr = planArguments(*member, *params, source, argumentError); FAILED(hr)) return hr;
    CallFrame frame;
    if (HRESULT hr = convertArguments(*member, *params, source, locale, frame, argumentError); FAILED(hr)) return hr;

    VARIANT returned;
    VariantInit(&returned);
    HRESULT called = DispCallFunc(object, ULONG_PTR(member->vtableOffset), CC_STDCALL, VT_ERROR, UINT(frame.actuals),
                                  frame.types.data(), frame.pointers.data(), &returned);
    if (FAILED(called)) return called;
    HRESULT status = V_ERROR(&returned);
    writeBack(frame, status, locale);

    if (FAILED(status)) {
        if (!exception) return status;
        fillException(exception, status);
        return DISP_E_EXCEPTION;
    }
    if (result) {
        VariantInit(result);
        if (member->hasResult) {
            *result = *frame.result;
            VariantInit(frame.result);
        }
    }
    return S_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
} catch (...) {
    return E_UNEXPECTED;
}

}  // namespace korvel
