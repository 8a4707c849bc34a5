#include "engine/text/FontManager.h"

#include <algorithm>

#include "engine/text/ZFont.h"
#include "foundation/Paths.h"
#include "foundation/Shared.h"

namespace mw {

namespace {

std::string findFontResource(const std::string& name)
{
    for (const std::string& candidate : {name + ".ttf", name}) {
        for (const std::string& path : {Paths::pathForResource(candidate),
                                        Paths::pathForResource(Paths::join("fonts", candidate))}) {
            if (!path.empty()) return path;
        }
    }
    return {};
}

} // namespace

FontManager* FontManager::sharedManager() { return Shared<FontManager>::get(); }

void FontManager::purgeSharedManager() { Shared<FontManager>::purge(); }

bool FontManager::loadFont(const std::string& name)
{
    const std::string path = findFontResource(name);
    if (path.empty() || !loadFontURL(path)) return false;
    urls_[name] = path;
    return true;
}

bool FontManager::loadFontURL(const std::string& path)
{
    Ref<FontFace> face = FontFace::load(path); // logs why it failed
    if (!face) return false;
    auto known =
        std::find_if(fonts_.begin(), fonts_.end(), [&](const auto& entry) { return entry.first == path; });
    if (known != fonts_.end()) {
        known->second = face;
    } else {
        fonts_.emplace_back(path, face);
    }
    return true;
}

FontFace* FontManager::fontWithName(const std::string& name)
{
    auto url = urls_.find(name);
    if (url == urls_.end()) {
        if (!loadFont(name)) return nullptr;
        url = urls_.find(name);
    }
    return fontWithURL(url->second);
}

FontFace* FontManager::fontWithURL(const std::string& path)
{
    auto find = [&] {
        return std::find_if(fonts_.begin(), fonts_.end(),
                            [&](const auto& entry) { return entry.first == path; });
    };
    auto known = find();
    if (known == fonts_.end()) {
        if (!loadFontURL(path)) return nullptr;
        known = find();
    }
    return known->second.get();
}

Ref<ZFont> FontManager::zFontWithName(const std::string& name, float pointSize)
{
    return ZFont::fontWithCGFont(fontWithName(name), pointSize);
}

Ref<ZFont> FontManager::zFontWithURL(const std::string& path, float pointSize)
{
    return ZFont::fontWithCGFont(fontWithURL(path), pointSize);
}

std::vector<Ref<FontFace>> FontManager::copyAllFonts() const
{
    std::vector<Ref<FontFace>> faces;
    faces.reserve(fonts_.size());
    for (const auto& entry : fonts_) faces.push_back(entry.second);
    return faces;
}

} // namespace mw
