// The one IUnknown of the COM objects both programs make: a thread-safe reference count, the
// object deleted with its last reference, and QueryInterface answering each interface it
// derives from (the first also as IUnknown).
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace tolvare {

// `Derived` may answer further identifiers (an interface another one stands for, as IDispatch
// for a dual interface) with `void* otherInterface(REFIID)`; none by default.
template <typename Derived, typename First, typename... Others>
class ComObject : public First, public Others... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(First)))
            *object = static_cast<First*>(this);
        else
            static_cast<void>(((IsEqualIID(riid, __uuidof(Others)) && (*object = static_cast<Others*>(this))) || ...));
        if (!*object) *object = static_cast<Derived*>(this)->otherInterface(riid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);  // COM ownership: the last reference owns
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    void* otherInterface(REFIID) { return nullptr; }

private:
    std::atomic<ULONG> references_{1};
};

}  // namespace tolvare
