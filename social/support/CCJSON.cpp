#include "social/support/CCJSON.h"

#include "foundation/Log.h"

namespace mw {

CCJSON::CCJSON()
{
    setMaxDepth(kDefaultMaxDepth);
}

void CCJSON::setMaxDepth(uint32_t maxDepth)
{
    CCJsonBase::setMaxDepth(maxDepth);
    parser_.setMaxDepth(maxDepth);
    writer_.setMaxDepth(maxDepth);
}

void CCJSON::takeTrace(const CCJsonBase& side, JsonError* error)
{
    setErrorTrace(side.errorTrace());
    if (error && !errorTrace().empty()) *error = errorTrace().back();
}

std::optional<Value> CCJSON::objectWithString(std::optional<std::string_view> text, bool allowScalar,
                                              JsonError* error)
{
    std::optional<Value> value =
        allowScalar ? parser_.fragmentWithString(text) : parser_.objectWithString(text);
    if (!value) takeTrace(parser_, error);
    return value;
}

std::optional<std::string> CCJSON::stringWithObject(const Value& value, bool allowScalar, JsonError* error)
{
    std::optional<std::string> text =
        allowScalar ? writer_.stringWithFragment(value) : writer_.stringWithObject(value);
    if (!text) takeTrace(writer_, error);
    return text;
}

namespace {

template <typename Result>
Result logged(Result result, const CCJsonBase& side, const char* what)
{
    if (!result)
        logLine("-%s failed. Error trace is: %s", what, describeJsonTrace(side.errorTrace()).c_str());
    return result;
}

} // namespace

std::optional<std::string> JSONRepresentation(const Value& value)
{
    CCJsonWriter writer;
    return logged(writer.stringWithObject(value), writer, "JSONRepresentation");
}

std::optional<std::string> JSONFragment(const Value& value)
{
    CCJsonWriter writer;
    return logged(writer.stringWithFragment(value), writer, "JSONFragment");
}

std::optional<Value> JSONValue(std::string_view text)
{
    CCJsonParser parser;
    return logged(parser.objectWithString(text), parser, "JSONValue");
}

std::optional<Value> JSONFragmentValue(std::string_view text)
{
    CCJsonParser parser;
    return logged(parser.fragmentWithString(text), parser, "JSONFragmentValue");
}

} // namespace mw
