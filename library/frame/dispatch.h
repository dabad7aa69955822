// The dispatch side of every class: IUnknown, IDispatch from the embedded type library, and
// ISupportErrorInfo, in one base template. Late-bound calls go through a thin layer that makes
// script clients work with the typed members:
//  - a variable passed by reference as VARIANT|BYREF (how script engines pass variables) is
//    converted to the parameter's type, and the member's result is written back into it;
//  - an argument of another type is converted as the automation rules say;
//  - a left-out optional parameter becomes the empty value of its type;
//  - a failing member gives DISP_E_EXCEPTION with EXCEPINFO filled from the error object.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <vector>

#include "common/win32/com_object.h"
#include "library/frame/errors.h"

namespace korvel {

// One parameter as the layer handles it: its base type (VT_BSTR, VT_I4, VT_VARIANT,
// VT_ARRAY|VT_BSTR...) and whether the member takes it by reference.
struct ParameterShape {
    VARTYPE type = VT_EMPTY;
    bool byReference = false;
    bool optional = false;
};

struct MemberShape {
    MEMBERID id = 0;
    INVOKEKIND kind = INVOKE_FUNC;
    short vtableOffset = 0;
    std::vector<ParameterShape> parameters;  // without the return value
    bool hasResult = false;
    VARTYPE resultType = VT_EMPTY;
};

// What the type library says of one interface, read once per process.
class InterfaceShape {
public:
    // The shape of the interface `iid` of the embedded type library; null if it cannot be read.
    static const InterfaceShape* of(const IID& iid) noexcept;

    ITypeInfo* dispatchTypeInfo() const noexcept { return dispatchView_; }
    const MemberShape* find(DISPID id, INVOKEKIND kind) const noexcept;
    // The id of the member named `name` in any letter case; DISPID_UNKNOWN when no member has
    // that name or the name holds more than ASCII (the type library's lookup then answers).
    DISPID idOfName(const wchar_t* name) const noexcept;

private:
    ITypeInfo* dispatchView_ = nullptr;  // kept for the life of the process
    std::vector<MemberShape> members_;   // sorted by id, then kind
    // Script hosts ask for a member's id by name at every call; the platform's lookup walks the
    // members in order, so a call cost more the later its member stood in a large class.
    std::vector<std::pair<std::wstring, DISPID>> names_;  // upper case, sorted

    friend struct InterfaceShapeLoader;
};

// IDispatch::Invoke of `object` (a pointer to the dual interface) through its shape.
HRESULT invokeMember(const InterfaceShape& shape, void* object, DISPID id, WORD flags, DISPPARAMS* params,
                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError, LCID locale) noexcept;

// Live objects and factory locks, for DllCanUnloadNow.
void objectCreated() noexcept;
void objectDestroyed() noexcept;

// Base of every class: `Derived` names itself with `static constexpr wchar_t kClassName[]`.
template <typename Derived, typename Interface>
class DispatchObject : public tolvare::ComObject<Derived, Interface, ISupportErrorInfo> {
public:
    // The dual interface is also the object's IDispatch.
    void* otherInterface(REFIID riid) {
        return IsEqualIID(riid, IID_IDispatch) ? static_cast<Interface*>(this) : nullptr;
    }

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        const InterfaceShape* s = shape();
        if (!s) return TYPE_E_CANTLOADLIBRARY;
        *info = s->dispatchTypeInfo();
        (*info)->AddRef();
        return S_OK;
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        const InterfaceShape* s = shape();
        if (!s) return TYPE_E_CANTLOADLIBRARY;
        if (count == 1 && names && names[0] && ids) {
            const DISPID id = s->idOfName(names[0]);
            if (id != DISPID_UNKNOWN) {
                ids[0] = id;
                return S_OK;
            }
        }
        return DispGetIDsOfNames(s->dispatchTypeInfo(), names, count, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        const InterfaceShape* s = shape();
        if (!s) return TYPE_E_CANTLOADLIBRARY;
        return invokeMember(*s, static_cast<Interface*>(this), id, flags, params, result, exception, argumentError,
                            locale);
    }

    IFACEMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, __uuidof(Interface)) ? S_OK : S_FALSE;
    }

protected:
    DispatchObject() noexcept { objectCreated(); }
    ~DispatchObject() override { objectDestroyed(); }

    // Runs a member body, mapping exceptions to a status and the error object.
    template <typename Body>
    static HRESULT guarded(Body&& body) noexcept {
        return korvel::guarded(__uuidof(Interface), std::forward<Body>(body));
    }
    // Out-parameters are empty before a member does anything that can fail.
    template <typename T>
    static void clearResult(T* result) noexcept {
        if (result) *result = T{};
    }

private:
    static const InterfaceShape* shape() noexcept {
        static std::atomic<const InterfaceShape*> cached{nullptr};
        const InterfaceShape* s = cached.load(std::memory_order_acquire);
        if (!s) {
            s = InterfaceShape::of(__uuidof(Interface));
            cached.store(s, std::memory_order_release);
        }
        return s;
    }
};

}  // namespace korvel
