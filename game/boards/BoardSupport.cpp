#include "game/boards/BoardSupport.h"

#include "engine/director/CCDirector.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Random.h"
#include "foundation/Shared.h"
#include "game/boards/BoardHost.h"
#include "game/state/AchievementLedger.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"

namespace mw::board {

bool isIpad()
{
    const GlobalObject* global = Shared<GlobalObject>::current();
    return global != nullptr && global->isIpad;
}

bool isIp3()
{
    const GlobalObject* global = Shared<GlobalObject>::current();
    return global != nullptr && global->isIp3;
}

CGSize winSize()
{
    return CCDirector::sharedDirector()->winSize();
}

CGSize winSizeInPixels()
{
    return CCDirector::sharedDirector()->winSizeInPixels();
}

bool isWideWindow()
{
    return winSizeInPixels().width > 1024;
}

void grantAchievementOnce(const std::string& name, const std::string& textKey, int32_t points)
{
    AchievementLedger* ledger = Profile::achievementLedger();
    if (ledger == nullptr) return;
    const std::string identifier = "com.zandovar.mw." + name;
    if (ledger->IsAchievementDone(identifier)) return;
    ledger->AchievementDone(identifier, textKey, points);
}

void playSound(const std::string& key)
{
    if (GlobalObject* global = Shared<GlobalObject>::current()) (void)global->PlaySoundEffect(key);
}

BoardHost* hostOf(const CCNode* node)
{
    if (node == nullptr) return nullptr;
    return dynamic_cast<BoardHost*>(node->parent());
}

float uniform()
{
    return Random::random01();
}

} // namespace mw::board
