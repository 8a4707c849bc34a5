#pragma once

#include <vector>

#include "engine/nodes/CCLayer.h"
#include "foundation/Geometry.h"
#include "platform/AlertView.h"
#include "platform/RootView.h"

namespace mw {

class CCDirector;

// Draws the platform's alerts, activity spinners and modal screens with the
// engine, above the running scene (as the director's notification node), and
// takes the touches while an alert or a modal screen is up: nothing under it
// reacts. While installed it is the shared alert presenter and root view;
// whatever those showed moves over to it, and back when it is removed.
// One at a time; main thread.
class CCPlatformOverlay : public AlertViewPresenter, public RootView {
public:
    CCPlatformOverlay();
    ~CCPlatformOverlay() override;
    CCPlatformOverlay(const CCPlatformOverlay&) = delete;
    CCPlatformOverlay& operator=(const CCPlatformOverlay&) = delete;

    // Becomes the shared presenter and root view and the director's
    // notification node.
    void install(CCDirector& director);
    // Puts the plain presenter and root view back; the node leaves the director.
    void uninstall();

protected:
    void alertShown(AlertView&) override { rebuild(); }
    void alertDismissed(AlertView&) override { rebuild(); }
    void alertChanged(AlertView&) override { rebuild(); }
    void contentChanged() override { rebuild(); }

private:
    class Layer;
    struct Button {
        CGRect area; // in the window's points, origin at the bottom left
        Ref<AlertView> alert;
        Ref<ModalScreen> screen;
        int index;
    };

    void rebuild();
    void buildSpinner(ActivityIndicatorView& spinner, CGSize window);
    void buildScreen(ModalScreen& screen, CGSize window);
    void buildAlert(AlertView& alert, CGSize window, bool front);
    void press(CGPoint point);
    bool isModal() const;

    Ref<Layer> layer_;
    CCDirector* director_ = nullptr;
    std::vector<Button> buttons_;
};

} // namespace mw
