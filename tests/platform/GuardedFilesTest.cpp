// The platform's stand-ins that keep files: an unread file that cannot be
// moved aside stays unread, and nothing writes over it.

#include <gtest/gtest.h>

#include <memory>

#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "platform/GameCenter.h"
#include "platform/HTTPCookieStorage.h"
#include "platform/Keychain.h"
#include "platform/Pasteboard.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnmovableFile.h"

namespace mw {
namespace {

TEST(PlatformGuardedFiles, AFileThatCannotBeMovedAsideIsNeverWrittenOver)
{
    test::TempDir dir;
    test::ScopedEnv home("MOSSWICK_HOME", dir.path());
    const std::shared_ptr<GameCenter> previousGameCenter = GameCenter::replaceSharedInstance(nullptr);

    std::unique_ptr<test::ScriptedStore> store;
    std::unique_ptr<FileCookieStorage> cookies;
    std::shared_ptr<FileKeychain> keychain;
    std::shared_ptr<GameCenter> gameCenter;
    FilePasteboard pasteboard(dir.file("Pasteboards"));
    const KeychainQuery query {"player", "gameconfig", std::nullopt};

    const test::GuardedFileKind kinds[] = {
        {"the store's unfinished transactions",
         [] { return Paths::documentsPath("StoreTransactions.plist"); },
         [&] { store = std::make_unique<test::ScriptedStore>(); },
         [&] {
             store->addPayment("p");
             RunLoop::main().drain();
         },
         false,
         [&] { store.reset(); }},
        {"the cookie store",
         [&] { return dir.file("Cookies/Cookies.plist"); },
         [&] { cookies = std::make_unique<FileCookieStorage>(dir.file("Cookies/Cookies.plist")); },
         [&] { cookies->setCookiesFromResponse({"kept=1; Max-Age=3600; Path=/"}, "https://s.example/"); },
         false,
         [&] { cookies.reset(); }},
        {"the keychain stand-in",
         [&] {
             // The lock file is there before the folder refuses new names.
             Paths::createDirectories(dir.file("Keychain"));
             test::TempDir::writeText(dir.file("Keychain/keychain.lock"), "");
             return dir.file("Keychain/keychain.plist");
         },
         [&] {
             keychain = std::make_shared<FileKeychain>(dir.file("Keychain"));
             EXPECT_EQ(keychain->add(query, {1}), KeychainStatus::kNoKeychain);
         },
         [&] { EXPECT_EQ(keychain->add(query, {2}), KeychainStatus::kSuccess); },
         true,
         [&] { keychain.reset(); }},
        {"the game-centre stand-in",
         [] { return Paths::documentsPath("GameCenterDesktop.plist"); },
         [&] {
             GameCenter::replaceSharedInstance(nullptr);
             gameCenter = GameCenter::sharedInstance();
             gameCenter->authenticateLocalPlayer(nullptr);
             RunLoop::main().drain();
         },
         [&] {
             gameCenter->reportAchievement("a.one", 100, nullptr);
             gameCenter->reportScore(40, "board", nullptr);
             RunLoop::main().drain();
         },
         false,
         [&] { gameCenter.reset(); }},
        {"the pasteboard",
         [&] { return dir.file("Pasteboards/board.pasteboard"); },
         [&] { EXPECT_FALSE(pasteboard.setDataForType("board", "kind", {1})); },
         [&] { EXPECT_TRUE(pasteboard.setDataForType("board", "kind", {2})); },
         true},
    };
    for (const test::GuardedFileKind& kind : kinds) {
        if (!test::checkFailedMoveAside(kind)) break;
    }
    GameCenter::replaceSharedInstance(previousGameCenter);
}

} // namespace
} // namespace mw
