#pragma once

#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/FontFace.h"

namespace mw {

// A platform font: one of the faces the platform provides by name, at a
// point size. The platform's faces are free fonts shipped in the bundle's
// "fonts" folder; the table in UIFont.cpp says which file serves which name.
class UIFont : public Object {
public:
    // The name of the system font and of its bold face.
    static constexpr const char* kSystemFontName = "Helvetica";
    static constexpr const char* kBoldSystemFontName = "Helvetica-Bold";

    // The platform font of that name (exact, case-sensitive) at `pointSize`;
    // null when the platform has no such font, or (logged) when its file is
    // missing from the bundle.
    [[nodiscard]] static Ref<UIFont> fontWithName(const std::string& name, float pointSize);
    [[nodiscard]] static Ref<UIFont> systemFontOfSize(float pointSize);
    [[nodiscard]] static Ref<UIFont> boldSystemFontOfSize(float pointSize);

    // Every font name the platform knows, and the bundle path of the file
    // that serves one (empty for an unknown name).
    static std::vector<std::string> familyNames();
    static std::string resourceForFontName(const std::string& name);

    // The same face at another size.
    [[nodiscard]] Ref<UIFont> fontWithSize(float pointSize) const;

    const std::string& fontName() const { return name_; }
    float pointSize() const { return pointSize_; }
    // The face; shared with every font made from the same file.
    FontFace* face() const { return face_.get(); }

private:
    UIFont(std::string name, FontFace* face, float pointSize);

    std::string name_;
    Ref<FontFace> face_;
    float pointSize_;
};

} // namespace mw
