#include "game/defs/Road.h"

#include <string>

namespace mw {

Road::Road(Ref<XML> file, int32_t index, float windowHeight) : file_(std::move(file)), index_(index)
{
    if (!file_) return;
    const float scale = windowHeight >= 1024 ? 2.0f : 1.0f;
    CGPoint screen[4];
    for (int n = 0; n < 4; ++n) {
        const std::string point =
            "spline[" + std::to_string(index_) + "].curve[0].point[" + std::to_string(n) + "]";
        screen[n] = {scale * file_->query(point + ".@x").floatValue(),
                     windowHeight - scale * file_->query(point + ".@y").floatValue()};
    }
    startPos_ = screen[0];
    auto relative = [&](CGPoint p) { return CGPoint{p.x - startPos_.x, p.y - startPos_.y}; };
    roadBez_.controlPoint_1 = relative(screen[1]);
    roadBez_.controlPoint_2 = relative(screen[2]);
    roadBez_.endPosition = relative(screen[3]);
}

Ref<XML> Road::spline() const
{
    return file_ ? file_->query("spline[" + std::to_string(index_) + "].point").reader() : nullptr;
}

} // namespace mw
