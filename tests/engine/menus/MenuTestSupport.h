#pragma once

#include <string>
#include <vector>

#include "engine/base/CCRGBAProtocol.h"
#include "engine/labels/CCLabelProtocol.h"
#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayerColor.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {

// A label without a font: 10 points a character, 20 high, with a colour.
class TextNode : public CCNode, public CCLabelProtocol, public CCRGBAProtocol {
public:
    explicit TextNode(const std::string& text) { setString(text); }

    void setString(const std::string& text) override
    {
        text_ = text;
        setContentSize({10.0f * static_cast<float>(text.size()), 20});
    }
    const std::string& string() const override { return text_; }
    uint8_t opacity() const override { return opacity_; }
    void setOpacity(uint8_t opacity) override { opacity_ = opacity; }
    ccColor3B color() const override { return color_; }
    void setColor(ccColor3B color) override { color_ = color; }

private:
    std::string text_;
    uint8_t opacity_ = 255;
    ccColor3B color_ = ccc3(255, 255, 255);
};

// A coloured rectangle of the given size in points, to stand for a state picture.
inline Ref<CCLayerColor> rectangle(float width, float height, ccColor4B colour = {255, 255, 255, 255})
{
    return CCLayerColor::layerWithColor(colour, width, height);
}

// Counts its calls and the senders it was given.
class CallRecorder : public Object {
public:
    void called() { senders.push_back(nullptr); }
    void calledBy(Object* sender) { senders.push_back(sender); }
    std::vector<Object*> senders;
};

} // namespace mw::test
