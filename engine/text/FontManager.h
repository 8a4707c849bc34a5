#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/FontFace.h"

namespace mw {

class ZFont;

// The process-wide registry of font files loaded from the bundle: each file
// is read once, and every ZFont made from it shares its face. Loaded faces
// stay until the manager is purged. Main thread only, apart from making the
// shared instance.
class FontManager : public Object {
public:
    // The shared manager, made on first use.
    static FontManager* sharedManager();
    // Drops the shared manager (tests); the next sharedManager() makes a
    // fresh one. ZFonts already made keep their faces.
    static void purgeSharedManager();

    // Finds the bundle resource "<name>.ttf", else the resource named exactly
    // `name` (each in the bundle folder, then in its "fonts" folder), loads
    // it and remembers name -> file. False when there is no such resource or
    // it is not a font; nothing is remembered then, so a later call tries
    // again.
    [[nodiscard]] bool loadFont(const std::string& name);
    // Loads the font file at `path` (replacing an earlier face of that
    // path). False when it cannot be read or is not a font.
    [[nodiscard]] bool loadFontURL(const std::string& path);

    // The face for a name, loading it on first use; null when there is none.
    // The manager owns the face.
    FontFace* fontWithName(const std::string& name);
    // The face of a file, loading it on first use; null when it cannot be
    // loaded. The manager owns the face.
    FontFace* fontWithURL(const std::string& path);

    // A new font of the named face at `pointSize`; null when the name does
    // not resolve to a font.
    [[nodiscard]] Ref<ZFont> zFontWithName(const std::string& name, float pointSize);
    // A new font of the file's face at `pointSize`; null when it cannot be
    // loaded.
    [[nodiscard]] Ref<ZFont> zFontWithURL(const std::string& path, float pointSize);

    // Every loaded face, in loading order.
    std::vector<Ref<FontFace>> copyAllFonts() const;

private:
    std::vector<std::pair<std::string, Ref<FontFace>>> fonts_; // file path -> face, in loading order
    std::unordered_map<std::string, std::string> urls_;        // name as asked -> file path
};

} // namespace mw
