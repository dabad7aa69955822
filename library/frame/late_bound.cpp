#include "library/frame/late_bound.h"

#include <dispex.h>

#include <algorithm>

#include "library/frame/ansi_text.h"
#include "library/frame/errors.h"

namespace korvel {

LateBound::LateBound(IDispatch* object) noexcept : object_(object) {}

LateBound LateBound::create(const wchar_t* programmaticName) {
    CLSID clsid;
    tolvare::com_ptr<IDispatch> object;
    HRESULT hr = CLSIDFromProgID(programmaticName, &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              object.put_void());
    if (FAILED(hr) || !object) throw RuntimeError(kCannotCreateObject);
    return LateBound(object.get());
}

HRESULT LateBound::invoke(const wchar_t* name, WORD flags, DISPPARAMS& parameters, VARIANT* result) const noexcept {
    if (!object_) return runtimeStatus(kObjectVariableNotSet);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR member = const_cast<LPOLESTR>(name);
    HRESULT hr = object_->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        // Objects made by scripts name their members through the dispatch extension (Wine's
        // script classes answer nothing else).
        tolvare::com_ptr<IDispatchEx> extended;
        if (FAILED(object_->QueryInterface(__uuidof(IDispatchEx), extended.put_void())) || !extended) return hr;
        tolvare::unique_bstr text(SysAllocString(name));
        if (!text) return E_OUTOFMEMORY;
        hr = extended->GetDispID(text.get(), fdexNameCaseInsensitive, &id);
        if (FAILED(hr)) return hr;
    }
    EXCEPINFO exception{};
    hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, &exception, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        hr = exception.scode ? exception.scode : runtimeStatus(exception.wCode);
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

HRESULT LateBound::property(const wchar_t* name, VARIANT* value) const noexcept {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VariantClear(value);
    // A plain property read: the objects that scripts make (Wine's) take no other request.
    return invoke(name, DISPATCH_PROPERTYGET, none, value);
}

HRESULT LateBound::setProperty(const wchar_t* name, const VARIANT& value) const noexcept {
    VARIANT argument = value;  // the callee only reads it
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&argument, &named, 1, 1};
    return invoke(name, DISPATCH_PROPERTYPUT, parameters, nullptr);
}

HRESULT LateBound::call(const wchar_t* name, std::vector<VARIANT> arguments, VARIANT* result) const noexcept {
    std::reverse(arguments.begin(), arguments.end());  // Invoke takes them last first
    DISPPARAMS parameters{arguments.data(), nullptr, UINT(arguments.size()), 0};
    if (result) VariantClear(result);
    return invoke(name, DISPATCH_METHOD, parameters, result);
}

std::optional<std::wstring> LateBound::textProperty(const wchar_t* name) const {
    tolvare::unique_variant value;
    if (FAILED(property(name, value.get()))) return std::nullopt;
    if (V_VT(value.get()) != VT_BSTR &&
        FAILED(VariantChangeType(value.get(), value.get(), VARIANT_ALPHABOOL, VT_BSTR)))
        return std::nullopt;
    return std::wstring(textOf(V_BSTR(value.get())));
}

std::optional<std::vector<tolvare::com_ptr<IDispatch>>> LateBound::elements() const {
    if (!object_) return std::nullopt;
    tolvare::unique_variant enumerator;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    HRESULT hr = object_->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, enumerator.get(), nullptr, nullptr);
    if (FAILED(hr)) return std::nullopt;
    VARTYPE type = V_VT(enumerator.get());
    if ((type != VT_UNKNOWN && type != VT_DISPATCH) || !V_UNKNOWN(enumerator.get())) return std::nullopt;
    tolvare::com_ptr<IEnumVARIANT> items;
    if (FAILED(V_UNKNOWN(enumerator.get())->QueryInterface(IID_IEnumVARIANT, items.put_void())) || !items)
        return std::nullopt;
    std::vector<tolvare::com_ptr<IDispatch>> result;
    for (;;) {
        tolvare::unique_variant item;
        ULONG fetched = 0;
        if (items->Next(1, item.get(), &fetched) != S_OK || fetched != 1) break;
        IUnknown* unknown = nullptr;
        if (V_VT(item.get()) == VT_DISPATCH || V_VT(item.get()) == VT_UNKNOWN) unknown = V_UNKNOWN(item.get());
        tolvare::com_ptr<IDispatch> element;
        // An element that is no object has no texts: it stays in the list as a null one.
        if (unknown) unknown->QueryInterface(IID_IDispatch, element.put_void());
        result.push_back(std::move(element));
        if (result.size() > 1000000) break;  // an enumerator that never ends
    }
    return result;
}

namespace {

// The answer of the file-system object's `method` for `path`, converted to `type`.
tolvare::unique_variant fileSystemAnswer(const wchar_t* method, std::wstring_view path, VARTYPE type) {
    LateBound files = LateBound::create(L"Scripting.FileSystemObject");
    tolvare::unique_bstr argument(makeString(path));
    VARIANT given;
    VariantInit(&given);
    V_VT(&given) = VT_BSTR;
    V_BSTR(&given) = argument.get();
    tolvare::unique_variant answer;
    HRESULT hr = files.call(method, {given}, answer.get());
    if (FAILED(hr)) throw RuntimeError(hr);
    if (V_VT(answer.get()) != type && FAILED(VariantChangeType(answer.get(), answer.get(), 0, type)))
        throw RuntimeError(kTypeMismatch);
    return answer;
}

}  // namespace

bool askFileSystem(const wchar_t* method, std::wstring_view path) {
    return V_BOOL(fileSystemAnswer(method, path, VT_BOOL).get()) != VARIANT_FALSE;
}

std::wstring fileSystemText(const wchar_t* method, std::wstring_view path) {
    return std::wstring(textOf(V_BSTR(fileSystemAnswer(method, path, VT_BSTR).get())));
}

}  // namespace korvel
