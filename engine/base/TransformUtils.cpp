#include "engine/base/TransformUtils.h"

#include <algorithm>

namespace mw {

void CGAffineToGL(const CGAffineTransform& t, float m[16])
{
    std::fill(m, m + 16, 0.0f);
    m[0] = t.a;
    m[1] = t.b;
    m[4] = t.c;
    m[5] = t.d;
    m[12] = t.tx;
    m[13] = t.ty;
    m[10] = 1;
    m[15] = 1;
}

} // namespace mw
