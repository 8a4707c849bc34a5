#include "social/CCNavControllerBase.h"

#include "platform/Image.h"
#include "social/records/CCServerRecords.h"

namespace mw {

CCNavControllerBase::CCNavControllerBase() = default;

CCNavControllerBase::~CCNavControllerBase()
{
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    if (tableLinkObserver_) centre.removeObserver(tableLinkObserver_);
    for (auto id : fetchObservers_) centre.removeObserver(id);
}

void CCNavControllerBase::loadView() { UIViewControllerBase::loadView(); }

CCFormModel* CCNavControllerBase::formModelForUrl(const std::string& url) const
{
    auto found = formModelHeap_.find(url);
    return found == formModelHeap_.end() ? nullptr : found->second.get();
}

Ref<CCFormModel> CCNavControllerBase::formModelCreatingForUrl(const std::string& url)
{
    Ref<CCFormModel>& slot = formModelHeap_[url];
    if (!slot) slot = makeRef<CCFormModel>();
    return slot;
}

void CCNavControllerBase::addUrlHistoryItemWithUrl(const std::string& url)
{
    auto item = makeRef<CCViewUrlHistory>();
    item->setUrl(url);
    viewUrlStack_.push_back(item);
}

void CCNavControllerBase::updatePreviousUrlHistoryItemWithOffset(CGPoint offset)
{
    if (!viewUrlStack_.empty()) viewUrlStack_.back()->setRowOffset(offset);
}

void CCNavControllerBase::removeLastUrlHistoryItem()
{
    if (!viewUrlStack_.empty()) viewUrlStack_.pop_back();
}

CCViewUrlHistory* CCNavControllerBase::lastUrlHistoryItem() const
{
    return viewUrlStack_.empty() ? nullptr : viewUrlStack_.back().get();
}

void CCNavControllerBase::emptyUrlHistory() { viewUrlStack_.clear(); }

void CCNavControllerBase::updateurlHistoryForUrl(const std::string& url, const std::string& redirectUrl)
{
    for (auto& item : viewUrlStack_)
        if (item->url() == url) item->setUrl(redirectUrl);
}

void CCNavControllerBase::removeUrlStringFromFormModel(const std::string& url) { formModelHeap_.erase(url); }

bool CCNavControllerBase::isIntendedRecipientOfNotification(const Notification&) const { return true; }
void CCNavControllerBase::listItemSelectedNotification(const Notification&) {}
void CCNavControllerBase::dispatchLink(const Value&, UIView*) {}
bool CCNavControllerBase::initiateInAppPurchaseWithUrlString(const std::string&) { return true; }
void CCNavControllerBase::transactionFinishedWithError(const std::optional<StoreError>&, bool, const std::string&,
                                                       const std::optional<std::string>&)
{
}
void CCNavControllerBase::requestSplashScreenBanner() {}
void CCNavControllerBase::initiateFacebookLogin() {}
void CCNavControllerBase::initiateFacebookLogout() {}
void CCNavControllerBase::initiateFacebookPublish(const Value&) {}
void CCNavControllerBase::initiateFacebookInvite(const Value&) {}
void CCNavControllerBase::initiateTwitterLogin() {}
void CCNavControllerBase::initiateTwitterLogout() {}
void CCNavControllerBase::initiateTwitterProcessPin(const Value&) {}
Ref<Image> CCNavControllerBase::makeSquareImageFromImage(const Image* image) { return Ref<Image>(const_cast<Image*>(image)); }
CCResizedBitmap CCNavControllerBase::makeResizedImage(CGSize, const Image*, int) { return {}; }
std::vector<uint8_t> CCNavControllerBase::uploadJpegForImage(const Image*) { return {}; }
bool CCNavControllerBase::doImagePickerWithImage(const Image*, const std::string&) { return false; }
void CCNavControllerBase::setJpegEncoderForTesting(JpegEncoder) {}
void CCNavControllerBase::fetchUpdateNotification(const Notification&) {}
void CCNavControllerBase::SMSCompletedWithResult(int) { smsViewController_ = nullptr; }
void CCNavControllerBase::initiateAffiliateRedirect(const std::string&) {}
void CCNavControllerBase::affiliateRedirectComplete() { redirectViewController_ = nullptr; }
void CCNavControllerBase::initiateSendSMSMessage(const std::string&, const std::vector<std::string>&) {}
void CCNavControllerBase::blockUserInput(bool) {}
void CCNavControllerBase::observeFetchManager(const std::optional<std::string>&) {}
Ref<CCUIDescription> CCNavControllerBase::newPageRecord(const std::string& url, int priority)
{
    if (url.empty()) return nullptr;
    return makeRef<CCUIDescription>(url, priority, 0);
}
void CCNavControllerBase::handlePageLink(const std::string&, const Value&, UIView*) {}
void CCNavControllerBase::earnCurrencyRequest(const std::string&, const Value&) {}

} // namespace mw
