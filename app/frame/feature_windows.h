// The drive feature windows the frame can open. Each later part plugs its
// window in by adding a factory (see installed_features.cpp); a command
// whose window has no factory stays disabled, so the frame never shows a
// window that does not exist yet.
#pragma once

#include "drive/connection/feature_window.h"

#include <functional>
#include <map>
#include <memory>

class QWidget;

namespace tarvex {

using FeatureWindowFactory = std::function<std::unique_ptr<FeatureWindow>(QWidget *frame)>;

class FeatureWindowFactories {
public:
    void add(FeatureKind kind, FeatureWindowFactory factory) { factories_[kind] = std::move(factory); }
    const std::map<FeatureKind, FeatureWindowFactory> &all() const { return factories_; }

private:
    std::map<FeatureKind, FeatureWindowFactory> factories_;
};

// The windows that exist in this build.
FeatureWindowFactories installedFeatureWindows();

class FeatureWindows {
public:
    FeatureWindows() = default;
    ~FeatureWindows() { destroyAll(); }
    FeatureWindows(const FeatureWindows &) = delete;
    FeatureWindows &operator=(const FeatureWindows &) = delete;

    // Creates the window objects (not shown) for every factory.
    void create(const FeatureWindowFactories &factories, QWidget *frame);
    bool available(FeatureKind kind) const { return window(kind) != nullptr; }
    FeatureWindow *window(FeatureKind kind) const;
    // Destroys the windows in the program's shutdown order.
    void destroyAll();
    // The program is closing: every window ends its worker threads.
    void endAllWork();
    // Cyclic monitoring switched: every window hears of it.
    void monitoringSwitched(bool running);
    // The program leaves the drive the windows work on: each closes by its own rules.
    void leaveDrive();

private:
    std::map<FeatureKind, std::unique_ptr<FeatureWindow>> windows_;
};

} // namespace tarvex
