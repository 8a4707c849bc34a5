#include "engine/text/UIFont.h"

#include "engine/text/FontManager.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace mw {

namespace {

struct PlatformFont {
    const char* name;
    const char* resource; // inside the bundle
};

// The fonts the game and the engine ask the platform for. Nimbus Sans has
// Helvetica's metrics, so text sizes come out as the layouts expect; Comic
// Neue Bold is a free hand-lettered face in place of the marker face.
constexpr PlatformFont kPlatformFonts[] = {
    {"HelveticaNeue", "fonts/NimbusSans-Regular.otf"},
    {"HelveticaNeue-Bold", "fonts/NimbusSans-Bold.otf"},
    {UIFont::kSystemFontName, "fonts/NimbusSans-Regular.otf"},
    {UIFont::kBoldSystemFontName, "fonts/NimbusSans-Bold.otf"},
    {"Marker Felt", "fonts/ComicNeue-Bold.otf"},
    // The social screens' system faces.
    {"DejaVuSans", "fonts/DejaVuSans.ttf"},
    {"DejaVuSans-Bold", "fonts/DejaVuSans-Bold.ttf"},
};

} // namespace

std::vector<std::string> UIFont::familyNames()
{
    std::vector<std::string> names;
    for (const PlatformFont& font : kPlatformFonts) names.emplace_back(font.name);
    return names;
}

std::string UIFont::resourceForFontName(const std::string& name)
{
    for (const PlatformFont& font : kPlatformFonts) {
        if (name == font.name) return font.resource;
    }
    return {};
}

Ref<UIFont> UIFont::fontWithName(const std::string& name, float pointSize)
{
    const std::string resource = resourceForFontName(name);
    if (resource.empty()) return nullptr;
    const std::string path = Paths::pathForResource(resource);
    if (path.empty()) {
        logLine("UIFont: %s needs %s, which the bundle lacks", name.c_str(), resource.c_str());
        return nullptr;
    }
    // Through the font manager's file cache, so each file is read once.
    FontFace* face = FontManager::sharedManager()->fontWithURL(path);
    if (!face) return nullptr;
    return Ref<UIFont>(new UIFont(name, face, pointSize));
}

Ref<UIFont> UIFont::systemFontOfSize(float pointSize)
{
    return fontWithName(kSystemFontName, pointSize);
}

Ref<UIFont> UIFont::boldSystemFontOfSize(float pointSize)
{
    return fontWithName(kBoldSystemFontName, pointSize);
}

Ref<UIFont> UIFont::fontWithSize(float pointSize) const
{
    return Ref<UIFont>(new UIFont(name_, face_.get(), pointSize));
}

UIFont::UIFont(std::string name, FontFace* face, float pointSize)
    : name_(std::move(name)), face_(face), pointSize_(pointSize)
{
}

} // namespace mw
