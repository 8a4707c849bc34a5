#include "analytics/TallyUtil.h"

#include <cxxabi.h>
#include <strings.h>

#include <atomic>
#include <cstdlib>
#include <locale>
#include <memory>
#include <sstream>
#include <system_error>
#include <typeinfo>

#include "foundation/Log.h"
#include "platform/DetachableView.h"
#include "platform/DeviceFacts.h"
#include "platform/ExtendedAttributes.h"

namespace mw {

namespace {

std::atomic<bool> gDebugLogEnabled { false };
std::atomic<bool> gShowErrorInLogEnabled { false };
std::atomic<int> gSystemVersion { 0 };

bool showsErrors() { return gDebugLogEnabled.load() && gShowErrorInLogEnabled.load(); }

std::string typeName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(type.name());
}

bool textIs(const std::optional<std::string>& orientation, const char* name)
{
    return strcasecmp(orientation->c_str(), name) == 0;
}

DeviceFacts::Orientation statusBarOrientation()
{
    return DeviceFacts::sharedInstance()->statusBarOrientation();
}

} // namespace

void TallyUtil::setDebugLogEnabled(bool enabled) { gDebugLogEnabled = enabled; }
bool TallyUtil::isDebugLogEnabled() { return gDebugLogEnabled; }
void TallyUtil::setShowErrorInLogEnabled(bool enabled) { gShowErrorInLogEnabled = enabled; }
bool TallyUtil::isShowErrorInLogEnabled() { return gShowErrorInLogEnabled; }

void TallyUtil::debugLog(const std::string& line)
{
    if (gDebugLogEnabled) logLine("%s", line.c_str());
}

void TallyUtil::handleException(const std::exception& exception)
{
    if (!showsErrors()) return;
    if (const auto* error = dynamic_cast<const std::system_error*>(&exception)) {
        logLine("Tally: Caught Error in Tally Analytics Code");
        logLine("Tally: -----------------------------------------");
        logLine("Tally: Code:%d Domain:%s", error->code().value(), error->code().category().name());
        logLine("Tally: %s", error->what());
        return;
    }
    logLine("Tally: Caught Exception in Tally Analytics Code");
    logLine("Tally: -----------------------------------------");
    logLine("Tally: Name:%s Reason:%s", typeName(typeid(exception)).c_str(), exception.what());
    // A C++ exception carries no user information.
    logLine("Tally: (null)");
}

std::string TallyUtil::exceptionName(const std::exception& exception) { return typeName(typeid(exception)); }

void TallyUtil::handleException(const std::string& description)
{
    if (!showsErrors()) return;
    logLine("Tally: Caught Error in Tally Analytics Code");
    logLine("Tally: %s", description.c_str());
}

bool TallyUtil::isIPad() { return DeviceFacts::sharedInstance()->isPadIdiom(); }

int TallyUtil::getSystemVersionAsAnInteger()
{
    if (const int known = gSystemVersion.load()) return known;
    const std::string text = DeviceFacts::sharedInstance()->systemVersion();
    int sum = 0;
    int scale = 10000;
    size_t start = 0;
    for (int index = 0; index < 3 && start <= text.size(); ++index, scale /= 100) {
        const size_t dot = text.find('.', start);
        const std::string part =
            text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        // A part reads as its leading number, as the platform's intValue did.
        sum += std::atoi(part.c_str()) * scale;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    gSystemVersion = sum;
    return sum;
}

void TallyUtil::resetSystemVersionForTesting() { gSystemVersion = 0; }

bool TallyUtil::addSkipBackupAttributeToItemAtPath(const std::string& path)
{
    if (getSystemVersionAsAnInteger() <= 50000) return false;
    return ExtendedAttributes::sharedInstance()->set(path, "com.apple.MobileBackup", { 1 });
}

CGRect TallyUtil::screenBounds(const std::optional<std::string>& orientation)
{
    CGSize size = isIPad() ? CGSize(768, 1024.1f) : CGSize(320, 480.1f);
    if (canvasInLandscape(orientation)) size = CGSize(size.height, size.width);
    return CGRect(CGPoint(0, 0), size);
}

bool TallyUtil::canvasInLandscapeRight(const std::optional<std::string>& orientation)
{
    if (!orientation) return statusBarOrientation() == DeviceFacts::Orientation::LandscapeRight;
    return textIs(orientation, "landscapeRight");
}

bool TallyUtil::canvasInLandscapeLeft(const std::optional<std::string>& orientation)
{
    if (!orientation) return statusBarOrientation() == DeviceFacts::Orientation::LandscapeLeft;
    return textIs(orientation, "landscapeLeft");
}

bool TallyUtil::canvasInPortraitUpsideDown(const std::optional<std::string>& orientation)
{
    if (!orientation) return statusBarOrientation() == DeviceFacts::Orientation::PortraitUpsideDown;
    return textIs(orientation, "portraitUpsideDown");
}

bool TallyUtil::canvasInLandscape(const std::optional<std::string>& orientation)
{
    return canvasInLandscapeRight(orientation) || canvasInLandscapeLeft(orientation);
}

std::string TallyUtil::getCanvasOrientation()
{
    if (canvasInLandscapeRight()) return "landscapeRight";
    if (canvasInLandscapeLeft()) return "landscapeLeft";
    if (canvasInPortraitUpsideDown()) return "portraitUpsideDown";
    return "portrait";
}

void TallyUtil::removeViewFromSuperview(DetachableView* view)
{
    if (view) view->removeFromSuperview();
}

std::optional<double> TallyUtil::convertStrToNum(const std::string& text)
{
    std::istringstream stream(text);
    stream.imbue(std::locale::classic());
    double value = 0;
    if (!(stream >> value)) return std::nullopt;
    stream >> std::ws;
    if (!stream.eof()) return std::nullopt;
    return value;
}

bool TallyUtil::addToSet(std::set<std::string>& set, const std::string& object)
{
    return set.insert(object).second;
}

} // namespace mw
