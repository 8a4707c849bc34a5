// Feeds a page envelope to a table page: the page's rows and their cells,
// every row's height, and the selection of every row.
//
// The run's clock only moves when an input ends, past the page's own timers
// (a selected row posts its link a moment later, a page that changes asks
// for itself again a second later), so that they fire within the input that
// set them, holding its page and table until then, and never during another.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/HeldTransport.h"
#include "fuzz/ShippedTheme.h"
#include "social/ui/UIView.h"
#include "foundation/Clock.h"
#include "foundation/RunLoop.h"
#include "platform/HTTPTransport.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"

namespace {

constexpr double kPageTimersDue = 2.0;

const std::shared_ptr<mw::ManualClock>& runClock()
{
    static const auto clock = std::make_shared<mw::ManualClock>();
    return clock;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::fuzz::startWithShippedTheme("table-page");
    (void)mw::Clock::setSource(runClock());
    // A page asking for itself again goes to the fetch manager: nothing leaves the process.
    (void)mw::HTTPTransport::replaceSharedInstance(std::make_shared<mw::fuzz::HeldTransport>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    mw::Ref<mw::CCAbstractServerData> record;
    try {
        record = mw::CCAbstractServerData::serverDataFromJSONData(text);
    } catch (const mw::ServerDataNoInit&) {
        return 0; // the reader's named refusal of empty data
    }
    auto* page = dynamic_cast<mw::CCUIDescription*>(record.get());
    if (!page) return 0;
    page->setUrl("http://127.0.0.1/lite/fuzz.cuid");
    mw::Ref<mw::CCGenericTableViewController> controller = mw::makeRef<mw::CCGenericTableViewController>(
        mw::Ref<mw::CCUIDescription>(page), nullptr, nullptr, "progress_indicator", "progress_indicator_big_noback",
        true);
    mw::UITableView& table = *controller->tableView();
    table.reloadData();
    for (int section = 0; section < table.numberOfSections(); ++section) {
        for (int row = 0; row < table.numberOfRowsInSection(section) && row < 200; ++row) {
            (void)controller->heightForRowAtIndexPath(table, {section, row});
            table.selectRowAtIndexPath(mw::NSIndexPath {section, row}, false);
            controller->didSelectRowAtIndexPath(table, {section, row});
        }
    }
    (void)controller->totalHeight();
    controller->willDealloc();
    controller = nullptr;
    mw::RunLoop::main().drain();
    runClock()->advance(kPageTimersDue);
    mw::RunLoop::main().drain();
    // No window runs the animations here: drop them with the views.
    mw::UIView::removeAllAnimations();
    // What the page left for later goes with the input: the fetch manager
    // with the page it queued again, and the store with the usage log of the
    // showing and the taps (kept, the log would grow run after run, and each
    // store write encodes all of it).
    mw::CCFetchManager::releaseSharedInstance();
    mw::CCDataStore::sharedInstance()->removeAllKeys();
    return 0;
}
