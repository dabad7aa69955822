// A stand-in for the window objects that clients hand to the language-file members: an
// automation object with named properties (some of them failing when read, as Index does on a
// control outside an indexed group) and, for the window, a Controls collection enumerated by
// the standard enumerator. No window framework of this project exposes such an object.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "common/win32/unique_handle.h"

namespace korvel_test {

class StandInObject final : public IDispatch {
public:
    static tolvare::com_ptr<StandInObject> make();

    // A text property, read and write.
    StandInObject& text(const std::wstring& name, const std::wstring& value);
    // A property that raises run-time error `number` when read (Index outside a group: 343).
    StandInObject& failing(const std::wstring& name, long number);
    StandInObject& number(const std::wstring& name, long value);
    StandInObject& object(const std::wstring& name, IDispatch* value);
    // The elements that this object's standard enumerator gives.
    StandInObject& element(IDispatch* child);

    std::wstring textOf(const std::wstring& name) const;
    int writes() const { return writes_; }

    IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override;
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT*) override;

private:
    StandInObject() = default;
    ~StandInObject();
    struct Property {
        std::wstring name;
        VARIANT value;
        long failure = 0;
    };
    Property* find(const std::wstring& name);
    const Property* find(const std::wstring& name) const;

    ULONG references_ = 1;
    std::vector<Property> properties_;
    std::vector<tolvare::com_ptr<IDispatch>> elements_;
    int writes_ = 0;
};

}  // namespace korvel_test
