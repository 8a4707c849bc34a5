#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mw {

// Named persistent pasteboards: values by type that outlive the process and
// are shared by the programs of the device. The desktop keeps each pasteboard
// as a property list (type -> bytes) in the documents folder, written
// atomically; tests install a fake. Safe from any thread.
class Pasteboard {
public:
    static std::shared_ptr<Pasteboard> sharedInstance();
    // Installs a store, or the desktop's again for null; answers the previous.
    static std::shared_ptr<Pasteboard> replaceSharedInstance(std::shared_ptr<Pasteboard> store);

    virtual ~Pasteboard() = default;
    // The value of `type` on the pasteboard `name`; nothing when none is stored.
    virtual std::optional<std::vector<uint8_t>> dataForType(const std::string& name,
                                                            const std::string& type) = 0;
    // Stores the value, creating the pasteboard when missing; false (logged) when it could not be kept.
    virtual bool setDataForType(const std::string& name, const std::string& type,
                                const std::vector<uint8_t>& data) = 0;
};

// The desktop's pasteboards: "<folder>/<name>.pasteboard", the documents
// folder unless another is given. A file that cannot be parsed is moved aside
// (logged) and counts as empty; one that cannot be read for another reason,
// or cannot be moved aside, is left alone and no value is written over it.
class FilePasteboard : public Pasteboard {
public:
    explicit FilePasteboard(std::string folder = {})
        : folder_(std::move(folder))
    {
    }
    std::optional<std::vector<uint8_t>> dataForType(const std::string& name,
                                                    const std::string& type) override;
    bool setDataForType(const std::string& name, const std::string& type,
                        const std::vector<uint8_t>& data) override;

    std::string pathFor(const std::string& name) const;

private:
    std::string folder_;
};

} // namespace mw
