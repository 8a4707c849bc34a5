#include "social/services/CCCloudDataSharingStore.h"

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/Shared.h"
#include "social/data/CCLumoraLog.h"
#include "social/services/CCServiceSession.h"

namespace mw {

// ---- the document ----

std::optional<std::vector<uint8_t>> CCLumoraDocument::contentsForType()
{
    if (!record_) return std::vector<uint8_t>();
    std::vector<uint8_t> bytes = record_->archive();
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

bool CCLumoraDocument::loadFromContents(const std::vector<uint8_t>& contents)
{
    std::string error;
    record_ = CCDataSharingData::unarchive(contents, &error);
    if (!record_)
        logLine("%sthe cloud document %s holds no shared record (%s)", kLumoraError, path().c_str(), error.c_str());
    return record_.has_value();
}

// ---- the store ----

CCCloudDataSharingStore::CCCloudDataSharingStore()
{
    auto service = CloudDocuments::sharedInstance();
    if (!service) return;
    for (const char* identifier : { kSharedContainer, "test1", "test3" }) {
        ubiquityContainerUrl_ = service->urlForUbiquityContainerIdentifier(identifier);
        if (ubiquityContainerUrl_) break;
    }
    if (!ubiquityContainerUrl_) {
        logLine("%sno ubiquity containers are configured for data sharing", kLumoraError);
        return;
    }
    cloudFileUrl_ = Paths::join(*ubiquityContainerUrl_, kDocumentName);
    cloudDocument_ = makeRef<CCLumoraDocument>(*cloudFileUrl_);
    stateObserver_ = NotificationCenter::defaultCenter().addObserver(
        this, CloudDocument::kStateChangedNotification, cloudDocument_.get(),
        [this](const Notification&) { documentStateChanged(); });
    std::weak_ptr<bool> alive = alive_;
    cloudDocument_->openWithCompletionHandler([this, alive](bool) {
        if (!alive.lock()) return;
        doneInitialOpen_ = true;
        NotificationCenter::defaultCenter().postNotification(kReadyNotification, this);
    });
}

CCCloudDataSharingStore::~CCCloudDataSharingStore()
{
    *alive_ = false;
    if (stateObserver_) NotificationCenter::defaultCenter().removeObserver(stateObserver_);
}

void CCCloudDataSharingStore::documentStateChanged()
{
    const int state = cloudDocument_->documentState();
    if (state == CloudDocument::kInConflict) resolveConflict();
    if (currentDocumentState_ == CloudDocument::kEditingDisabled && state == CloudDocument::kNormal) {
        CCServiceSession* session = CCServiceSession::installed();
        if (session && session->dataSharing()) session->dataSharing()->resolveDssImplementations();
    }
    currentDocumentState_ = state;
}

void CCCloudDataSharingStore::resolveConflict()
{
    resolvingConflict_ = true;
    auto service = CloudDocuments::sharedInstance();
    std::vector<CloudDocuments::FileVersion*> versions = service
        ? service->unresolvedConflictVersionsOfItemAtPath(*cloudFileUrl_)
        : std::vector<CloudDocuments::FileVersion*>();
    CloudDocuments::FileVersion* latest = nullptr;
    for (CloudDocuments::FileVersion* version : versions)
        if (!latest || version->modificationDate > latest->modificationDate) latest = version;
    if (!latest) {
        resolvingConflict_ = false;
        return;
    }
    auto versionDocument = makeRef<CCLumoraDocument>(service->versionPath(*cloudFileUrl_, *latest));
    std::weak_ptr<bool> alive = alive_;
    versionDocument->openWithCompletionHandler([this, alive, versionDocument, service](bool) {
        if (!alive.lock()) return;
        CCDataSharingData merged = cloudDocument_->dataSharingData().value_or(CCDataSharingData());
        if (versionDocument->dataSharingData()) merged.mergeWithSharingStore(*versionDocument->dataSharingData());
        for (CloudDocuments::FileVersion* version : service->unresolvedConflictVersionsOfItemAtPath(*cloudFileUrl_))
            version->resolved = true;
        service->removeOtherVersionsOfItemAtPath(*cloudFileUrl_);
        const auto& current = cloudDocument_->dataSharingData();
        if (current && merged.isEqual(&*current)) {
            resolvingConflict_ = false;
            return;
        }
        putDataToStore(merged);
    });
}

std::optional<CCDataSharingData> CCCloudDataSharingStore::dataFromStore()
{
    if (!doneInitialOpen_ || !cloudDocument_) return std::nullopt;
    return cloudDocument_->dataSharingData();
}

void CCCloudDataSharingStore::putDataToStore(const CCDataSharingData& data)
{
    const auto* current = cloudDocument_ ? &cloudDocument_->dataSharingData() : nullptr;
    if (!doneInitialOpen_ || !current || (*current && (*current)->isEqual(&data))) {
        resolvingConflict_ = false;
        return;
    }
    cloudDocument_->setDataSharingData(data);
    save();
}

void CCCloudDataSharingStore::clearDataFromStore()
{
    if (!cloudDocument_) return;
    cloudDocument_->setDataSharingData(std::nullopt);
    save();
}

void CCCloudDataSharingStore::save()
{
    std::weak_ptr<bool> alive = alive_;
    cloudDocument_->saveWithCompletionHandler([this, alive](bool) {
        if (alive.lock()) resolvingConflict_ = false;
    });
}

void CCCloudDataSharingStore::metadataQueryDidFinish(const std::vector<std::string>& results)
{
    if (!results.empty()) {
        cloudFileUrl_ = results.front();
        return;
    }
    if (!ubiquityContainerUrl_) return;
    auto fresh = makeRef<CCLumoraDocument>(Paths::join(*ubiquityContainerUrl_, kDocumentName));
    fresh->saveWithCompletionHandler(nullptr);
}

} // namespace mw
