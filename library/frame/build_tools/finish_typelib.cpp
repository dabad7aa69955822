// Build step run under Wine: rewrites the type library that widl made into the final one,
// through the platform's own type library writer (ICreateTypeLib2), so that names and hashes
// are exactly what the platform would store.
//
// What it changes: identifiers listed in the names file (ASCII form, tab, real form) get their
// real, accented form back, and the character DEL in help strings becomes a line feed (widl can
// hold neither). Everything else is copied as widl wrote it: library attributes, the order of
// the types, flags, GUIDs, help strings, members with their dispatch identifiers, kinds,
// parameter types and flags, implemented interfaces, record fields.
//
// usage: finish_typelib.exe WIDL.tlb NAMES.txt FINAL.tlb

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <deque>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/win32/unique_handle.h"

using tolvare::com_ptr;
using tolvare::unique_bstr;

namespace {

struct Failure {
    std::wstring what;
    HRESULT status;
};

void check(HRESULT hr, const std::wstring& what) {
    if (FAILED(hr)) throw Failure{what, hr};
}

std::wstring fromUtf8(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), int(wide.size()));
    wide.resize(n);
    return wide;
}

std::map<std::wstring, std::wstring> readNames(const wchar_t* path) {
    std::map<std::wstring, std::wstring> names;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure{std::wstring(L"cannot read ") + path, E_FAIL};
    std::string line;
    while (std::getline(in, line)) {
        auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        names[fromUtf8(line.substr(0, tab))] = fromUtf8(line.substr(tab + 1));
    }
    return names;
}

class Copier {
public:
    Copier(ITypeLib* source, ICreateTypeLib2* target, int targetPointerSize,
           std::map<std::wstring, std::wstring> names)
        : source_(source), target_(target), targetPointerSize_(targetPointerSize), names_(std::move(names)) {}

    void run() {
        copyLibraryAttributes();
        UINT count = source_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) createType(i);
        for (auto& type : types_) copyType(type);
        for (auto& type : types_) check(type.writer->LayOut(), L"LayOut of " + type.name);
        check(target_->SaveAllChanges(), L"SaveAllChanges");
    }

private:
    struct Type {
        std::wstring name;
        com_ptr<ITypeInfo> reader;          // the view copied (the vtable view of a dual interface)
        com_ptr<ICreateTypeInfo2> writer;
        com_ptr<ITypeInfo> written;          // the new type, for references to it
    };

    std::wstring realName(const wchar_t* name) const {
        auto it = names_.find(name ? name : L"");
        return it != names_.end() ? it->second : std::wstring(name ? name : L"");
    }

    static std::wstring withLineFeeds(BSTR text) {
        std::wstring s(text ? text : L"", text ? SysStringLen(text) : 0);
        for (auto& c : s)
            if (c == 0x7F) c = L'\n';
        return s;
    }

    void copyLibraryAttributes() {
        TLIBATTR* attr = nullptr;
        check(source_->GetLibAttr(&attr), L"GetLibAttr");
        unique_bstr name, doc, helpFile;
        DWORD context = 0;
        check(source_->GetDocumentation(-1, name.put(), doc.put(), &context, helpFile.put()), L"library documentation");
        check(target_->SetName(name.get()), L"SetName");
        check(target_->SetGuid(attr->guid), L"SetGuid");
        check(target_->SetLcid(attr->lcid), L"SetLcid");
        check(target_->SetVersion(attr->wMajorVerNum, attr->wMinorVerNum), L"SetVersion");
        check(target_->SetLibFlags(attr->wLibFlags), L"SetLibFlags");
        if (doc) check(target_->SetDocString(withLineFeeds(doc.get()).data()), L"library SetDocString");
        if (context) check(target_->SetHelpContext(context), L"library SetHelpContext");
        source_->ReleaseTLibAttr(attr);
    }

    void createType(UINT index) {
        Type type;
        check(source_->GetTypeInfo(index, type.reader.put()), L"GetTypeInfo");
        TYPEATTR* attr = nullptr;
        check(type.reader->GetTypeAttr(&attr), L"GetTypeAttr");
        TYPEKIND kind = attr->typekind;
        bool dual = kind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
        type.reader->ReleaseTypeAttr(attr);
        if (dual) {
            // A dual interface is written as the interface; the platform derives its
            // dispatch view from it.
            HREFTYPE vtableView = 0;
            check(type.reader->GetRefTypeOfImplType(-1, &vtableView), L"dual interface view");
            com_ptr<ITypeInfo> view;
            check(type.reader->GetRefTypeInfo(vtableView, view.put()), L"dual interface view");
            type.reader = view;
            kind = TKIND_INTERFACE;
        }
        unique_bstr name;
        check(type.reader->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), L"type name");
        type.name = name.get();
        com_ptr<ICreateTypeInfo> writer;
        check(target_->CreateTypeInfo(name.get(), kind, writer.put()), L"CreateTypeInfo " + type.name);
        check(writer.query(type.writer), L"ICreateTypeInfo2 " + type.name);
        check(writer.query(type.written), L"ITypeInfo of " + type.name);
        types_.push_back(std::move(type));
    }

    // The new type that stands for a type referred to by the source: types of the library
    // itself map to their copies, imported ones (IDispatch of stdole2) stay as they are.
    ITypeInfo* mapped(ITypeInfo* referenced) {
        com_ptr<ITypeLib> library;
        UINT index = 0;
        check(referenced->GetContainingTypeLib(library.put(), &index), L"GetContainingTypeLib");
        TLIBATTR* attr = nullptr;
        check(library->GetLibAttr(&attr), L"GetLibAttr");
        TLIBATTR* own = nullptr;
        check(source_->GetLibAttr(&own), L"GetLibAttr");
        bool local = IsEqualGUID(attr->guid, own->guid);
        library->ReleaseTLibAttr(attr);
        source_->ReleaseTLibAttr(own);
        return local ? types_.at(index).written.get() : referenced;
    }

    HREFTYPE mappedReference(Type& type, HREFTYPE sourceReference) {
        com_ptr<ITypeInfo> referenced;
        check(type.reader->GetRefTypeInfo(sourceReference, referenced.put()), L"GetRefTypeInfo in " + type.name);
        HREFTYPE result = 0;
        check(type.writer->AddRefTypeInfo(mapped(referenced.get()), &result), L"AddRefTypeInfo in " + type.name);
        return result;
    }

    // Copies a type description, giving user-defined types their references in the new library.
    TYPEDESC copied(Type& type, const TYPEDESC& desc) {
        TYPEDESC result = desc;
        switch (desc.vt) {
        case VT_PTR:
        case VT_SAFEARRAY:
            typeDescs_.push_back(copied(type, *desc.lptdesc));
            result.lptdesc = &typeDescs_.back();
            break;
        case VT_USERDEFINED:
            result.hreftype = mappedReference(type, desc.hreftype);
            break;
        case VT_CARRAY:
            throw Failure{L"fixed-size arrays are not supported in " + type.name, E_NOTIMPL};
        default:
            break;
        }
        return result;
    }

    ELEMDESC copied(Type& type, const ELEMDESC& desc) {
        ELEMDESC result = desc;
        result.tdesc = copied(type, desc.tdesc);
        return result;
    }

    void copyType(Type& type) {
        TYPEATTR* attr = nullptr;
        check(type.reader->GetTypeAttr(&attr), L"GetTypeAttr");
        unique_bstr doc;
        DWORD context = 0;
        check(type.reader->GetDocumentation(MEMBERID_NIL, nullptr, doc.put(), &context, nullptr), L"type documentation");
        check(type.writer->SetGuid(attr->guid), L"SetGuid " + type.name);
        check(type.writer->SetTypeFlags(attr->wTypeFlags), L"SetTypeFlags " + type.name);
        check(type.writer->SetVersion(attr->wMajorVerNum, attr->wMinorVerNum), L"SetVersion " + type.name);
        if (attr->typekind == TKIND_RECORD) check(type.writer->SetAlignment(attr->cbAlignment), L"SetAlignment");
        if (doc) check(type.writer->SetDocString(withLineFeeds(doc.get()).data()), L"SetDocString " + type.name);
        if (context) check(type.writer->SetHelpContext(context), L"SetHelpContext " + type.name);

        for (UINT i = 0; i < attr->cImplTypes; ++i) {
            HREFTYPE reference = 0;
            check(type.reader->GetRefTypeOfImplType(i, &reference), L"GetRefTypeOfImplType " + type.name);
            check(type.writer->AddImplType(i, mappedReference(type, reference)), L"AddImplType " + type.name);
            INT flags = 0;
            check(type.reader->GetImplTypeFlags(i, &flags), L"GetImplTypeFlags " + type.name);
            if (flags) check(type.writer->SetImplTypeFlags(i, flags), L"SetImplTypeFlags " + type.name);
        }
        for (UINT i = 0; i < attr->cFuncs; ++i) copyFunction(type, i);
        for (UINT i = 0; i < attr->cVars; ++i) copyVariable(type, i);
        type.reader->ReleaseTypeAttr(attr);
    }

    void copyFunction(Type& type, UINT index) {
        FUNCDESC* source = nullptr;
        check(type.reader->GetFuncDesc(index, &source), L"GetFuncDesc " + type.name);
        FUNCDESC desc = *source;
        std::vector<ELEMDESC> params;
        for (SHORT p = 0; p < source->cParams; ++p) params.push_back(copied(type, source->lprgelemdescParam[p]));
        desc.lprgelemdescParam = params.data();
        desc.elemdescFunc = copied(type, source->elemdescFunc);
        // The reader gives table offsets in this process's pointer size, the writer takes them
        // in the target's: a 64-bit tool writing a 32-bit library halves them.
        desc.oVft = SHORT(source->oVft * targetPointerSize_ / int(sizeof(void*)));
        check(type.writer->AddFuncDesc(index, &desc), L"AddFuncDesc " + type.name);

        // Names by member identifier would find the property get where the put is meant, so
        // the member name comes from the documentation and the parameter names from the
        // member of the same kind.
        std::vector<unique_bstr> names(source->cParams + 1);
        std::vector<BSTR> raw(names.size(), nullptr);
        UINT count = 0;
        check(type.reader->GetNames(source->memid, raw.data(), UINT(raw.size()), &count), L"GetNames " + type.name);
        for (UINT n = 0; n < count; ++n) names[n].reset(raw[n]);
        std::vector<std::wstring> real;
        bool putter = source->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
        UINT wanted = putter ? UINT(source->cParams) : UINT(source->cParams + 1);
        for (UINT n = 0; n < wanted; ++n) real.push_back(n < count ? realName(names[n].get()) : std::wstring());
        std::vector<LPOLESTR> pointers;
        for (auto& r : real) pointers.push_back(r.data());
        check(type.writer->SetFuncAndParamNames(index, pointers.data(), UINT(pointers.size())),
              L"SetFuncAndParamNames " + type.name + L"." + real.front());

        unique_bstr doc;
        DWORD context = 0;
        check(type.reader->GetDocumentation(source->memid, nullptr, doc.put(), &context, nullptr), L"member documentation");
        if (doc) check(type.writer->SetFuncDocString(index, withLineFeeds(doc.get()).data()), L"SetFuncDocString");
        if (context) check(type.writer->SetFuncHelpContext(index, context), L"SetFuncHelpContext");
        type.reader->ReleaseFuncDesc(source);
    }

    void copyVariable(Type& type, UINT index) {
        VARDESC* source = nullptr;
        check(type.reader->GetVarDesc(index, &source), L"GetVarDesc " + type.name);
        VARDESC desc = *source;
        desc.elemdescVar = copied(type, source->elemdescVar);
        check(type.writer->AddVarDesc(index, &desc), L"AddVarDesc " + type.name);
        unique_bstr name, doc;
        check(type.reader->GetDocumentation(source->memid, name.put(), doc.put(), nullptr, nullptr), L"field documentation");
        check(type.writer->SetVarName(index, realName(name.get()).data()), L"SetVarName " + type.name);
        if (doc) check(type.writer->SetVarDocString(index, withLineFeeds(doc.get()).data()), L"SetVarDocString");
        type.reader->ReleaseVarDesc(source);
    }

    ITypeLib* source_;
    ICreateTypeLib2* target_;
    int targetPointerSize_;
    std::map<std::wstring, std::wstring> names_;
    std::deque<Type> types_;
    std::deque<TYPEDESC> typeDescs_;
};

// The platform's writer sizes an interface's table from its base interface as this process
// loaded it, so a 64-bit tool writing a 32-bit library counts IDispatch's seven entries at eight
// bytes each. Member offsets are written right; only the recorded table sizes are off. They are
// taken back from widl's file, whose types are the same and in the same order.
void copyTableSizes(const wchar_t* widlFile, const wchar_t* finalFile) {
    auto read = [](const wchar_t* path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    };
    std::vector<char> from = read(widlFile), to = read(finalFile);
    // Type library file layout: a 0x54-byte header (one more 32-bit field when the help DLL
    // flag 0x100 is set), the offsets of the types, then a directory of segments of which the
    // first holds the types' fixed records of 0x64 bytes, the table size at 0x4E.
    auto typeRecords = [](const std::vector<char>& file, int32_t& count) -> size_t {
        auto at = [&](size_t offset) {
            int32_t v = 0;
            if (offset + 4 <= file.size()) std::memcpy(&v, file.data() + offset, 4);
            return v;
        };
        count = at(0x20);
        size_t directory = 0x54 + ((at(0x14) & 0x100) ? 4 : 0) + size_t(count) * 4;
        return size_t(at(directory));
    };
    int32_t fromCount = 0, toCount = 0;
    size_t fromTypes = typeRecords(from, fromCount), toTypes = typeRecords(to, toCount);
    if (fromCount != toCount) throw Failure{L"type counts differ after the copy", E_FAIL};
    for (int32_t i = 0; i < toCount; ++i) {
        size_t source = fromTypes + size_t(i) * 0x64 + 0x4E, target = toTypes + size_t(i) * 0x64 + 0x4E;
        if (source + 2 > from.size() || target + 2 > to.size()) throw Failure{L"truncated type table", E_FAIL};
        std::memcpy(to.data() + target, from.data() + source, 2);
    }
    std::ofstream out(finalFile, std::ios::binary | std::ios::trunc);
    out.write(to.data(), std::streamsize(to.size()));
    if (!out) throw Failure{L"cannot rewrite the table sizes", E_FAIL};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fputs("usage: finish_typelib WIDL.tlb NAMES.txt FINAL.tlb\n", stderr);
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    int status = 0;
    try {
        com_ptr<ITypeLib> source;
        check(LoadTypeLibEx(argv[1], REGKIND_NONE, source.put()), std::wstring(L"LoadTypeLibEx ") + argv[1]);
        TLIBATTR* attr = nullptr;
        check(source->GetLibAttr(&attr), L"GetLibAttr");
        SYSKIND kind = attr->syskind;
        source->ReleaseTLibAttr(attr);
        DeleteFileW(argv[3]);
        com_ptr<ICreateTypeLib2> target;
        check(CreateTypeLib2(kind, argv[3], target.put()), std::wstring(L"CreateTypeLib2 ") + argv[3]);
        int pointerSize = kind == SYS_WIN64 ? 8 : 4;
        Copier(source.get(), target.get(), pointerSize, readNames(argv[2])).run();
        target.reset();
        source.reset();
        if (pointerSize != int(sizeof(void*))) copyTableSizes(argv[1], argv[3]);
    } catch (const Failure& failure) {
        std::fwprintf(stderr, L"finish_typelib: %ls failed (0x%08lx)\n", failure.what.c_str(),
                      static_cast<unsigned long>(failure.status));
        DeleteFileW(argv[3]);
        status = 1;
    }
    CoUninitialize();
    return status;
}
