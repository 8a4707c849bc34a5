#pragma once

namespace mw {

// How a line that does not fit is broken; the platform's numbering, which
// labels and textures pass through unchanged.
enum UILineBreakMode : int {
    UILineBreakModeWordWrap = 0,       // at the last word boundary
    UILineBreakModeCharacterWrap = 1,  // at the character that overflows
    UILineBreakModeClip = 2,           // the last line is cut at the overflow
    UILineBreakModeHeadTruncation = 3, // (lays out as word wrap)
    UILineBreakModeTailTruncation = 4, // the last line ends in an ellipsis
    UILineBreakModeMiddleTruncation = 5, // (lays out as word wrap)
};

// Where each line sits in the width it is laid out in; the platform's numbering.
enum UITextAlignment : int {
    UITextAlignmentLeft = 0,
    UITextAlignmentCenter = 1,
    UITextAlignmentRight = 2,
};

} // namespace mw
