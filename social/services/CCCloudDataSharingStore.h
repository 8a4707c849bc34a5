#pragma once

#include <optional>
#include <string>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "platform/CloudDocuments.h"
#include "social/services/CCDataSharing.h"

namespace mw {

// The cloud document holding the shared record: its file is the record's
// archive; a file holding anything else fails to load and clears the record.
class CCLumoraDocument : public CloudDocument {
public:
    using CloudDocument::CloudDocument;
    const std::optional<CCDataSharingData>& dataSharingData() const { return record_; }
    void setDataSharingData(std::optional<CCDataSharingData> record) { record_ = std::move(record); }

protected:
    std::optional<std::vector<uint8_t>> contentsForType() override;
    bool loadFromContents(const std::vector<uint8_t>& contents) override;

private:
    std::optional<CCDataSharingData> record_;
};

// The record in the document "TesselIdentity" of the first ubiquity
// container that resolves: the publisher's shared container, then "test1",
// then "test3". Ready once the document's first open completed.
class CCCloudDataSharingStore : public CCDataSharingStore {
public:
    static constexpr const char* kDocumentName = "TesselIdentity";
    // The publisher's container: its team identifier and reverse-domain
    // store name (the project's reserved example domain).
    static constexpr const char* kSharedContainer = "7ZQ4M2KX9A.example.mosswick.sharedstore";

    CCCloudDataSharingStore();
    ~CCCloudDataSharingStore() override;

    std::optional<CCDataSharingData> dataFromStore() override;
    void putDataToStore(const CCDataSharingData& data) override;
    void clearDataFromStore() override;
    bool isReady() override { return doneInitialOpen_; }
    std::string storeName() const override { return "CCCloudDataSharingStore"; }

    void documentStateChanged();
    void resolveConflict();
    // The results of a metadata query (none is started by this client).
    void metadataQueryDidFinish(const std::vector<std::string>& results);

    CCLumoraDocument* document() const { return cloudDocument_.get(); }
    bool resolvingConflict() const { return resolvingConflict_; }
    const std::optional<std::string>& ubiquityContainerUrl() const { return ubiquityContainerUrl_; }

private:
    void save();

    std::optional<std::string> ubiquityContainerUrl_;
    std::optional<std::string> cloudFileUrl_;
    bool doneInitialOpen_ = false;
    bool resolvingConflict_ = false;
    Ref<CCLumoraDocument> cloudDocument_;
    int currentDocumentState_ = CloudDocument::kClosed;
    NotificationCenter::ObserverId stateObserver_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace mw
