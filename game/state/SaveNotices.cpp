#include "game/state/SaveNotices.h"

#include <string>
#include <vector>

#include "foundation/Shared.h"
#include "game/state/LocalisationManager.h"

namespace mw {

namespace {

Ref<AlertView> show(const char* head, const char* text)
{
    LocalisationManager* strings = LocalisationManager::sharedInstance();
    auto alert = makeRef<AlertView>(strings->getValue(head), strings->getValue(text), nullptr,
                                    std::vector<std::string>{strings->getValue("BUTTON_OK")});
    alert->show();
    return alert;
}

} // namespace

SaveNotices* SaveNotices::sharedInstance()
{
    return Shared<SaveNotices>::get();
}

void SaveNotices::purgeSharedInstance()
{
    Shared<SaveNotices>::purge();
}

SaveNotices::~SaveNotices()
{
    for (AlertView* alert : {notRead_.get(), notWritten_.get()}) {
        if (alert != nullptr) alert->dismissWithClickedButtonIndex(-1);
    }
}

void SaveNotices::saveNotRead(bool movedAside)
{
    if (notRead_ && notRead_->isVisible()) return;
    notRead_
        = show("SAVE_UNREADABLE_HEAD", movedAside ? "SAVE_UNREADABLE_TEXT" : "SAVE_UNREADABLE_LEFT_TEXT");
}

void SaveNotices::oldSaveNotSetAside()
{
    if (notWritten_ && notWritten_->isVisible()) return;
    notWritten_ = show("SAVE_NOT_SET_ASIDE_HEAD", "SAVE_NOT_SET_ASIDE_TEXT");
}

void SaveNotices::saveNotWritten()
{
    // A save that keeps failing fails at every save point: once is enough
    // for the player, the log has each new reason.
    if (notWritten_) return;
    notWritten_ = show("SAVE_FAILED_HEAD", "SAVE_FAILED_TEXT");
}

} // namespace mw
