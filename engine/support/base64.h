#pragma once

#include <cstddef>
#include <vector>

namespace mw {

// Decodes standard base64 (A-Z, a-z, 0-9, '+', '/'). Characters outside the
// alphabet (line breaks, blanks) are skipped and '=' ends the input; a partial
// group at the end without '=' is dropped. A lone character before '=' is an
// error. Returns the decoded length and fills out; 0 (out empty) on error.
[[nodiscard]] size_t base64Decode(const unsigned char* in, size_t inLength, std::vector<unsigned char>& out);

} // namespace mw
