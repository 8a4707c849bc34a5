#pragma once

#include <array>
#include <string>
#include <vector>

namespace test {

// The four screens the game runs on and the sprite sheets the start-up loads
// for each. The menu sheet is loaded alone; the village and the boards load
// the other four together, so a village or board frame may sit in any of them.
struct DeviceProfile {
    const char* name;          // for failure messages
    int widthPixels;           // window width in pixels
    int heightPixels;
    float contentScale;        // pixels per point
    bool tablet;               // scene files "X.ccb" rather than "X_small.ccb"
    const char* menuSheet;     // the main menu's sheet
    std::array<const char*, 4> villageSheets; // RGBA4444 pair, then RGBA8888 pair
};

inline const std::array<DeviceProfile, 4>& deviceProfiles()
{
    static const std::array<DeviceProfile, 4> profiles{{
        {"phone 320", 320, 480, 1.0f, false, "MainMenu_L.plist",
         {"Village-iPhone4-L.plist", "gameplay_iPhone4-L.plist", "gui_common-L.plist", "gui_iphone4n-L.plist"}},
        {"phone 640", 640, 960, 2.0f, false, "MainMenu_H.plist",
         {"Village-iPhone4-H.plist", "gameplay_iPhone4-H.plist", "gui_common-H.plist", "gui_iphone4n-H.plist"}},
        {"tablet 768", 768, 1024, 1.0f, true, "MainMenu_H.plist",
         {"Village-iPhone4-H.plist", "gameplay_iPhone4-H.plist", "gui_common-H.plist", "gui_ipadn.plist"}},
        {"tablet 1536", 1536, 2048, 2.0f, true, "MainMenu_H2.plist",
         {"Village-iPhone4-H2.plist", "gameplay_iPhone4-H2.plist", "gui_common-H2.plist", "gui_ipadn2.plist"}},
    }};
    return profiles;
}

// "GUI.ccb" on tablets, "GUI_small.ccb" on phones.
inline std::string sceneFileFor(const DeviceProfile& profile, const std::string& stem)
{
    return stem + (profile.tablet ? ".ccb" : "_small.ccb");
}

} // namespace test
