#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "platform/Image.h"

namespace mw {

// The one exception the record envelope raises: its name is
// "CCAbstractServerData noinit" and its reason says what was wrong. Every
// caller that reads stored or received text catches it.
class ServerDataNoInit : public std::runtime_error {
public:
    explicit ServerDataNoInit(std::string reason)
        : std::runtime_error("CCAbstractServerData noinit: " + reason), reason_(std::move(reason))
    {
    }
    static constexpr const char* kName = "CCAbstractServerData noinit";
    const char* name() const { return kName; }
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

class CCAbstractServerData;
struct HTTPRequest;
struct HTTPResponse;
class ServerDataTransfer;

// The outcome of one transfer of a record, as its delegate is told it.
enum ServerDataNetworkStatus : int {
    kNetworkOpOk = 0,               // 200, 201, 202, or an answer that is not HTTP
    kNetworkOpFailed = 2,           // no connection, a failure, a bound passed, a scheme refused
    kNetworkOpHTTPError = 3,        // any other HTTP status (400 off the 2.x systems)
    kNetworkOpFailedAfter404 = 4,   // the connection failed after a 404 answer had begun
    kNetworkOpGone = 5,             // HTTP 410
    kNetworkOpRedirectedNullPost = 6, // a null post that ended at another URL
    kNetworkOpBadRequestOn2x = 7,   // HTTP 400 on a system of the 2.x series
};

// Told the outcome of one transfer of a record (status numbers of the
// transfer). Not owned by the record.
class CCServerDataHTTPDelegate {
public:
    virtual ~CCServerDataHTTPDelegate() = default;
    virtual void serverDataFinishedNetworkOpWithStatus(CCAbstractServerData* record, int status) = 0;
};

// Everything the social client exchanges with the service: one JSON document
// of the service (the "data" part), the URL it belongs to, and the queues'
// bookkeeping. The same envelope text is used on the wire, in archives and
// between classes:
//
//   { "meta": { "type": <word>, "timestamp": <whole seconds> },
//     "internal": { "url": ..., "pri": ..., "nocache": true|false },   (on request, with a URL)
//     "data": <the main data> }                                          (when there is one)
//
// Reads of the service's text never crash and never trust the kinds: a value
// of the wrong kind reads as absent. Main thread only.
class CCAbstractServerData : public Object, public Archivable {
public:
    // Number of the kinds, 1..kLastDataType; -1 is never stored.
    static constexpr int kLastDataType = 17;
    // Default priority and view type of a page read from an envelope.
    static constexpr int kEnvelopePagePriority = 10000;

    // The type table. An unknown word (compared exactly) gives -1, a number
    // outside 1..17 gives "unknown".
    static int dataTypeFromString(std::string_view word);
    static std::string stringFromDataType(int type);
    // A fresh record of the kind's class, made as the table says; null for -1.
    static Ref<CCAbstractServerData> recordForDataType(int type);

    // Reads an envelope. Throws ServerDataNoInit for no text ("No data
    // supplied to initFromJSONData") and for text that is no JSON object
    // ("Unable to decode data"). Gives null for a missing or non-object
    // "meta", a "type" that is no string or no word of the table. Image
    // bytes are decoded into a type 3 record when they form a picture.
    static Ref<CCAbstractServerData> serverDataFromJSONData(std::optional<std::string_view> text,
                                                            const Value::Bytes* imageBytes = nullptr);

    // Base initialiser: timestamp now, view type 0, no type.
    CCAbstractServerData();
    ~CCAbstractServerData() override;

    // The envelope without "internal".
    std::optional<std::string> JSONRepresentation() const { return JSONRepresentationWithInternal(false); }
    // The envelope, with "internal" when asked and the record has a URL.
    // Null, logged once, when the writer refuses a value of the data.
    std::optional<std::string> JSONRepresentationWithInternal(bool withInternal) const;

    // -1, 0 or 1 by ascending fetch priority.
    int fetchComparator(const CCAbstractServerData& other) const;
    // Equal when both have main data and the data are equal; a record is
    // always equal to itself.
    bool isEqual(const CCAbstractServerData* other) const;
    bool updatedDataAvailable() const { return !receivedData_.empty() && !networkOpInProgress_; }
    // A main data that is an object or a list, not empty.
    bool dataAvailable() const { return (mainData_.isDict() || mainData_.isArray()) && !mainData_.empty(); }
    bool doNotCache() const { return doNotCacheOverride_; }
    // The record the received bytes describe: an image converts and gives
    // itself; an envelope of any kind gives that record with this URL;
    // anything unreadable gives this record unchanged.
    Ref<CCAbstractServerData> serverDataFromUpdatedData();
    std::string description() const;

    // Archivable: the envelope with "internal" under the first key, decoded
    // image bytes under the second, post bytes under the third.
    static constexpr const char* kArchiveKey = "CCAbstractServerData";
    static constexpr const char* kArchiveImageKey = "CCAbstractServerData_image";
    static constexpr const char* kArchivePostKey = "CCAbstractServerData_post";
    void encodeWithCoder(KeyedArchiver& coder) const override;
    // Never rejects: an archive that does not read gives an empty record.
    bool initWithCoder(KeyedUnarchiver& coder) override;

    // Fields.
    int dataType() const { return dataType_; }
    void setDataType(int type) { dataType_ = type; }
    const std::string& url() const { return url_; }
    void setUrl(std::string url) { url_ = std::move(url); }
    const std::string& sourceUrl() const { return sourceUrl_; }
    void setSourceUrl(std::string url) { sourceUrl_ = std::move(url); }
    bool doNotCacheOverride() const { return doNotCacheOverride_; }
    void setDoNotCacheOverride(bool on) { doNotCacheOverride_ = on; }
    int fetchPriority() const { return fetchPriority_; }
    void setFetchPriority(int priority) { fetchPriority_ = priority; }
    bool freshThisSession() const { return freshThisSession_; }
    void setFreshThisSession(bool on) { freshThisSession_ = on; }
    bool placeInPermanentCache() const { return placeInPermanentCache_; }
    void setPlaceInPermanentCache(bool on) { placeInPermanentCache_ = on; }
    // Null when the record has no main data.
    const Value& mainData() const { return mainData_; }
    Value& mutableMainData() { return mainData_; }
    void setMainData(Value data) { mainData_ = std::move(data); }
    const std::optional<Value::Bytes>& postData() const { return postData_; }
    void setPostData(std::optional<Value::Bytes> bytes) { postData_ = std::move(bytes); }
    // Seconds since 1970; none for a page made by its own initialiser.
    std::optional<double> timeStamp() const { return timeStamp_; }
    void setTimeStamp(std::optional<double> seconds) { timeStamp_ = seconds; }
    const Value::Bytes& receivedData() const { return receivedData_; }
    void setReceivedData(Value::Bytes bytes) { receivedData_ = std::move(bytes); }
    const Ref<Image>& image() const { return image_; }
    void setImage(Ref<Image> image) { image_ = std::move(image); }
    int networkOpAttemptCount() const { return networkOpAttemptCount_; }
    void setNetworkOpAttemptCount(int count) { networkOpAttemptCount_ = count; }
    bool networkOpInProgress() const { return networkOpInProgress_; }
    void setNetworkOpInProgress(bool on) { networkOpInProgress_ = on; }
    int uiViewType() const { return uiViewType_; }
    void setUiViewType(int type) { uiViewType_ = type; }
    CCServerDataHTTPDelegate* httpDelegate() const { return httpDelegate_; }
    void setHttpDelegate(CCServerDataHTTPDelegate* delegate) { httpDelegate_ = delegate; }

    // ---- transfer over HTTP (CCServerDataHTTP.cpp) ----

    // Start fetching or posting the record. The outcome arrives later, on a
    // turn of the main run loop and never inside this call, as exactly one
    // serverDataFinishedNetworkOpWithStatus (a ServerDataNetworkStatus) to
    // the delegate, unless clearDelegate() comes first. The delegate is not
    // owned; while the transfer runs the transport holds the record. A POST
    // of a page marks it doNotCache; a POST with nothing to send is not
    // sent and reports kNetworkOpHTTPError.
    void initiateGetWithDelegate(CCServerDataHTTPDelegate* delegate);
    void initiatePostWithDelegate(CCServerDataHTTPDelegate* delegate);
    // Ends a running transfer silently and forgets the delegate.
    void clearDelegate();
    // "User-Agent: <bundle name>/<bundle version> gzip".
    void addUserAgentToHeaders(HTTPRequest& request) const;
    // The login form (a URL holding its path word, or no URL) is posted as a
    // form, everything else as JSON.
    void addContentTypeToHeaders(HTTPRequest& request) const;
    // The head of the answer being received; during the report it holds the
    // final URL the transfer reached. Null outside a transfer.
    const HTTPResponse* urlResponse() const;

    // Whole seconds written for a time: truncated toward zero, clamped to
    // 64 bits, NaN as 0.
    static int64_t wholeSeconds(double seconds);

protected:
    // Tag for subclasses' page initialiser, which skips the base one.
    struct NoBaseInit {};
    explicit CCAbstractServerData(NoBaseInit) {}
    // Takes over every envelope field of another record (used when an
    // archive decodes into a fresh object).
    void takeContentOf(CCAbstractServerData& other);

private:
    int dataType_ = 0;
    CCServerDataHTTPDelegate* httpDelegate_ = nullptr;
    Value::Bytes receivedData_;
    Ref<Image> image_;
    bool doNotCacheOverride_ = false;
    int fetchPriority_ = 0;
    bool freshThisSession_ = false;
    bool placeInPermanentCache_ = false;
    Value mainData_;
    std::optional<Value::Bytes> postData_;
    std::optional<double> timeStamp_;
    std::string url_;
    std::string sourceUrl_;
    int networkOpAttemptCount_ = 0;
    bool networkOpInProgress_ = false;
    int uiViewType_ = 0;
    // The running transfer, if any (it also holds this record).
    std::shared_ptr<ServerDataTransfer> transfer_;
    friend class ServerDataTransfer;
};

} // namespace mw
