#pragma once

#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// The player's identity towards the social service: one UUID string, made
// once and then kept in the data store (under "userid") for good. Archived
// under "CCUniqueId_uid".
class CCUniqueId : public Object, public Archivable {
public:
    // A fresh identity from the platform's random UUIDs.
    CCUniqueId() : uniqueId_(createUniqueId()) {}
    // The given identity (empty makes an identity that archives no string).
    explicit CCUniqueId(std::string uniqueId) : uniqueId_(std::move(uniqueId)) {}

    // A new random UUID in the platform's upper-case 8-4-4-4-12 form.
    static std::string createUniqueId();

    const std::string& uid() const { return uniqueId_; }
    const std::string& uniqueId() const { return uniqueId_; }
    void setUniqueId(std::string uniqueId) { uniqueId_ = std::move(uniqueId); }

    std::string className() const override { return "CCUniqueId"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;

private:
    std::string uniqueId_;
};

} // namespace mw
