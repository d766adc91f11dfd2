#pragma once

#include "core/disjointsets.h"
#include "core/object.h"
#include "core/pointtree.h"

#include <memory>
#include <optional>
#include <queue>
#include <vector>

class Drawing;

// One linking step: the joint to add (none when the new shape was already
// tied to the tree by an existing joint) and the share of shapes connected
// after it.
struct JoinStep
{
    std::optional<Object::Joint> joint;
    double fraction = 0;
};

// Chooses the joints of an auto-join run, one step at a time: each step
// takes the shortest pair (p, q) with p on a shape already in the tree and q
// on a shape outside it, and brings q's shape in.
//
// Tie order, fixed so that every run (and the plain rule it replaces) picks
// the same joints: shapes are numbered start object 0, then the drawing's
// objects in list order; every point gets a rank by shape number, then point
// index. Among pairs of equal squared distance the one with the lower-ranked
// p wins, and for that p the lower-ranked q. This is what iterating the tree
// in shape-number order, taking a new best only when strictly nearer, and
// resolving equidistant neighbours to the first candidate gives.
//
// The planner copies what it needs from the drawing when it is made, so it
// can run in another thread while the drawing is left alone; the points it
// hands back are only compared and stored there, never read.
//
// Instead of searching from every tree point at every step, each tree point
// keeps its nearest outside candidate in a priority queue. A candidate only
// ever gets farther when its shape joins, so the queued distance is a lower
// bound: the entry on top is refreshed when its candidate has gone and is
// the step's pair when it has not.
class JoinPlanner
{
public:
    explicit JoinPlanner(const Drawing &drawing);
    ~JoinPlanner();
    JoinPlanner(const JoinPlanner &) = delete;
    JoinPlanner &operator=(const JoinPlanner &) = delete;

    // The next step, or none when every shape is in or nothing is left to
    // reach. The first call builds the search tree.
    std::optional<JoinStep> next();

private:
    struct Entry
    {
        double distance2;
        uint32_t p, q; // ranks
        bool operator>(const Entry &o) const
        {
            if (distance2 != o.distance2)
                return distance2 > o.distance2;
            if (p != o.p)
                return p > o.p;
            return q > o.q;
        }
    };

    void readExistingJoints(const Drawing &drawing);
    void prepare();
    void connect(uint32_t shape);
    void enqueue(uint32_t rank);

    // Per shape (0 = start object): its first rank and point count.
    std::vector<uint32_t> m_first;
    std::vector<uint32_t> m_count;
    // Per rank.
    std::vector<double> m_x, m_y;
    std::vector<Object::Point *> m_point;
    std::vector<uint32_t> m_shapeOf;

    std::vector<bool> m_connected;
    size_t m_connectedCount = 0;
    size_t m_objectCount = 0;
    // Shapes tied together by joints that existed before the run; a group
    // with a member in the tree is in the tree for the connectivity question.
    DisjointSets m_groups;
    std::vector<bool> m_groupInTree;
    std::vector<uint32_t> m_joinedToStart;
    bool m_startJoined = false;

    std::unique_ptr<PointTree> m_tree;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> m_queue;
};
