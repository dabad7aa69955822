#include "library/text/cls_traduction.h"

#include <optional>
#include <string>

#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/text/core/language_keys.h"
#include "library/frame/late_bound.h"

namespace korvel {

namespace {

constexpr wchar_t kTooManyFolders[] = L"Trop de répertoire à créer.";
constexpr wchar_t kNoSuchFile[] = L"Fichier inexistant.";

// The texts of a window and of its controls that a language file holds, in the order they are
// saved; loading takes ToolTipText before Text.
constexpr const wchar_t* kSavedProperties[] = {L"Caption", L"Text", L"ToolTipText"};
constexpr const wchar_t* kLoadedProperties[] = {L"Caption", L"ToolTipText", L"Text"};

// The read buffer: 255 characters including the terminating NUL.
constexpr DWORD kReadBufferSize = DWORD(language::kLongestValueRead + 1);

VARIANT textArgument(BSTR text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;  // borrowed: the callee only reads it
    return v;
}

// The profile service of some platforms (Wine's) overruns its stack on file names of tens of
// thousands of characters: a name longer than any path becomes one the platform refuses safely
// (too long for a path, of characters no file name holds), so that the caller gets the answer
// for a file that cannot be opened.
constexpr size_t kLongestPath = 32767;

std::string openableName(std::wstring_view file) {
    std::string name = toAnsi(file);
    if (name.size() > kLongestPath) name.assign(MAX_PATH + 1, '?');
    return name;
}

// The value of `key` in `section` of `file`, at most 254 characters, or `fallback` when the
// file, the section or the key is missing.
std::wstring readValue(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                       std::wstring_view fallback) {
    std::string fileA = openableName(file), sectionA = toAnsi(section), keyA = toAnsi(key), fallbackA = toAnsi(fallback);
    char buffer[kReadBufferSize] = {};
    DWORD count = GetPrivateProfileStringA(sectionA.c_str(), keyA.c_str(), fallbackA.c_str(), buffer,
                                           kReadBufferSize, fileA.c_str());
    tolvare::unique_bstr text(leftOfBuffer(buffer, sizeof buffer, long(count)));
    return std::wstring(textOf(text.get()));
}

// The whole value of `key` in `section` of `file`, however long; nothing when the file, the
// section or the key is missing. (A default cannot tell: the platform trims its trailing blanks
// and cuts it to the buffer.)
std::optional<std::wstring> readWholeValue(std::wstring_view file, std::wstring_view section, std::wstring_view key) {
    static constexpr char kAbsent[] = "\x01\x02KORVEL\x02\x01";
    const std::string fileA = openableName(file), sectionA = toAnsi(section), keyA = toAnsi(key);
    for (DWORD size = 1024; size <= 1u << 24; size *= 4) {
        std::string buffer(size, '\0');
        const DWORD count =
            GetPrivateProfileStringA(sectionA.c_str(), keyA.c_str(), kAbsent, buffer.data(), size, fileA.c_str());
        if (count + 1 >= size) continue;  // cut to the buffer: read again with more room
        buffer.resize(count);
        if (buffer == kAbsent) return std::nullopt;
        return fromAnsi(buffer);
    }
    return std::nullopt;
}

// Message `number` of `file`: one stored with its line breaks escaped is read whole and given
// back with them; any other as the profile read has always given it, at most 254 characters.
std::wstring readMessage(std::wstring_view file, long number) {
    const std::wstring key = language::messageKey(number);
    std::wstring message = readValue(file, language::kMessageSection, key, L"");
    if (!message.starts_with(language::kEscapeMark)) return message;
    const std::optional<std::wstring> whole = readWholeValue(file, language::kMessageSection, key);
    return language::textOfStoredForm(whole.value_or(message));
}

bool writeValue(std::wstring_view file, std::wstring_view section, std::wstring_view key, std::wstring_view value) {
    std::string fileA = openableName(file), sectionA = toAnsi(section), keyA = toAnsi(key), valueA = toAnsi(value);
    return WritePrivateProfileStringA(sectionA.c_str(), keyA.c_str(), valueA.c_str(), fileA.c_str()) != FALSE;
}

// Creating a folder whose parent is missing too: the scripting runtime's "path not found"
// (run-time error 76), or the platform's own status for it.
bool isPathNotFound(HRESULT hr) {
    return hr == runtimeStatus(76) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// The file-system object's answers that the language files need, failures as statuses.
class FileSystem {
public:
    FileSystem() {
        try {
            object_.emplace(LateBound::create(L"Scripting.FileSystemObject"));
        } catch (const RuntimeError&) {
        }
    }
    bool available() const { return object_.has_value(); }

    std::optional<std::wstring> parentFolder(BSTR path) const {
        tolvare::unique_variant result;
        if (!object_ || FAILED(object_->call(L"GetParentFolderName", {textArgument(path)}, result.get())))
            return std::nullopt;
        if (V_VT(result.get()) != VT_BSTR) return std::nullopt;
        return std::wstring(textOf(V_BSTR(result.get())));
    }
    std::optional<bool> exists(const wchar_t* test, BSTR path) const {
        tolvare::unique_variant result;
        if (!object_ || FAILED(object_->call(test, {textArgument(path)}, result.get()))) return std::nullopt;
        if (FAILED(VariantChangeType(result.get(), result.get(), 0, VT_BOOL))) return std::nullopt;
        return V_BOOL(result.get()) != VARIANT_FALSE;
    }
    HRESULT createFolder(BSTR path) const {
        tolvare::unique_variant result;
        if (!object_) return runtimeStatus(kCannotCreateObject);
        return object_->call(L"CreateFolder", {textArgument(path)}, result.get());
    }

private:
    std::optional<LateBound> object_;
};

// Makes the parent folder of `file` when it is missing, one level only. True when a folder
// more than one level deep was missing.
bool createParentFolder(const FileSystem& files, BSTR file) {
    std::optional<std::wstring> parent = files.parentFolder(file);
    if (!parent) return false;
    tolvare::unique_bstr parentText(makeString(*parent));
    std::optional<bool> exists = files.exists(L"FolderExists", parentText.get());
    if (!exists || *exists) return false;
    return isPathNotFound(files.createFolder(parentText.get()));
}

// The element number of a control in an indexed group; nothing for a control on its own,
// whose Index cannot be read.
std::optional<long> indexOf(const LateBound& control) {
    tolvare::unique_variant value;
    if (FAILED(control.property(L"Index", value.get()))) return std::nullopt;
    if (FAILED(VariantChangeType(value.get(), value.get(), 0, VT_I4))) return std::nullopt;
    return V_I4(value.get());
}

HRESULT textResult(VARIANT* result, std::wstring_view text) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = makeString(text);
    return S_OK;
}

}  // namespace

HRESULT Cls_Traduction::Sauver_LangueFeuille(IDispatch **NomForme, BSTR *Fichier, VARIANT *pRetVal) {
    if (!NomForme || !Fichier || !pRetVal) return E_POINTER;
    VariantInit(pRetVal);
    return guarded([&] {
        // Every step is tried on its own: a failing one is skipped and the next one runs.
        std::wstring result;
        FileSystem files;
        if (createParentFolder(files, *Fichier)) result = kTooManyFolders;
        std::wstring_view file = textOf(*Fichier);
        LateBound window(*NomForme);
        std::optional<std::wstring> windowName = window.textProperty(L"Name");
        if (windowName) {
            if (std::optional<std::wstring> caption = window.textProperty(L"Caption"))
                writeValue(file, *windowName, *windowName + L".Caption", language::storedForm(*caption));
            tolvare::unique_variant controls;
            std::optional<std::vector<tolvare::com_ptr<IDispatch>>> elements;
            if (SUCCEEDED(window.property(L"Controls", controls.get())) && V_VT(controls.get()) == VT_DISPATCH)
                elements = LateBound(V_DISPATCH(controls.get())).elements();
            for (const auto& element : elements.value_or(std::vector<tolvare::com_ptr<IDispatch>>{})) {
                LateBound control(element.get());
                std::optional<std::wstring> controlName = control.textProperty(L"Name");
                if (!controlName) continue;
                std::optional<long> index = indexOf(control);
                for (const wchar_t* property : kSavedProperties) {
                    std::optional<std::wstring> text = control.textProperty(property);
                    if (text && !text->empty())
                        writeValue(file, *windowName, language::propertyKey(*controlName, index, property),
                                   language::storedForm(*text));
                }
            }
        }
        return textResult(pRetVal, result);
    });
}

HRESULT Cls_Traduction::Charger_LangueFeuille(IDispatch **NomForme, BSTR *Fichier, VARIANT *pRetVal) {
    if (!NomForme || !Fichier || !pRetVal) return E_POINTER;
    VariantInit(pRetVal);
    return guarded([&] {
        std::wstring result;
        FileSystem files;
        if (files.exists(L"FileExists", *Fichier) != std::optional<bool>(true)) result = kNoSuchFile;
        // With no file every read gives back the current text, so nothing changes.
        std::wstring_view file = textOf(*Fichier);
        LateBound window(*NomForme);
        // Only the texts the file holds are set, whole: a missing key leaves the control's text
        // exactly as it was (not read back through the code page, nor cut, nor trimmed); a text
        // that cannot be read or set is skipped.
        auto load = [&](const LateBound& object, const std::wstring& section, const std::wstring& key,
                        const wchar_t* property) {
            const std::optional<std::wstring> loaded = readWholeValue(file, section, key);
            if (!loaded || !object.textProperty(property)) return;
            tolvare::unique_bstr text(makeString(language::textOfStoredForm(*loaded)));
            object.setProperty(property, textArgument(text.get()));
        };
        std::optional<std::wstring> windowName = window.textProperty(L"Name");
        if (windowName) {
            load(window, *windowName, *windowName + L".Caption", L"Caption");
            tolvare::unique_variant controls;
            std::optional<std::vector<tolvare::com_ptr<IDispatch>>> elements;
            if (SUCCEEDED(window.property(L"Controls", controls.get())) && V_VT(controls.get()) == VT_DISPATCH)
                elements = LateBound(V_DISPATCH(controls.get())).elements();
            for (const auto& element : elements.value_or(std::vector<tolvare::com_ptr<IDispatch>>{})) {
                LateBound control(element.get());
                std::optional<std::wstring> controlName = control.textProperty(L"Name");
                if (!controlName) continue;
                std::optional<long> index = indexOf(control);
                for (const wchar_t* property : kLoadedProperties)
                    load(control, *windowName, language::propertyKey(*controlName, index, property), property);
            }
        }
        return textResult(pRetVal, result);
    });
}

HRESULT Cls_Traduction::Sauver_TousLesMessages(SAFEARRAY **tabMessage, BSTR *Fichier) {
    if (!tabMessage || !Fichier) return E_POINTER;
    return guarded([&] {
        // Failures are skipped one by one; the member reports none.
        FileSystem files;
        createParentFolder(files, *Fichier);
        SAFEARRAY* messages = *tabMessage;
        VARTYPE type = VT_EMPTY;
        LONG upper = 0;
        if (!messages || SafeArrayGetDim(messages) != 1 || FAILED(SafeArrayGetVartype(messages, &type)) ||
            type != VT_BSTR || FAILED(SafeArrayGetUBound(messages, 1, &upper)))
            return S_OK;
        std::wstring_view file = textOf(*Fichier);
        for (LONG i = 1; i <= upper; ++i) {
            BSTR element = nullptr;
            if (FAILED(SafeArrayGetElement(messages, &i, &element))) continue;
            tolvare::unique_bstr owned(element);
            std::string ansi = toAnsi(textOf(element));
            std::wstring back = fromAnsi(ansi);
            // Line breaks stored raw would start keys or whole sections of their own.
            writeValue(file, language::kMessageSection, language::messageKey(i), language::storedForm(back));
            // The element goes back as the platform saw it.
            tolvare::unique_bstr copy(makeString(back));
            SafeArrayPutElement(messages, &i, copy.get());
        }
        return S_OK;
    });
}

HRESULT Cls_Traduction::Charger_LeMessage(BSTR Fichier, short *NumeroMsg, BSTR *pRetVal) {
    if (!NumeroMsg || !pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        *pRetVal = makeString(readMessage(textOf(Fichier), *NumeroMsg));
        return S_OK;
    });
}

HRESULT Cls_Traduction::Charger_TousLesMessages(BSTR Fichier, SAFEARRAY **tabMessage) {
    if (!tabMessage) return E_POINTER;
    return guarded([&] {
        // The array is made or kept as indices 1 to i, its content kept, as each message is
        // read; one that cannot be (another shape, a fixed or locked array) is the caller's error.
        auto redimension = [&](LONG count) {
            if (!*tabMessage) {
                SAFEARRAYBOUND bound{ULONG(count), 1};
                *tabMessage = SafeArrayCreate(VT_BSTR, 1, &bound);
                if (!*tabMessage) throw std::bad_alloc();
                return;
            }
            SAFEARRAY* array = *tabMessage;
            VARTYPE type = VT_EMPTY;
            LONG lower = 0;
            if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &type)) || type != VT_BSTR ||
                FAILED(SafeArrayGetLBound(array, 1, &lower)) || lower != 1)
                throw RuntimeError(kSubscriptOutOfRange);
            if ((array->fFeatures & FADF_FIXEDSIZE) || array->cLocks > 0) throw RuntimeError(10);
            SAFEARRAYBOUND bound{ULONG(count), 1};
            HRESULT hr = SafeArrayRedim(array, &bound);
            if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
            if (FAILED(hr)) throw RuntimeError(10);
        };
        std::wstring_view file = textOf(Fichier);
        for (LONG i = 1;; ++i) {
            // Message numbers are 16-bit: a file with MSG1 to MSG32767 all set overflows.
            if (i > 32767) throw RuntimeError(kOverflow);
            redimension(i);
            std::wstring message = readMessage(file, i);
            if (message.empty()) break;
            tolvare::unique_bstr text(makeString(message));
            HRESULT hr = SafeArrayPutElement(*tabMessage, &i, text.get());
            if (FAILED(hr)) throw RuntimeError(hr == E_OUTOFMEMORY ? kOutOfMemory : kSubscriptOutOfRange);
        }
        return S_OK;
    });
}

}  // namespace korvel
