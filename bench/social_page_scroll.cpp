// Scrolling a social page of 50 rows at phone-hd, headless: a table page of
// the shipped theme (text rows, link rows with their chevron, picture rows
// with a theme picture, a title and a two-line subtitle) in the view layer's
// window, its offset moved 12 points a frame from the top to the end and
// again, each frame a director step finished with glFinish. The baseline
// from the same run is the engine's own table view scrolled the same way
// over cells of the same texts (same font and sizes) and the same pictures
// (row backgrounds, chevrons, picture placeholders) as sprites; its cells
// are of one height (the page's height over 50), as that table knows no
// other. The summary prints both frame times, the frames per second and the
// ratio. Run from the source tree (or set MOSSWICK_SOURCE_DIR).

#include <benchmark/benchmark.h>

#include <GLES/gl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "engine/tables/CCTableView.h"
#include "engine/text/UIFont.h"
#include "engine/textures/CCTexture2D.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/ui/UITableView.h"
#include "social/ui/UIWindow.h"

namespace {

using namespace mw;

constexpr int kRows = 50;
constexpr float kStep = 12;

// One row of the page, and what the baseline draws for it.
struct Row {
    const char* type;
    std::string text;
    std::string subtitle;
};

std::vector<Row> rows()
{
    std::vector<Row> list;
    for (int i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(i + 1);
        switch (i % 3) {
        case 0: list.push_back({"text_row", "News " + n + ": the mill turns again after the storm", ""}); break;
        case 1: list.push_back({"link_row", "Neighbour " + n + "'s orchard", ""}); break;
        default:
            list.push_back({"image_row", "Villager " + n,
                            "Level " + n + ", keeps bees and sells honey at the autumn market"});
            break;
        }
    }
    return list;
}

Ref<CCUIDescription> pageOf(const std::vector<Row>& list)
{
    std::vector<Value> items;
    for (const Row& row : list) {
        if (std::string(row.type) == "image_row")
            items.push_back(Value::dictionary({{"type", Value(row.type)},
                                               {"title", Value(row.text)},
                                               {"subtitle", Value(row.subtitle)},
                                               {"href", Value("profile.cuid")}}));
        else
            items.push_back(Value::dictionary({{"type", Value(row.type)},
                                               {"text", Value(row.text)},
                                               {"href", Value("news.cuid")}}));
    }
    Value groups = Value::array({Value::dictionary({{"items", Value::array(std::move(items))}})});
    Ref<CCUIDescription> page(new CCUIDescription("http://127.0.0.1/lite/scroll.cuid", 10, 0));
    page->setMainData(
        Value::dictionary({{"title", Value("Village")}, {"uitype", Value("groupedtable")}, {"groups", groups}}));
    return page;
}

Ref<CCTexture2D> themeTexture(const std::string& path)
{
    Ref<Image> image = CCTheming::sharedInstance()->getImageFromPath(path);
    if (!image) return nullptr;
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    if (!texture->initWithImage(image.get(), kCCResolutioniPhoneRetinaDisplay)) return nullptr;
    return texture;
}

// The engine table's cells: the same texts and pictures as sprites and labels.
class SameRows : public CCTableViewDataSource {
public:
    std::vector<Row> list;
    float height = 44;
    Ref<CCTexture2D> plain, tall, chevron, picture;

    uint32_t numberOfCellsInTableView(CCTableView*) override { return static_cast<uint32_t>(list.size()); }
    CGSize cellSizeForTable(CCTableView*) override { return {320, height}; }
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView*, uint32_t idx) override
    {
        const Row& row = list[idx];
        const bool pictureRow = std::string(row.type) == "image_row";
        Ref<CCTableViewSpriteCell> cell = CCTableViewSpriteCell::node();
        Ref<CCSprite> background = CCSprite::spriteWithTexture(pictureRow ? tall.get() : plain.get());
        background->setScaleX(320 / background->contentSize().width);
        background->setScaleY(height / background->contentSize().height);
        cell->setSprite(background.get());
        // The theme's fonts and colours: bold ink titles, plain moss subtitles.
        const std::string font = UIFont::kBoldSystemFontName;
        const ccColor3B ink {0x3A, 0x33, 0x25};
        const ccColor3B moss {0x4E, 0x6B, 0x2F};
        if (pictureRow) {
            Ref<CCSprite> face = CCSprite::spriteWithTexture(picture.get());
            face->setPosition({42, height / 2});
            cell->addChild(face.get());
            Ref<CCLabelTTF> title = CCLabelTTF::labelWithString(row.text, {222, 22}, UITextAlignmentLeft, font, 16);
            title->setColor(ink);
            title->setAnchorPoint({0, 1});
            title->setPosition({84, height - 8});
            cell->addChild(title.get());
            Ref<CCLabelTTF> subtitle =
                CCLabelTTF::labelWithString(row.subtitle, {222, 36}, UITextAlignmentLeft, font, 12);
            subtitle->setColor(moss);
            subtitle->setAnchorPoint({0, 1});
            subtitle->setPosition({84, height - 30});
            cell->addChild(subtitle.get());
        } else {
            Ref<CCLabelTTF> text = CCLabelTTF::labelWithString(row.text, {270, 20}, UITextAlignmentLeft, font, 15);
            text->setColor(ink);
            text->setAnchorPoint({0, 0.5f});
            text->setPosition({14, height / 2});
            cell->addChild(text.get());
            if (std::string(row.type) == "link_row") {
                Ref<CCSprite> arrow = CCSprite::spriteWithTexture(chevron.get());
                arrow->setPosition({301, height / 2});
                cell->addChild(arrow.get());
            }
        }
        return cell;
    }
};

struct World : bench::HeadlessStage {
    bench::ScratchFolder home {"mosswick-bench-scroll"};
    Ref<UIWindow> window;
    Ref<CCGenericTableViewController> page;
    SameRows same;

    World()
    {
        ::setenv("MOSSWICK_HOME", home.path().c_str(), 1);
        ::setenv("MOSSWICK_RESOURCES", bench::resources().c_str(), 0);
        bench::silenceLog();
        if (!start()) return;
        if (CCTheming::sharedInstance()->setCurrentTheme("mosswick_01") != "mosswick_01") return;
        CCPrivateSession::sharedInstance()->setCurrentDeviceOrientation(1);
        window = UIWindow::makeKeyWindow(*driver->director());
        same.list = rows();
        page = makeRef<CCGenericTableViewController>(pageOf(same.list), nullptr, nullptr, "", "", false);
        page->view()->setFrame(window->bounds());
        page->tableView()->reloadData();
        same.height = page->tableView()->contentHeight() / kRows;
        same.plain = themeTexture("images/rows/row_plain.png");
        same.tall = themeTexture("images/rows/row_tall.png");
        same.chevron = themeTexture("images/rows/chevron.png");
        same.picture = themeTexture("images/rows/placeholder.png");
        ready = same.plain && same.tall && same.chevron && same.picture;
    }
};

World& world()
{
    static World shared;
    return shared;
}

void BM_SocialPageScrollFrame(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    w.window->install();
    w.window->addSubview(w.page->view());
    UITableView* table = w.page->tableView();
    table->setContentOffset({0, 0});
    bench::frame(*w.driver);
    const float end = table->maximumOffset().y;
    int64_t frames = 0;
    for (auto _ : state) {
        const float next = table->contentOffset().y + kStep;
        table->setContentOffset({0, next > end ? 0 : next});
        bench::frame(*w.driver);
        ++frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    w.page->view()->removeFromSuperview();
    w.window->uninstall();
}
BENCHMARK(BM_SocialPageScrollFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EngineTableSameRowsFrame(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    Ref<CCTableView> table = CCTableView::viewWithDataSource(&w.same, {320, 480});
    w.scene->addChild(table.get());
    bench::frame(*w.driver);
    const float top = table->contentOffset().y;
    int64_t frames = 0;
    for (auto _ : state) {
        CGPoint offset = table->contentOffset();
        offset.y = offset.y + kStep > 0 ? top : offset.y + kStep;
        table->setContentOffset(offset);
        bench::frame(*w.driver);
        ++frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    table->removeFromParentAndCleanup(true);
}
BENCHMARK(BM_EngineTableSameRowsFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "social page scroll frame", "BM_SocialPageScrollFrame/real_time",
                              "BM_EngineTableSameRowsFrame/real_time", "ms");
        for (const char* name : {"BM_SocialPageScrollFrame/real_time", "BM_EngineTableSameRowsFrame/real_time"})
            if (const mw::bench::Figure* f = r.find(name); f && f->value() > 0)
                std::printf("%s: %.0f frames per second\n", name, 1000.0 / f->value());
    });
}
