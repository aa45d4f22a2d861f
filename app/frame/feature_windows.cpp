#include "app/frame/feature_windows.h"

#include "app/ui/settings/window_size_keeper.h"

#include <QWidget>

#include <array>

namespace tarvex {

void FeatureWindows::create(const FeatureWindowFactories &factories, QWidget *frame)
{
    for (const auto &[kind, factory] : factories.all()) {
        if (!factory)
            continue;
        if (auto window = factory(frame)) {
            // The windows that are widgets themselves (the others size the
            // windows they create).
            if (auto *widget = dynamic_cast<QWidget *>(window.get()))
                keepWindowSize(*widget);
            windows_[kind] = std::move(window);
        }
    }
}

FeatureWindow *FeatureWindows::window(FeatureKind kind) const
{
    const auto it = windows_.find(kind);
    return it == windows_.end() ? nullptr : it->second.get();
}

void FeatureWindows::destroyAll()
{
    static constexpr std::array<FeatureKind, 8> order{
        FeatureKind::AlarmHistory, FeatureKind::AutoTuning, FeatureKind::TriggerGraph,
        FeatureKind::Parameters,   FeatureKind::AlarmGraph, FeatureKind::TraceGraph,
        FeatureKind::ManualJog,    FeatureKind::ProgramJog};
    for (FeatureKind kind : order)
        windows_.erase(kind);
    windows_.clear();
}

void FeatureWindows::endAllWork()
{
    for (auto &[kind, window] : windows_)
        window->endWork();
}

void FeatureWindows::monitoringSwitched(bool running)
{
    for (auto &[kind, window] : windows_)
        window->monitoringSwitched(running);
}

void FeatureWindows::leaveDrive()
{
    for (auto &[kind, window] : windows_)
        window->leaveDrive();
}

} // namespace tarvex
