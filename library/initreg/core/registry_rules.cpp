#include "library/initreg/core/registry_rules.h"

#include <array>
#include <utility>

namespace korvel::registry {

namespace {

// Case counts: the caller spells the root exactly as the platform's headers do.
constexpr std::array<std::pair<std::wstring_view, std::uint32_t>, 7> kRoots{{
    {L"HKEY_CLASSES_ROOT", 0x80000000u},
    {L"HKEY_CURRENT_USER", 0x80000001u},
    {L"HKEY_LOCAL_MACHINE", 0x80000002u},
    {L"HKEY_USERS", 0x80000003u},
    {L"HKEY_PERFORMANCE_DATA", 0x80000004u},
    {L"HKEY_CURRENT_CONFIG", 0x80000005u},
    {L"HKEY_DYN_DATA", 0x80000006u},
}};

}  // namespace

std::uint32_t rootKeyOf(std::wstring_view rootName) noexcept {
    for (const auto& [name, handle] : kRoots) {
        if (name == rootName) return handle;
    }
    return 0;
}

KeyPath parseKeyPath(std::wstring_view path) {
    KeyPath parsed;
    if (path.substr(0, 5) != L"HKEY_" || path.back() == L'\\') return parsed;
    parsed.wellFormed = true;
    size_t backslash = path.find(L'\\');
    if (backslash == std::wstring_view::npos) {
        parsed.root = rootKeyOf(path);
    } else {
        parsed.root = rootKeyOf(path.substr(0, backslash));
        parsed.subkey.assign(path.substr(backslash + 1));
    }
    return parsed;
}

std::wstring incorrectFormatMessage(std::wstring_view path) {
    std::wstring text = L"Incorrect Format:\n\n";
    text.append(path.substr(0, kLongestMessage - text.size()));
    return text;
}

std::wstring errorMessage(long code) {
    switch (code) {
        case 2:
        case 1010: return L"Mauvais nom de cle";
        case 4:
        case 1012: return L"Ne peut lire la cle";
        case 5: return L"L'access a cette cle ne peut se faire";
        case 8:
        case 14: return L"Pas assez de memoire";
        case 87: return L"Parametre Invalide";
        case 234: return L"Il y a plus de donnees que le buffer ne peut en supporter.";
        case 1009:
        case 1015: return L"La base de Registre est corrompu!";
        case 1011: return L"Ne peut ouvrir la cle";
        case 1013: return L"Ne peut ecrire la cle";
        default: break;
    }
    // A number printed for reading: a blank where a minus sign would stand.
    std::wstring text = L"Code d'Erreur indefini:  ";
    text += code < 0 ? L"" : L" ";
    text += std::to_wstring(code);
    return text;
}

std::wstring textOfStringBuffer(std::wstring_view buffer) {
    size_t first = buffer.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    size_t last = buffer.find_last_not_of(L' ');
    std::wstring_view trimmed = buffer.substr(first, last - first + 1);
    trimmed.remove_suffix(1);
    return std::wstring(trimmed);
}

bool deletableSubkey(std::wstring_view subkey) noexcept {
    return !subkey.empty() && subkey.front() != L'\\';
}

}  // namespace korvel::registry
