#include "engine/transitions/CCSceneDirector.h"

namespace mw {

namespace {
ccSceneDirectorProvider sceneDirectorProvider = nullptr;
}

void ccSetSceneDirectorProvider(ccSceneDirectorProvider provider)
{
    sceneDirectorProvider = provider;
}

CCSceneDirector* ccSceneDirector()
{
    return sceneDirectorProvider ? sceneDirectorProvider() : nullptr;
}

} // namespace mw
