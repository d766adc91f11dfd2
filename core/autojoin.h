#pragma once

#include <QFuture>

#include <functional>

class Drawing;

// Links every shape of the drawing into one tree rooted at the start object,
// adding at each step the shortest joint between a shape in the tree and
// one outside it. The joints are pushed as AddJointCommands inside one undo
// macro "Auto-join"; an empty drawing gets no macro at all. Joints that
// already exist are kept, and shapes they connect get no new joint.
//
// Runs in the calling thread; progress goes to the drawing's view overlay,
// and pending events (except user input) are processed between steps.
void autoJoin(Drawing &drawing);

// The same run in Qt's global thread pool. Pushes and progress reach the
// drawing's thread as queued calls, in the order the joints were chosen;
// `finished` is called in the drawing's thread once the last push is done.
// The caller keeps editing disabled until then.
QFuture<void> startAutoJoin(Drawing &drawing, std::function<void()> finished);
