#include "library/internet/late_bound_calls.h"

#include <dispex.h>

#include "library/frame/ansi_text.h"

namespace korvel::internet {

namespace {

// The error number a script sees for a failed call: the run-time error of the automation
// facility, or the status itself.
long errorNumberOf(HRESULT status) {
    if (HRESULT_FACILITY(status) == FACILITY_CONTROL) return long(status & 0xFFFF);
    return long(status);
}

std::wstring descriptionOf(HRESULT status) {
    if (HRESULT_FACILITY(status) == FACILITY_CONTROL) {
        std::wstring_view known = runtimeErrorDescription(long(status & 0xFFFF));
        if (!known.empty()) return std::wstring(known);
    }
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, DWORD(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring description = length ? std::wstring(text, length) : L"Erreur Automation";
    LocalFree(text);
    while (!description.empty() && (description.back() == L'\n' || description.back() == L'\r'))
        description.pop_back();
    return description;
}

}  // namespace

std::optional<tolvare::unique_variant> LateBoundCalls::call(IDispatch* object, const wchar_t* member,
                                                            std::vector<VARIANT> arguments, WORD flags) {
    if (!object) return fail(RuntimeError(kObjectVariableNotSet));
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    // Objects of script engines may answer names only through IDispatchEx (Wine's VBScript
    // classes do); their members are then called the same way.
    tolvare::com_ptr<IDispatchEx> scripted;
    if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) {
        tolvare::unique_bstr wanted(makeString(member));
        if (FAILED(object->QueryInterface(__uuidof(IDispatchEx), scripted.put_void())) ||
            FAILED(scripted->GetDispID(wanted.get(), fdexNameCaseInsensitive, &id)))
            return fail(RuntimeError(kPropertyOrMethodNotSupported));
    }
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
    tolvare::unique_variant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    HRESULT hr = scripted ? scripted->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, result.put(), &exception, nullptr)
                          : object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.put(),
                                           &exception, &argumentError);
    if (SUCCEEDED(hr)) return result;
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        HRESULT status = exception.scode ? exception.scode
                                         : (exception.wCode ? MAKE_HRESULT(1, FACILITY_CONTROL, exception.wCode) : E_FAIL);
        std::wstring description = exception.bstrDescription
                                       ? std::wstring(textOf(exception.bstrDescription))
                                       : descriptionOf(status);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        error = {errorNumberOf(status), std::move(description)};
    } else {
        error = {errorNumberOf(hr), descriptionOf(hr)};
    }
    return std::nullopt;
}

tolvare::com_ptr<IDispatch> LateBoundCalls::object(IDispatch* object, const wchar_t* member,
                                                   std::vector<VARIANT> arguments) {
    auto result = call(object, member, std::move(arguments));
    if (!result) return nullptr;
    VARIANT* v = result->get();
    if ((V_VT(v) == VT_DISPATCH || V_VT(v) == VT_UNKNOWN) && V_UNKNOWN(v)) {
        tolvare::com_ptr<IDispatch> found;
        if (SUCCEEDED(V_UNKNOWN(v)->QueryInterface(IID_IDispatch, found.put_void()))) return found;
    }
    fail(RuntimeError(kObjectRequired));
    return nullptr;
}

std::nullopt_t LateBoundCalls::fail(const RuntimeError& e) {
    error = {e.number(), e.description()};
    return std::nullopt;
}

VARIANT Arguments::text(std::wstring_view value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = makeString(value);
    owned_.push_back(tolvare::unique_bstr(V_BSTR(&v)));
    return v;
}

VARIANT Arguments::number(long value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT Arguments::boolean(bool value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

}  // namespace korvel::internet
