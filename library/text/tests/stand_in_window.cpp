#include "library/text/tests/stand_in_window.h"

namespace korvel_test {

namespace {

// The standard enumerator over a snapshot of the elements.
class Enumerator final : public IEnumVARIANT {
public:
    explicit Enumerator(std::vector<tolvare::com_ptr<IDispatch>> items) : items_(std::move(items)) {}

    IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumVARIANT)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override {
        ULONG left = --references_;
        if (!left) delete this;  // COM ownership
        return left;
    }
    IFACEMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        ULONG n = 0;
        for (; n < count && next_ < items_.size(); ++n, ++next_) {
            VariantInit(&out[n]);
            V_VT(&out[n]) = VT_DISPATCH;
            V_DISPATCH(&out[n]) = items_[next_].get();
            V_DISPATCH(&out[n])->AddRef();
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    IFACEMETHODIMP Skip(ULONG count) override {
        next_ += count;
        return next_ <= items_.size() ? S_OK : S_FALSE;
    }
    IFACEMETHODIMP Reset() override {
        next_ = 0;
        return S_OK;
    }
    IFACEMETHODIMP Clone(IEnumVARIANT** out) override {
        *out = new Enumerator(items_);  // COM ownership: the caller releases it
        return S_OK;
    }

private:
    ~Enumerator() = default;
    ULONG references_ = 1;
    std::vector<tolvare::com_ptr<IDispatch>> items_;
    size_t next_ = 0;
};

}  // namespace

tolvare::com_ptr<StandInObject> StandInObject::make() {
    return tolvare::com_ptr<StandInObject>::attach(new StandInObject);  // COM ownership
}

StandInObject::~StandInObject() {
    for (Property& p : properties_) VariantClear(&p.value);
}

StandInObject::Property* StandInObject::find(const std::wstring& name) {
    for (Property& p : properties_)
        if (CompareStringOrdinal(p.name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return &p;
    return nullptr;
}

const StandInObject::Property* StandInObject::find(const std::wstring& name) const {
    return const_cast<StandInObject*>(this)->find(name);
}

StandInObject& StandInObject::text(const std::wstring& name, const std::wstring& value) {
    // A property given again takes the new text: a test sets up the object it then changes.
    if (Property* known = find(name); known && known->failure == 0) {
        VariantClear(&known->value);
        V_VT(&known->value) = VT_BSTR;
        V_BSTR(&known->value) = SysAllocStringLen(value.data(), UINT(value.size()));
        return *this;
    }
    Property p{name, {}, 0};
    VariantInit(&p.value);
    V_VT(&p.value) = VT_BSTR;
    V_BSTR(&p.value) = SysAllocStringLen(value.data(), UINT(value.size()));
    properties_.push_back(p);
    return *this;
}

StandInObject& StandInObject::failing(const std::wstring& name, long number) {
    Property p{name, {}, number};
    VariantInit(&p.value);
    properties_.push_back(p);
    return *this;
}

StandInObject& StandInObject::number(const std::wstring& name, long value) {
    Property p{name, {}, 0};
    VariantInit(&p.value);
    V_VT(&p.value) = VT_I2;
    V_I2(&p.value) = short(value);
    properties_.push_back(p);
    return *this;
}

StandInObject& StandInObject::object(const std::wstring& name, IDispatch* value) {
    Property p{name, {}, 0};
    VariantInit(&p.value);
    V_VT(&p.value) = VT_DISPATCH;
    V_DISPATCH(&p.value) = value;
    value->AddRef();
    properties_.push_back(p);
    return *this;
}

StandInObject& StandInObject::element(IDispatch* child) {
    elements_.emplace_back(child);
    return *this;
}

std::wstring StandInObject::textOf(const std::wstring& name) const {
    const Property* p = find(name);
    if (!p || V_VT(&p->value) != VT_BSTR || !V_BSTR(&p->value)) return L"<none>";
    return std::wstring(V_BSTR(&p->value), SysStringLen(V_BSTR(&p->value)));
}

HRESULT StandInObject::QueryInterface(REFIID riid, void** object) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG StandInObject::Release() {
    ULONG left = --references_;
    if (!left) delete this;  // COM ownership
    return left;
}

HRESULT StandInObject::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT StandInObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    *info = nullptr;
    return E_NOTIMPL;
}

HRESULT StandInObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        Property* p = find(names[i]);
        ids[i] = p ? DISPID(p - properties_.data() + 1) : DISPID_UNKNOWN;
        if (!p) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT StandInObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT*) {
    if (id == DISPID_NEWENUM) {
        if (!result) return E_INVALIDARG;
        VariantInit(result);
        V_VT(result) = VT_UNKNOWN;
        V_UNKNOWN(result) = new Enumerator(elements_);  // COM ownership: the caller releases it
        return S_OK;
    }
    if (id < 1 || size_t(id) > properties_.size()) return DISP_E_MEMBERNOTFOUND;
    Property& p = properties_[size_t(id - 1)];
    if (flags & DISPATCH_PROPERTYPUT) {
        if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        ++writes_;
        return VariantCopyInd(&p.value, &params->rgvarg[0]);
    }
    if (p.failure) {
        if (exception) {
            *exception = EXCEPINFO{};
            exception->scode = HRESULT(0x800A0000UL + ULONG(p.failure));
        }
        return DISP_E_EXCEPTION;
    }
    if (!result) return S_OK;
    VariantInit(result);
    return VariantCopy(result, &p.value);
}

}  // namespace korvel_test
