#pragma once

// Shared by the sprite, label and rendering tests: a scratch bundle folder
// holding a generated sprite sheet, the frame loop's drawing state, and
// helpers to look at the pictures.

#include <GLES/gl.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/base/ccContentScale.h"
#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTextureCache.h"
#include "platform/Image.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/TempDir.h"
#include "tests/support/SharedInstances.h"

namespace mw::test {

// ---- the test sheet: a 64x64 image, regions in pixels, y from the top ----
//  "red"    (0,0,16,16)   opaque red
//  "white"  (16,0,16,16)  opaque white
//  "split"  (0,16,32,16)  left half blue, right half yellow
//  "updown" (0,32,16,16)  top half green, bottom half magenta
//  "glass"  (16,32,16,16) red at straight alpha 128
//  "turned" stored turned at (32,0), 20 wide and 40 high: a 40x20 picture
//           whose quadrants are, seen upright, bottom-left magenta, top-left
//           white, bottom-right cyan, top-right orange.
inline constexpr RGBA kRed{255, 0, 0, 255};
inline constexpr RGBA kWhite{255, 255, 255, 255};
inline constexpr RGBA kBlue{0, 0, 255, 255};
inline constexpr RGBA kYellow{255, 255, 0, 255};
inline constexpr RGBA kGreen{0, 255, 0, 255};
inline constexpr RGBA kMagenta{255, 0, 255, 255};
inline constexpr RGBA kCyan{0, 255, 255, 255};
inline constexpr RGBA kOrange{255, 128, 0, 255};
inline constexpr RGBA kBlack{0, 0, 0, 255};
inline constexpr RGBA kClear{0, 0, 0, 0};

// The colour of sheet pixel (x, y), y from the top.
inline RGBA sheetPixel(int x, int y)
{
    if (y < 16 && x < 16) return kRed;
    if (y < 16 && x < 32) return kWhite;
    if (y >= 16 && y < 32 && x < 32) return x < 16 ? kBlue : kYellow;
    if (y >= 32 && y < 48 && x < 16) return y < 40 ? kGreen : kMagenta;
    if (y >= 32 && y < 48 && x < 32) return RGBA{255, 0, 0, 128};
    if (x >= 32 && x < 52 && y < 40) {
        // Stored turned: the picture's x runs down, its height runs right.
        const int pictureX = y;
        const int pictureYFromBottom = x - 32;
        if (pictureX < 20) return pictureYFromBottom < 10 ? kMagenta : kWhite;
        return pictureYFromBottom < 10 ? kCyan : kOrange;
    }
    return kClear;
}

inline Ref<Image> sheetImage()
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const RGBA c = sheetPixel(x, y);
            pixels.insert(pixels.end(), {c.r, c.g, c.b, c.a});
        }
    }
    return Image::fromRGBA(std::move(pixels), 64, 64, ImageAlphaInfo::Last);
}

// One format-2 frame entry of a property list.
inline std::string format2Frame(const std::string& name, const std::string& frame, bool rotated,
                                const std::string& offset, const std::string& sourceSize)
{
    return "<key>" + name + "</key><dict><key>frame</key><string>" + frame +
           "</string><key>offset</key><string>" + offset + "</string><key>rotated</key>" +
           (rotated ? "<true/>" : "<false/>") + "<key>sourceSize</key><string>" + sourceSize +
           "</string></dict>";
}

inline std::string plistDocument(const std::string& framesBody, const std::string& metadataBody)
{
    std::string text = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>frames</key><dict>)" + framesBody + "</dict>";
    if (!metadataBody.empty()) {
        text += "<key>metadata</key><dict>" + metadataBody + "</dict>";
    }
    return text + "</dict></plist>\n";
}

// The test sheet as a format-2 property list naming "sheet.png".
inline std::string testSheetPlist()
{
    return plistDocument(format2Frame("red", "{{0,0},{16,16}}", false, "{0,0}", "{16,16}") +
                             format2Frame("white", "{{16,0},{16,16}}", false, "{0,0}", "{16,16}") +
                             format2Frame("split", "{{0,16},{32,16}}", false, "{0,0}", "{32,16}") +
                             format2Frame("updown", "{{0,32},{16,16}}", false, "{0,0}", "{16,16}") +
                             format2Frame("glass", "{{16,32},{16,16}}", false, "{0,0}", "{16,16}") +
                             format2Frame("turned", "{{32,0},{40,20}}", true, "{0,0}", "{40,20}"),
                         "<key>format</key><integer>2</integer>"
                         "<key>textureFileName</key><string>sheet.png</string>");
}

// A scratch folder installed as the resource bundle, with fresh texture and
// sprite-frame caches and content scale 1; everything is put back after.
class ScratchBundle {
public:
    ScratchBundle()
    {
        savedBundle_ = CCFileUtils::bundlePath();
        CCFileUtils::setBundlePath(folder_.path());
        ccSetContentScaleFactor(1);
        resetSharedInstances();
    }
    ~ScratchBundle()
    {
        resetSharedInstances();
        ccSetContentScaleFactor(1);
        CCFileUtils::setBundlePath(savedBundle_);
    }
    ScratchBundle(const ScratchBundle&) = delete;
    ScratchBundle& operator=(const ScratchBundle&) = delete;

    const std::string& path() const { return folder_.path(); }

    void writeText(const std::string& relative, const std::string& text) const
    {
        folder_.write(relative, text);
    }
    void writeImage(const std::string& relative, const Image& image) const
    {
        const std::filesystem::path full = folder_.file(relative);
        std::filesystem::create_directories(full.parent_path());
        EXPECT_TRUE(image.writePNG(full.string()));
    }
    // "sheet.plist" and "sheet.png", loaded into the shared frame cache.
    void loadTestSheet() const
    {
        writeImage("sheet.png", *sheetImage());
        writeText("sheet.plist", testSheetPlist());
        ASSERT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("sheet.plist"));
    }

private:
    TempDir folder_;
    std::string savedBundle_;
};

inline void clearSurface(float r, float g, float b, float a = 1)
{
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT);
}

// Saves the surface where a person can look at it, when
// MOSSWICK_TEST_PICTURES names a folder.
inline void keepPicture(const GLTestContext& gl, const std::string& name)
{
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
        EXPECT_TRUE(gl.savePNG(std::string(dir) + "/" + name + ".png"));
    }
}

inline std::pair<GLint, GLint> currentBlendFactors()
{
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    return {src, dst};
}

} // namespace mw::test
