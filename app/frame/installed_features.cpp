// The feature windows of this build. Each part that brings a window adds
// its factory here, for example:
//
//     factories.add(FeatureKind::Parameters,
//                   [](QWidget *frame) { return std::make_unique<CParameterWindow>(frame); });
//
// Until a window is listed, its menu and toolbar commands stay disabled.
#include "app/graphs/alarm/alarm_graph_window.h"
#include "app/alarms/alarm_history_window.h"
#include "app/frame/feature_windows.h"
#include "app/operation/operation_windows.h"
#include "app/parameters/parameter_window.h"
#include "app/graphs/trace/trace_graph_window.h"
#include "app/graphs/trigger/trigger_graph_window.h"
#include "app/ui/ui_wait.h"

namespace tarvex {

FeatureWindowFactories installedFeatureWindows()
{
    FeatureWindowFactories factories;
    factories.add(FeatureKind::Parameters, [](QWidget *frame) { return std::make_unique<CParameterWindow>(frame, runKeepingUiAlive); });
    factories.add(FeatureKind::AlarmHistory, [](QWidget *frame) { return std::make_unique<CAlarmHistoryWindow>(frame, runKeepingUiAlive); });
    factories.add(FeatureKind::TraceGraph, [](QWidget *frame) { return std::make_unique<CTraceGraphWindow>(frame, runKeepingUiAlive); });
    factories.add(FeatureKind::ManualJog, [](QWidget *frame) { return std::make_unique<CManualJogDlg>(frame); });
    factories.add(FeatureKind::ProgramJog, [](QWidget *frame) { return std::make_unique<CProgramJogDlg>(frame); });
    factories.add(FeatureKind::AutoTuning, [](QWidget *frame) { return std::make_unique<CAutotuningDlg>(frame); });
    factories.add(FeatureKind::TriggerGraph, [](QWidget *frame) { return std::make_unique<CTriggerGraphWindow>(frame, runKeepingUiAlive); });
    factories.add(FeatureKind::AlarmGraph, [](QWidget *frame) { return std::make_unique<CAlarmGraphWindow>(frame, runKeepingUiAlive); });
    return factories;
}

} // namespace tarvex
