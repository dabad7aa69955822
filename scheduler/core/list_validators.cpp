#include "scheduler/core/list_validators.h"

#include <cstdint>
#include <cstdio>

namespace tolvare::scheduler {

namespace {

constexpr std::string_view kAddress = "address ";
constexpr std::string_view kDigest = "digest ";
constexpr std::string_view kEtag = "etag ";
constexpr std::string_view kLastModified = "last-modified ";

bool holdsLineBreak(std::string_view value) { return value.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::string listDigest(std::string_view listBytes) {
    // FNV-1a over the bytes, with the length beside it.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : listBytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%zu-%016llx", listBytes.size(), static_cast<unsigned long long>(hash));
    return text;
}

std::string formatValidators(const ListValidators& validators) {
    std::string text;
    for (const auto& [name, value] : {std::pair{kAddress, &validators.address}, std::pair{kDigest, &validators.listDigest},
                                      std::pair{kEtag, &validators.etag}, std::pair{kLastModified, &validators.lastModified}}) {
        if (value->empty() || holdsLineBreak(*value)) continue;
        text += std::string(name) + *value + "\r\n";
    }
    return text;
}

std::optional<ListValidators> parseValidators(std::string_view text) {
    ListValidators validators;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty()) continue;
        bool known = false;
        for (const auto& [name, value] : {std::pair{kAddress, &validators.address}, std::pair{kDigest, &validators.listDigest},
                                          std::pair{kEtag, &validators.etag}, std::pair{kLastModified, &validators.lastModified}}) {
            if (!line.starts_with(name)) continue;
            *value = std::string(line.substr(name.size()));
            known = true;
        }
        if (!known) return std::nullopt;
    }
    if (validators.address.empty() || validators.listDigest.empty()) return std::nullopt;
    if (validators.etag.empty() && validators.lastModified.empty()) return std::nullopt;
    return validators;
}

}  // namespace tolvare::scheduler
