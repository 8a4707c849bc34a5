#pragma once

#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "platform/Image.h"
#include "platform/ImageSources.h"
#include "social/ui/UIControls.h"
#include "social/ui/UITableView.h"
#include "social/ui/UIViewController.h"

namespace mw {

class UIImagePickerController;

// What a picker answers for a chosen picture.
struct UIImagePickerMediaInfo {
    std::string mediaType = "public.image";
    // The picture as the source holds it.
    Ref<Image> originalImage;
    // With editing allowed, the part the player kept: the centred square of
    // the original. Null without editing.
    Ref<Image> editedImage;
};

// What a picker tells the one who opened it. The picker does not close
// itself: the delegate dismisses it (or its popover).
class UIImagePickerControllerDelegate {
public:
    virtual ~UIImagePickerControllerDelegate() = default;
    virtual void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController& /*picker*/,
                                                                    const UIImagePickerMediaInfo& /*info*/)
    {
    }
    virtual void imagePickerControllerDidCancel(UIImagePickerController& /*picker*/) {}
};

// The screen that lets the player choose a picture of one image source
// (platform/ImageSources.h): a bar with a title and Cancel, and a grid of
// thumbnails, four to a row, scrolling when there are more. A tap on a
// thumbnail answers that picture; a picture that cannot be read is logged
// and answers nothing. Main thread.
class UIImagePickerController : public UIViewControllerBase {
public:
    using SourceType = ImageSources::SourceType;
    static constexpr float kBarHeight = 44;
    static constexpr float kThumbnailSize = 75;
    static constexpr float kThumbnailGap = 4;

    // Whether the installed image sources offer that source.
    static bool isSourceTypeAvailable(SourceType type);
    // "public.image" for an available source, else none.
    static std::vector<std::string> availableMediaTypesForSourceType(SourceType type);

    UIImagePickerController() = default;
    ~UIImagePickerController() override;

    SourceType sourceType() const { return sourceType_; }
    // Takes effect when the view is next made; an unavailable source shows
    // an empty grid.
    void setSourceType(SourceType type) { sourceType_ = type; }
    bool allowsEditing() const { return allowsEditing_; }
    void setAllowsEditing(bool on) { allowsEditing_ = on; }
    const std::vector<std::string>& mediaTypes() const { return mediaTypes_; }
    void setMediaTypes(std::vector<std::string> types) { mediaTypes_ = std::move(types); }
    UIImagePickerControllerDelegate* delegate() const { return delegate_; }
    // Not owned.
    void setDelegate(UIImagePickerControllerDelegate* delegate) { delegate_ = delegate; }

    // The pictures the grid shows, in order (files of the source).
    const std::vector<std::string>& pictures() const { return pictures_; }
    // As a tap on the thumbnail at `index` or on Cancel would. Answers
    // whether the delegate was told.
    bool pickPictureAtIndex(size_t index);
    void cancel();
    // The grid and the Cancel button once the view is made.
    UIScrollView* gridView() const { return grid_.get(); }
    UIButton* cancelButton() const { return cancel_.get(); }

    void loadView() override;

private:
    SourceType sourceType_ = ImageSources::kPhotoLibrary;
    bool allowsEditing_ = false;
    std::vector<std::string> mediaTypes_ {"public.image"};
    UIImagePickerControllerDelegate* delegate_ = nullptr;
    std::vector<std::string> pictures_;
    Ref<UIScrollView> grid_;
    Ref<UIButton> cancel_;
};

} // namespace mw
