#pragma once

#include <string>

namespace mw {

// The store's product look-up as the pages ask it. The store handler is
// not started in this game (it never gives its setting), so no product is
// known and payments cannot start: every look-up answers none.
class CCSKProductInfo {
public:
    // Whether the store knows the product (a price and title to show).
    static bool productForProductId(const std::string& productId) { return false; }
};

} // namespace mw
