// The feature windows of this build. Each part that brings a window adds
// its factory here, for example:
//
//     factories.add(FeatureKind::Parameters,
//                   [](QWidget *frame) { return std::make_unique<CParameterWindow>(frame); });
//
// Until a window is listed, its menu and toolbar commands stay disabled.
#include "feature_windows.h"

namespace tarvex {

FeatureWindowFactories installedFeatureWindows()
{
    FeatureWindowFactories factories;
    return factories;
}

} // namespace tarvex
