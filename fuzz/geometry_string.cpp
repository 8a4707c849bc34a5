// Feeds arbitrary text to the geometry-string readers ("{x, y}", "{w, h}",
// "{{x, y}, {w, h}}"). Whatever they read must be finite (a number that is
// not reads as 0), and writing it out and reading that back must give the
// same numbers (-0 and 0 count as equal).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/Geometry.h"

namespace {

[[noreturn]] void mismatch(const char* what, const std::string& input, const std::string& written)
{
    std::fprintf(stderr, "geometry_string: %s\ninput: %s\nwritten: %s\n", what, input.c_str(), written.c_str());
    std::abort();
}

void checkFinite(std::initializer_list<float> values, const std::string& input)
{
    for (float v : values) {
        if (!std::isfinite(v)) mismatch("a number read is not finite", input, "");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    const mw::CGPoint point = mw::CGPointFromString(input);
    checkFinite({point.x, point.y}, input);
    const std::string pointText = mw::NSStringFromCGPoint(point);
    const mw::CGPoint pointAgain = mw::CGPointFromString(pointText);
    if (pointAgain.x != point.x || pointAgain.y != point.y) mismatch("a point changed", input, pointText);

    const mw::CGSize size2 = mw::CGSizeFromString(input);
    checkFinite({size2.width, size2.height}, input);
    const std::string sizeText = mw::NSStringFromCGSize(size2);
    const mw::CGSize sizeAgain = mw::CGSizeFromString(sizeText);
    if (sizeAgain.width != size2.width || sizeAgain.height != size2.height) mismatch("a size changed", input, sizeText);

    const mw::CGRect rect = mw::CGRectFromString(input);
    checkFinite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}, input);
    const std::string rectText = mw::NSStringFromCGRect(rect);
    const mw::CGRect rectAgain = mw::CGRectFromString(rectText);
    if (rectAgain.origin.x != rect.origin.x || rectAgain.origin.y != rect.origin.y ||
        rectAgain.size.width != rect.size.width || rectAgain.size.height != rect.size.height) {
        mismatch("a rectangle changed", input, rectText);
    }
    return 0;
}
