#pragma once

#include <exception>
#include <optional>
#include <set>
#include <string>

#include "foundation/Geometry.h"

namespace mw {

class DetachableView;

// The analytics client's small utilities: its two log switches, the logging
// of caught exceptions, screen and orientation questions, the system version
// as a number and the backup-exclusion mark of its files. Safe from any thread.
class TallyUtil {
public:
    // Debug lines of the client reach the log only while this is on (off at start).
    static void setDebugLogEnabled(bool enabled);
    static bool isDebugLogEnabled();
    // Caught exceptions are logged only while this and debug logging are on.
    static void setShowErrorInLogEnabled(bool enabled);
    static bool isShowErrorInLogEnabled();
    // Logs one debug line when debug logging is on.
    static void debugLog(const std::string& line);

    // Logs a caught exception; never rethrows. A std::system_error is logged
    // as an error with its code and domain (its category).
    static void handleException(const std::exception& exception);
    // The exception's class name ("std::runtime_error").
    static std::string exceptionName(const std::exception& exception);
    // Logs something caught that is no exception (its description).
    static void handleException(const std::string& description);

    // The device is a tablet.
    static bool isIPad();
    // The system version text as a number: 5.0.1 -> 50001, 4.3 -> 40300,
    // 6 -> 60000. Computed on first use and kept.
    static int getSystemVersionAsAnInteger();
    // Forgets the kept version number (tests that change the system version).
    static void resetSystemVersionForTesting();
    // Marks a file as excluded from backups (the attribute
    // "com.apple.MobileBackup" = 1); false on system versions up to 5.0 and
    // when the file system refuses user attributes.
    static bool addSkipBackupAttributeToItemAtPath(const std::string& path);

    // 320 x 480.1 on a phone, 768 x 1024.1 on a tablet, swapped in landscape;
    // with an orientation text, swapped when the text names a landscape one.
    static CGRect screenBounds(const std::optional<std::string>& orientation = std::nullopt);
    // Without a text: the status-bar orientation; with one: whether the text
    // is "landscapeRight", "landscapeLeft" or "portraitUpsideDown", in any case.
    static bool canvasInLandscapeRight(const std::optional<std::string>& orientation = std::nullopt);
    static bool canvasInLandscapeLeft(const std::optional<std::string>& orientation = std::nullopt);
    static bool canvasInPortraitUpsideDown(const std::optional<std::string>& orientation = std::nullopt);
    static bool canvasInLandscape(const std::optional<std::string>& orientation = std::nullopt);
    // "landscapeRight", "landscapeLeft", "portraitUpsideDown" or "portrait".
    static std::string getCanvasOrientation();

    // Takes the view out of its parent; nothing for null.
    static void removeViewFromSuperview(DetachableView* view);
    // The whole text read as a decimal number (C locale); nothing when it is not one.
    static std::optional<double> convertStrToNum(const std::string& text);
    // Adds the text when the set lacks it; true when it was added.
    static bool addToSet(std::set<std::string>& set, const std::string& object);
};

} // namespace mw
