#pragma once

#include "core/object.h"

// What the drawing model and the long operations on it need from the view
// that shows a drawing. The real view implements it; tests use fakes. The
// model never creates widgets, so everything visual goes through here.
class DrawingView
{
public:
    virtual ~DrawingView() = default;

    // Cached cutting-order copy of the drawing: linking switches its
    // updates off while it runs and asks for one rebuild at the end.
    virtual void setCacheUpdatesEnabled(bool enabled) = 0;
    virtual bool cacheUpdatesEnabled() const = 0;
    virtual void updateCachedDrawing() = 0;

    // Long-operation overlay. Showing progress never runs the event loop:
    // a run in the GUI thread decides itself when events may be processed,
    // and a run in a worker must not nest event loops at all.
    virtual bool overlayVisible() const = 0;
    virtual void setOverlayProgress(double fraction) = 0;

    // The geometry changed under the items: rebuild them now, or once the
    // running simulation ends.
    virtual void geometryChanged() = 0;

    // A point was inserted into or removed from a shape by an undoable edit.
    virtual void pointInserted(Object::Point *point) = 0;
    virtual void pointRemoved(Object::Point *point) = 0;

    // One shape changed in place (points or direction): only its own items
    // need to follow.
    virtual void objectChanged(Object *) {}
    // The drawing's overall direction flipped: the direction of every shape
    // without one of its own follows it.
    virtual void directionsChanged() {}
};
