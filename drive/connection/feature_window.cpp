#include "drive/connection/feature_window.h"

#include "drive/connection/commands.h"

namespace tarvex {

FeatureOpening openingOf(FeatureKind kind)
{
    switch (kind) {
    case FeatureKind::AlarmHistory:
        return {true, true, feature_code::kAlarmHistory};
    case FeatureKind::AutoTuning:
        return {true, true, feature_code::kAutoTuning};
    case FeatureKind::AlarmGraph:
        return {true, true, feature_code::kAlarmGraph};
    case FeatureKind::TriggerGraph:
        return {false, true, feature_code::kTriggerGraph};
    case FeatureKind::TraceGraph:
        return {false, false, feature_code::kTraceGraph};
    case FeatureKind::ManualJog:
    case FeatureKind::ProgramJog:
        return {false, false, feature_code::kJog};
    case FeatureKind::Parameters:
        return {false, true, feature_code::kParameters};
    }
    return {};
}

} // namespace tarvex
