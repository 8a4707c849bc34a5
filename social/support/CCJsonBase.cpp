#include "social/support/CCJsonBase.h"

namespace mw {

std::string JsonError::describe() const
{
    std::string text;
    for (const JsonError* error = this; error; error = error->underlying.get()) {
        if (!text.empty()) text += " <- ";
        text += error->message + " (code " + std::to_string(error->code) + ")";
    }
    return text;
}

std::string describeJsonTrace(const std::vector<JsonError>& trace)
{
    std::string text = "(";
    for (size_t i = 0; i < trace.size(); ++i) {
        if (i > 0) text += ", ";
        text += "\"" + trace[i].message + "\" (code " + std::to_string(trace[i].code) + ")";
    }
    return text + ")";
}

void CCJsonBase::addError(int code, std::string message)
{
    JsonError error;
    error.code = code;
    error.message = std::move(message);
    if (!errorTrace_.empty()) error.underlying = std::make_shared<const JsonError>(errorTrace_.back());
    errorTrace_.push_back(std::move(error));
}

} // namespace mw
