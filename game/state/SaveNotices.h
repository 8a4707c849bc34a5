#pragma once

#include "foundation/Ref.h"
#include "platform/AlertView.h"

namespace mw {

// Tells the player, in an alert in the game's own texts, when the saved
// village could not be read or a save could not be written; the log has the
// reasons (see SaveFile). One instance for the process: it remembers what
// was told this session. Main thread.
class SaveNotices {
public:
    // The one instance, made on first use.
    static SaveNotices* sharedInstance();
    // Drops the instance (tests): it takes down the alerts it put up, and the
    // next access makes a fresh one, which has told nothing yet.
    static void purgeSharedInstance();
    SaveNotices() = default;
    ~SaveNotices();
    SaveNotices(const SaveNotices&) = delete;
    SaveNotices& operator=(const SaveNotices&) = delete;

    // The save on disk could not be read or taken (damaged, or unreadable),
    // and a new game will not write over it. `movedAside`: it has been moved
    // aside ("SAVE_UNREADABLE_TEXT"), else it stays where it is
    // ("SAVE_UNREADABLE_LEFT_TEXT"); under "SAVE_UNREADABLE_HEAD", unless
    // that alert is still on screen.
    void saveNotRead(bool movedAside);
    // A new game could not set the save it was not loaded from aside, so
    // its saves would write over that one and are refused: shows
    // "SAVE_NOT_SET_ASIDE_HEAD" / "SAVE_NOT_SET_ASIDE_TEXT". It stands for
    // the session's notice of saves not written: the failures that follow
    // have this reason, and saveNotWritten shows nothing more.
    void oldSaveNotSetAside();
    // A save could not be written; the previous one is kept, and the next
    // save point tries again. The first of the session shows
    // "SAVE_FAILED_HEAD" / "SAVE_FAILED_TEXT"; later ones show nothing.
    void saveNotWritten();

    // The alerts shown so far (null before the first), for tests.
    AlertView* notReadAlert() const { return notRead_.get(); }
    AlertView* notWrittenAlert() const { return notWritten_.get(); }

private:
    Ref<AlertView> notRead_;
    Ref<AlertView> notWritten_;
};

} // namespace mw
