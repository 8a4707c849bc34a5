#include "engine/menus/CCHoldButton.h"

namespace mw {

Ref<CCHoldButtonImage> CCHoldButtonImage::itemFromNormalImage(const std::string& normal,
                                                              const std::string& selected,
                                                              const std::string& disabled,
                                                              CCMenuCallback callback)
{
    auto button = makeRef<CCHoldButtonImage>(normal, selected, disabled, std::move(callback));
    if (!button->normalImage()) return nullptr;
    return button;
}

} // namespace mw
