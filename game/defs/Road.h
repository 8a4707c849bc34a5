#pragma once

#include <cstdint>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "game/state/XML.h"

namespace mw {

// A walking road of the village, built from the `spline` element at an
// index of the road file. The village map's walkers give it its shape; until
// they come it keeps the element it stands for.
class Road : public Object {
public:
    // The reader is kept while the road lives (it shares the parsed tree).
    Road(Ref<XML> file, int32_t index) : file_(std::move(file)), index_(index) {}

    int32_t index() const { return index_; }
    // A reader over this road's `spline` element.
    Ref<XML> spline() const;

private:
    Ref<XML> file_;
    int32_t index_ = 0;
};

} // namespace mw
