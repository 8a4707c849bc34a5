#pragma once

#include <cstdint>
#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// One cost line of an upgrade: so many units of a resource. Archived as
// "ResourceId" and "ResourceQuantity" (32-bit integers).
class ResourceCostItem : public Object, public Archivable {
public:
    int32_t ResourceId = 0;
    int32_t ResourceQuantity = 0;

    std::string className() const override { return "ResourceCostItem"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
