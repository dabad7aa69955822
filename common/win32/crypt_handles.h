// Ownership of the cryptographic provider's handles, in the manner of unique_handle.h: a
// provider context, a hash and a key, each released on every path.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "common/win32/unique_handle.h"

namespace tolvare {

namespace detail {
inline void releaseProvider(HCRYPTPROV provider) noexcept { ::CryptReleaseContext(provider, 0); }
inline void destroyHash(HCRYPTHASH hash) noexcept { ::CryptDestroyHash(hash); }
inline void destroyKey(HCRYPTKEY key) noexcept { ::CryptDestroyKey(key); }
}  // namespace detail

using unique_hcryptprov = unique_any<null_is_invalid<HCRYPTPROV, detail::releaseProvider>>;
using unique_hcrypthash = unique_any<null_is_invalid<HCRYPTHASH, detail::destroyHash>>;
using unique_hcryptkey = unique_any<null_is_invalid<HCRYPTKEY, detail::destroyKey>>;

}  // namespace tolvare
