// A TrueType label whose text changes every frame, as the HUD's counters do
// (setString: measure, draw into a canvas, upload the texture), against the
// floor measured in the same run: FreeType alone rasterising the same strings
// in the same face and size into a buffer of the text's size. The label's
// frames end with glFinish so the upload is counted.
//
// Google Benchmark times each on its own. Other work on the machine makes
// those two times drift apart, so the ratio the summary quotes comes from the
// two taken in turns: rounds of 50 frames of each, the median of the rounds'
// ratios.

#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <GLES/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/text/UIFont.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Paths.h"
#include "platform/GLContext.h"

namespace {

using namespace mw;

constexpr const char* kFontName = "HelveticaNeue";
constexpr float kFontSize = 15;

// The counter's text for frame n: a few digits that change every frame.
std::string counterText(int64_t n) { return "Gold: " + std::to_string(12000 + n % 8000); }

struct BenchSetup {
    std::unique_ptr<GLContext> context = GLContext::createHeadless({64, 64});
    bool glReady = context && context->makeCurrent();
    std::string fontPath = Paths::pathForResource(UIFont::resourceForFontName(kFontName));
};

BenchSetup& setup()
{
    static BenchSetup shared;
    return shared;
}

// The engine's way: one label, a new text each frame.
class LabelFrames {
public:
    bool ready() const { return setup().glReady && label_->texture(); }
    void frame()
    {
        label_->setString(counterText(++frame_));
        glFinish();
    }
    CCTexture2D* texture() const { return label_->texture(); }

private:
    Ref<CCLabelTTF> label_ = CCLabelTTF::labelWithString(counterText(0), kFontName, kFontSize);
    int64_t frame_ = 0;
};

// The floor: the same glyphs rasterised unhinted at their fractional pen
// positions and blended into a zeroed buffer one text high and wide.
class FreeTypeFrames {
public:
    FreeTypeFrames()
    {
        ready_ = !setup().fontPath.empty() && FT_Init_FreeType(&library_) == 0 &&
                 FT_New_Face(library_, setup().fontPath.c_str(), 0, &face_) == 0;
        if (!ready_) return;
        FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(std::lround(kFontSize * 64)), 72, 72);
        ratio_ = kFontSize / static_cast<float>(face_->units_per_EM);
        ascent_ = std::ceil(ratio_ * static_cast<float>(face_->height + face_->descender));
        height_ = static_cast<int>(ascent_ - std::floor(ratio_ * static_cast<float>(face_->descender)));
    }
    ~FreeTypeFrames()
    {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    FreeTypeFrames(const FreeTypeFrames&) = delete;
    FreeTypeFrames& operator=(const FreeTypeFrames&) = delete;

    bool ready() const { return ready_; }
    void frame()
    {
        const std::string text = counterText(++frame_);
        glyphs_.clear();
        pens_.clear();
        float pen = 0;
        for (unsigned char c : text) {
            const FT_UInt glyph = FT_Get_Char_Index(face_, c);
            FT_Fixed advance = 0;
            FT_Get_Advance(face_, glyph, FT_LOAD_NO_SCALE, &advance);
            glyphs_.push_back(glyph);
            pens_.push_back(pen);
            pen += static_cast<float>(advance) * ratio_;
        }
        const int width = static_cast<int>(std::ceil(pen));
        canvas_.assign(static_cast<size_t>(width) * height_, 0);
        for (size_t i = 0; i < glyphs_.size(); ++i) {
            const float wholeX = std::floor(pens_[i]);
            FT_Vector delta{std::lround((pens_[i] - wholeX) * 64), 0};
            FT_Set_Transform(face_, nullptr, &delta);
            constexpr FT_Int32 kFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER;
            if (FT_Load_Glyph(face_, glyphs_[i], kFlags) != 0) continue;
            blend(face_->glyph, static_cast<int>(wholeX), width);
        }
    }
    const uint8_t* pixels() const { return canvas_.data(); }

private:
    void blend(FT_GlyphSlot slot, int wholeX, int width)
    {
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = static_cast<int>(ascent_) - slot->bitmap_top + static_cast<int>(row);
            if (y < 0 || y >= height_) continue;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int x = wholeX + slot->bitmap_left + static_cast<int>(column);
                if (x < 0 || x >= width) continue;
                const unsigned coverage = bitmap.buffer[row * bitmap.pitch + column];
                uint8_t& pixel = canvas_[static_cast<size_t>(y) * width + x];
                pixel = static_cast<uint8_t>(coverage + pixel * (255 - coverage) / 255);
            }
        }
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    bool ready_ = false;
    float ratio_ = 0, ascent_ = 0;
    int height_ = 0;
    int64_t frame_ = 0;
    std::vector<FT_UInt> glyphs_;
    std::vector<float> pens_;
    std::vector<uint8_t> canvas_;
};

void BM_LabelSetString(benchmark::State& state)
{
    LabelFrames label;
    if (!label.ready()) {
        state.SkipWithError("no headless GL context or no font (is the resources folder found?)");
        return;
    }
    for (auto _ : state) {
        label.frame();
        benchmark::DoNotOptimize(label.texture());
    }
}
BENCHMARK(BM_LabelSetString)->Unit(benchmark::kMicrosecond);

void BM_FreeTypeOnly(benchmark::State& state)
{
    FreeTypeFrames freeType;
    if (!freeType.ready()) {
        state.SkipWithError("the font cannot be read");
        return;
    }
    for (auto _ : state) {
        freeType.frame();
        benchmark::DoNotOptimize(freeType.pixels());
    }
}
BENCHMARK(BM_FreeTypeOnly)->Unit(benchmark::kMicrosecond);

template <typename Frames>
double secondsFor(Frames& frames, int count)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) frames.frame();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Rounds of each in turn; answers the median ratio, and the two medians' times a frame.
struct Interleaved {
    double ratio = 0, labelMicroseconds = 0, freeTypeMicroseconds = 0;
};

Interleaved interleaved(int rounds, int framesPerRound)
{
    LabelFrames label;
    FreeTypeFrames freeType;
    if (!label.ready() || !freeType.ready()) return {};
    std::vector<double> ratios, labelTimes, freeTypeTimes;
    for (int round = 0; round < rounds; ++round) {
        const double l = secondsFor(label, framesPerRound);
        const double f = secondsFor(freeType, framesPerRound);
        ratios.push_back(l / f);
        labelTimes.push_back(l);
        freeTypeTimes.push_back(f);
    }
    auto median = [](std::vector<double>& values) {
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    };
    const double toMicroseconds = 1e6 / framesPerRound;
    return {median(ratios), median(labelTimes) * toMicroseconds, median(freeTypeTimes) * toMicroseconds};
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    const Interleaved result = interleaved(200, 50);
    if (result.ratio > 0) {
        std::printf("\nin turns, median of 200 rounds of 50 frames: label setString %6.2f us, FreeType alone "
                    "%6.2f us, ratio %5.2fx\n",
                    result.labelMicroseconds, result.freeTypeMicroseconds, result.ratio);
    }
    benchmark::Shutdown();
    return 0;
}
