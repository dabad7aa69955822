// What PLENAR keeps of the last downloaded list to ask the server, next time, only for a list
// that changed (a conditional request): the reply's ETag and Last-Modified, with the address
// they came from and a digest of the list as it arrived. They are sent only for the same
// address and while the list file is still exactly what was downloaded: a list saved from the
// window or edited by hand must be downloaded again whole, or the server's 304 would keep it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolvare::scheduler {

struct ListValidators {
    std::string address;
    std::string listDigest;  // listDigest() of the list's bytes
    std::string etag;
    std::string lastModified;
    bool operator==(const ListValidators&) const = default;
};

// Not a cryptographic digest: it tells the downloaded list from any other content the file
// comes to hold by accident or by an edit, not from a forgery (whoever can write the list file
// can write anything PLENAR runs).
std::string listDigest(std::string_view listBytes);

// One "name value" line per field, CR LF ended.
std::string formatValidators(const ListValidators& validators);
// None when the text is not such a file, or holds no validator.
std::optional<ListValidators> parseValidators(std::string_view text);

}  // namespace tolvare::scheduler
