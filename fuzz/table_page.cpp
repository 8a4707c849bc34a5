// Feeds a page envelope to a table page: the page's rows and their cells,
// every row's height, and the selection of every row.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/ShippedTheme.h"
#include "social/ui/UIView.h"
#include "foundation/RunLoop.h"
#include "social/CCDataStore.h"
#include "social/CCGenericTableViewController.h"
#include "social/CCTheming.h"
#include "social/records/CCServerRecords.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::fuzz::startWithShippedTheme("table-page");
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
    // No window runs the animations here: drop them with the views.
    mw::UIView::removeAllAnimations();
    // A page logs its showing and its taps in the store. Kept, the log would
    // grow run after run, and each input's store write encodes all of it:
    // each input starts from an empty store.
    mw::CCDataStore::sharedInstance()->removeAllKeys();
    return 0;
}
