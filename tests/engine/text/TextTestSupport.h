#pragma once

// Shared by the text tests: the bundle's font files and a fixture that
// gives every test a fresh font manager.

#include <string>

#include <gtest/gtest.h>

#include "engine/text/FontManager.h"
#include "engine/text/UIFont.h"
#include "foundation/Paths.h"

namespace mw::test {

// The bundle path of the face that serves a platform font name.
inline std::string platformFontPath(const std::string& name)
{
    return Paths::pathForResource(UIFont::resourceForFontName(name));
}

class FontManagerTest : public ::testing::Test {
protected:
    void SetUp() override { FontManager::purgeSharedManager(); }
    void TearDown() override { FontManager::purgeSharedManager(); }
};

} // namespace mw::test
