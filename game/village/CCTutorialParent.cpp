#include "game/village/CCTutorialParent.h"

#include "game/village/GuiObject.h"

namespace mw {

CCNode* CCTutorialParent::grandparent() const
{
    return parent() ? parent()->parent() : nullptr;
}

void CCTutorialParent::MoveWithTutorial()
{
    if (CCNode* target = grandparent()) target->MoveWithTutorial();
}

void CCTutorialParent::InstantSpawnWorkerOfType()
{
    if (auto* hud = dynamic_cast<GuiObject*>(grandparent())) hud->InstantSpawnWorkerOfType();
}

void CCTutorialParent::SetInputActive(bool active)
{
    if (CCNode* target = grandparent()) target->SetInputActive(active);
}

void CCTutorialParent::AfterBuildSeq()
{
    if (CCNode* target = grandparent()) target->AfterBuildSeq();
}

} // namespace mw
