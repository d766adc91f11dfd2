#pragma once

#include "core/drawingview.h"

#include <vector>

namespace test {

// Records what the model and the long operations ask of a view.
class FakeView : public DrawingView
{
public:
    void setCacheUpdatesEnabled(bool enabled) override
    {
        cacheEnabled = enabled;
        cacheSwitches.push_back(enabled);
    }
    bool cacheUpdatesEnabled() const override { return cacheEnabled; }
    void updateCachedDrawing() override { ++cacheRebuilds; }
    bool overlayVisible() const override { return overlay; }
    void setOverlayProgress(double fraction) override { progress.push_back(fraction); }
    void geometryChanged() override { ++geometryChanges; }
    void pointInserted(Object::Point *point) override { inserted.push_back(point); }
    void pointRemoved(Object::Point *point) override
    {
        // The point must still be alive and in its shape when the view hears of it.
        removedWhileInShape.push_back(point->owner && point->index < point->owner->size()
                                      && point->owner->points[size_t(point->index)] == point);
        removed.push_back(point);
    }

    bool cacheEnabled = true;
    std::vector<bool> cacheSwitches;
    int cacheRebuilds = 0;
    bool overlay = false;
    std::vector<double> progress;
    int geometryChanges = 0;
    std::vector<Object::Point *> inserted;
    std::vector<Object::Point *> removed;
    std::vector<bool> removedWhileInShape;
};

} // namespace test
