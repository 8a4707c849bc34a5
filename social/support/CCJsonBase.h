#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mw {

// The error domain of every JSON error.
inline constexpr const char* kJsonErrorDomain = "com.zandovar.mw.JSON.ErrorDomain";

// One error of a JSON parse or write. Errors chain: each one added after
// another holds that one as its underlying cause, so the last error of a
// trace leads back, innermost cause first, to the first.
struct JsonError {
    // 1 unsupported value (writer), 2 bad number, 3 parse error, 4 scalar where
    // a container is required, 5 raw control character, 6 bad \u escape,
    // 7 nested too deep, 8 unknown escape, 9 trailing comma, 10 text after the
    // value, 11 input ended, 12 no input.
    int code = 0;
    std::string message;
    std::shared_ptr<const JsonError> underlying;

    const char* domain() const { return kJsonErrorDomain; }
    // "message (code N)" for this error and its underlying ones, outermost first.
    std::string describe() const;
};

// A trace as one line: each error's message and code, first to last.
std::string describeJsonTrace(const std::vector<JsonError>& trace);

// What the parser and the writer share: the error trace of the last call and
// the nesting limit.
//
// Nothing observes the trace while it changes: read it after a call.
class CCJsonBase {
public:
    // Nesting levels allowed by default.
    static constexpr uint32_t kDefaultMaxDepth = 512;
    // The limit that applies whatever maxDepth says (maxDepth 0 means "no
    // limit" up to here): deep enough for any real document, shallow enough
    // that the recursive parser and writer never run out of stack, even with
    // the sanitizers' larger frames.
    static constexpr uint32_t kDepthCeiling = 3000;

    CCJsonBase() = default;
    virtual ~CCJsonBase() = default;

    // Appends an error whose underlying cause is the trace's last error.
    void addError(int code, std::string message);
    void clearErrorTrace() { errorTrace_.clear(); }
    // Errors of the last call, first cause first; empty when it succeeded.
    const std::vector<JsonError>& errorTrace() const { return errorTrace_; }
    void setErrorTrace(std::vector<JsonError> trace) { errorTrace_ = std::move(trace); }

    // 0 means no limit below kDepthCeiling.
    uint32_t maxDepth() const { return maxDepth_; }
    void setMaxDepth(uint32_t maxDepth) { maxDepth_ = maxDepth; }

protected:
    // True when `depth` levels are too many.
    bool tooDeep(uint32_t depth) const
    {
        return depth > kDepthCeiling || (maxDepth_ != 0 && depth > maxDepth_);
    }

    uint32_t depth_ = 0;

private:
    std::vector<JsonError> errorTrace_;
    uint32_t maxDepth_ = kDefaultMaxDepth;
};

} // namespace mw
