// Reads arbitrary bytes as a bitmap-font description (".fnt" text) and asks
// the result what a label would: characters, kerning pairs, the page image.
// Checks what must hold for any input: no more characters or pairs than
// lines, and the page image, when named, in the description's folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/labels/CCBMFontConfiguration.h"
#include "foundation/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    mw::Ref<mw::CCBMFontConfiguration> font =
        mw::CCBMFontConfiguration::configurationWithFNTText(text, "fonts/fuzz.fnt");

    size_t lines = 1;
    for (char c : text) lines += c == '\n';
    if (font->characterCount() > lines || font->kerningCount() > lines) std::abort();
    const std::string& page = font->atlasName();
    if (!page.empty() && (page.size() <= 6 || page.compare(0, 6, "fonts/") != 0)) std::abort();

    // The codes the seeds and common fonts use, and the ends of the range.
    for (uint32_t code = 0; code < 0x180; ++code) {
        const mw::ccBMFontDef* glyph = font->definition(code);
        if (glyph && glyph->charID != code) std::abort();
        (void)font->kerningAmount(static_cast<uint16_t>(code), 'A');
        (void)font->kerningAmount('A', static_cast<uint16_t>(code));
    }
    (void)font->kerningAmount(0xFFFF, 0xFFFF);
    (void)font->definition(0xFFFFFFFFu);
    (void)font->description();
    return 0;
}
