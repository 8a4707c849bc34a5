#include "social/ui/UIImagePickerController.h"

#include <algorithm>

#include "foundation/Log.h"
#include "social/ui/UIControls.h"
#include "social/ui/UITableView.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

const FillColor kBarColour {0.20f, 0.24f, 0.28f, 1};
const FillColor kGridColour {1, 1, 1, 1};
const FillColor kUnreadableColour {0.75f, 0.75f, 0.75f, 1};

// The centred square of `image`, as large as its shorter side.
Ref<Image> centredSquare(const Image& image)
{
    const int side = std::min(image.width(), image.height());
    if (side <= 0) return nullptr;
    const int left = (image.width() - side) / 2;
    const int top = (image.height() - side) / 2;
    std::vector<uint8_t> pixels(static_cast<size_t>(side) * static_cast<size_t>(side) * 4);
    for (int row = 0; row < side; ++row)
        image.premultipliedRow(static_cast<size_t>(top + row), left, side,
                               &pixels[static_cast<size_t>(row) * static_cast<size_t>(side) * 4]);
    return Image::fromRGBA(std::move(pixels), side, side, ImageAlphaInfo::PremultipliedLast);
}

// The thumbnails' scrolling grid: a tap picks the thumbnail under it.
class PickerGridView : public UIScrollView {
public:
    explicit PickerGridView(CGRect frame) : UIScrollView(frame) {}
    UIImagePickerController* owner = nullptr;

    void tapped(CGPoint point) override
    {
        const float pitch = UIImagePickerController::kThumbnailSize + UIImagePickerController::kThumbnailGap;
        const float x = point.x - UIImagePickerController::kThumbnailGap;
        const float y = point.y - UIImagePickerController::kThumbnailGap;
        if (x < 0 || y < 0 || !owner) return;
        const int column = static_cast<int>(x / pitch);
        const int row = static_cast<int>(y / pitch);
        // Taps in the gaps pick nothing.
        if (x - column * pitch > UIImagePickerController::kThumbnailSize ||
            y - row * pitch > UIImagePickerController::kThumbnailSize || column >= columns())
            return;
        Ref<UIImagePickerController> held(owner);
        held->pickPictureAtIndex(static_cast<size_t>(row * columns() + column));
    }

    int columns() const
    {
        const float pitch = UIImagePickerController::kThumbnailSize + UIImagePickerController::kThumbnailGap;
        return std::max(1, static_cast<int>((bounds().size.width - UIImagePickerController::kThumbnailGap) / pitch));
    }
};

} // namespace

bool UIImagePickerController::isSourceTypeAvailable(SourceType type)
{
    return ImageSources::sharedInstance()->isSourceTypeAvailable(type);
}

std::vector<std::string> UIImagePickerController::availableMediaTypesForSourceType(SourceType type)
{
    if (!isSourceTypeAvailable(type)) return {};
    return {"public.image"};
}

UIImagePickerController::~UIImagePickerController()
{
    if (grid_) static_cast<PickerGridView*>(grid_.get())->owner = nullptr;
}

void UIImagePickerController::loadView()
{
    UIWindow* window = UIWindow::keyWindow();
    const CGRect full = window ? window->bounds() : CGRect {0, 0, 320, 480};
    Ref<UIView> root = makeRef<UIView>(full);
    root->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    root->setBackgroundColor(kGridColour);

    Ref<UIView> bar = makeRef<UIView>(CGRect {0, 0, full.size.width, kBarHeight});
    bar->setAutoresizingMask(UIView::kFlexibleWidth);
    bar->setBackgroundColor(kBarColour);
    Ref<UILabel> title = makeRef<UILabel>(CGRect {80, 0, full.size.width - 160, kBarHeight});
    title->setAutoresizingMask(UIView::kFlexibleWidth);
    title->setFont(UIFont::boldSystemFontOfSize(18));
    title->setTextColor({1, 1, 1, 1});
    title->setTextAlignment(UITextAlignmentCenter);
    title->setText(sourceType_ == ImageSources::kSavedPhotosAlbum ? "Saved Photos"
                   : sourceType_ == ImageSources::kCamera         ? "Camera"
                                                                  : "Photos");
    bar->addSubview(title.get());
    cancel_ = makeRef<UIButton>(CGRect {full.size.width - 75, 7, 70, 30});
    cancel_->setTitle("Cancel", UIFont::boldSystemFontOfSize(14), {1, 1, 1, 1});
    cancel_->setBackgroundColor(FillColor {0.33f, 0.38f, 0.44f, 1});
    cancel_->setTouchUpInside([this](UIButton&) { cancel(); });
    bar->addSubview(cancel_.get());

    Ref<PickerGridView> grid =
        makeRef<PickerGridView>(CGRect {0, kBarHeight, full.size.width, full.size.height - kBarHeight});
    grid->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    grid->owner = this;
    grid_ = Ref<UIScrollView>(grid.get());

    std::shared_ptr<ImageSources> sources = ImageSources::sharedInstance();
    pictures_ = sources->isSourceTypeAvailable(sourceType_) ? sources->pictures(sourceType_)
                                                           : std::vector<std::string>();
    const int columns = grid->columns();
    const float pitch = kThumbnailSize + kThumbnailGap;
    for (size_t index = 0; index < pictures_.size(); ++index) {
        const CGRect cell {kThumbnailGap + static_cast<float>(index % static_cast<size_t>(columns)) * pitch,
                           kThumbnailGap + static_cast<float>(index / static_cast<size_t>(columns)) * pitch,
                           kThumbnailSize, kThumbnailSize};
        Ref<Image> picture = Image::load(pictures_[index]);
        Ref<Image> square = picture ? centredSquare(*picture) : nullptr;
        Ref<UIImageView> thumbnail = makeRef<UIImageView>(cell, square);
        if (!square) thumbnail->setBackgroundColor(kUnreadableColour);
        thumbnail->setUserInteractionEnabled(false);
        grid->addSubview(thumbnail.get());
    }
    const size_t rows = (pictures_.size() + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns);
    grid->setContentSize({full.size.width, kThumbnailGap + static_cast<float>(rows) * pitch});

    root->addSubview(grid.get());
    root->addSubview(bar.get());
    setView(root.get());
}

bool UIImagePickerController::pickPictureAtIndex(size_t index)
{
    if (!isViewLoaded()) (void)view();
    if (index >= pictures_.size()) return false;
    Ref<Image> original = Image::load(pictures_[index]);
    if (!original) {
        logLine("[UIImagePickerController] the picture %s cannot be read; nothing picked", pictures_[index].c_str());
        return false;
    }
    UIImagePickerMediaInfo info;
    info.originalImage = original;
    if (allowsEditing_) info.editedImage = centredSquare(*original);
    if (!delegate_) return false;
    Ref<UIImagePickerController> self(this); // the delegate may drop the picker
    delegate_->imagePickerControllerDidFinishPickingMediaWithInfo(*this, info);
    return true;
}

void UIImagePickerController::cancel()
{
    if (!delegate_) return;
    Ref<UIImagePickerController> self(this);
    delegate_->imagePickerControllerDidCancel(*this);
}

} // namespace mw
