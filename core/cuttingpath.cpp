// Putting a linked drawing into cutting order.
//
// Splicing joint by joint into point vectors, and recomputing each group's
// direction from all its points at every splice, is quadratic on big jobs.
// Here every shape's points live in an implicit treap (a balanced sequence
// with lazy reversal), so each splice is a few splits and merges, and a
// group's shoelace sum is kept as the sum of its parts. The point sequence is
// the same as splicing the vectors one joint at a time; only when a group's
// sum is zero in exact arithmetic (an open shape cut there and back) may the
// rounding of that sum pick the other of two equally valid directions.

#include "core/drawing.h"

#include "formats/settings.h"

#include <QVector2D>

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <unordered_set>
#include <vector>

namespace {

using Point = Object::Point;

class SequenceForest
{
public:
    explicit SequenceForest(size_t capacity) { m_nodes.reserve(capacity); }

    int build(const std::vector<Point *> &points)
    {
        // Cartesian tree over the sequence with random priorities: a treap
        // in linear time.
        std::vector<int> stack;
        for (Point *p : points) {
            const int n = add(p);
            int last = -1;
            while (!stack.empty() && m_nodes[stack.back()].priority < m_nodes[n].priority) {
                last = stack.back();
                stack.pop_back();
            }
            m_nodes[n].left = last;
            if (!stack.empty())
                m_nodes[stack.back()].right = n;
            stack.push_back(n);
        }
        if (stack.empty())
            return -1;
        fixSizes(stack.front());
        return stack.front();
    }

    int add(Point *p)
    {
        Node n;
        n.point = p;
        n.priority = nextPriority();
        m_nodes.push_back(n);
        return int(m_nodes.size() - 1);
    }

    // First or last element of a sequence.
    Point *end(int root, bool last)
    {
        for (int n = root;;) {
            push(n);
            const int next = last ? m_nodes[n].right : m_nodes[n].left;
            if (next < 0)
                return m_nodes[n].point;
            n = next;
        }
    }

    int length(int root) const { return size(root); }

    void reverse(int root)
    {
        if (root >= 0)
            m_nodes[root].reversed = !m_nodes[root].reversed;
    }

    // Position of node x within its sequence.
    int indexOf(int x)
    {
        m_path.clear();
        for (int n = x; n >= 0; n = m_nodes[n].parent)
            m_path.push_back(n);
        for (auto it = m_path.rbegin(); it != m_path.rend(); ++it)
            push(*it);
        int index = size(m_nodes[x].left);
        for (int n = x; m_nodes[n].parent >= 0; n = m_nodes[n].parent) {
            const int parent = m_nodes[n].parent;
            if (m_nodes[parent].right == n)
                index += size(m_nodes[parent].left) + 1;
        }
        return index;
    }

    int merge(int a, int b)
    {
        int root = mergeRec(a, b);
        if (root >= 0)
            m_nodes[root].parent = -1;
        return root;
    }

    // The first k elements of t go to `left`, the rest to `right`.
    void split(int t, int k, int &left, int &right)
    {
        splitRec(t, k, left, right);
        if (left >= 0)
            m_nodes[left].parent = -1;
        if (right >= 0)
            m_nodes[right].parent = -1;
    }

    void collect(int root, std::vector<Point *> &out)
    {
        std::vector<int> stack;
        int n = root;
        while (n >= 0 || !stack.empty()) {
            while (n >= 0) {
                push(n);
                stack.push_back(n);
                n = m_nodes[n].left;
            }
            n = stack.back();
            stack.pop_back();
            out.push_back(m_nodes[n].point);
            n = m_nodes[n].right;
        }
    }

private:
    struct Node
    {
        int left = -1;
        int right = -1;
        int parent = -1;
        int size = 1;
        uint32_t priority = 0;
        bool reversed = false;
        Point *point = nullptr;
    };

    uint32_t nextPriority()
    {
        // xorshift32: deterministic, so the same drawing always gives the
        // same tree shape.
        m_seed ^= m_seed << 13;
        m_seed ^= m_seed >> 17;
        m_seed ^= m_seed << 5;
        return m_seed;
    }

    int size(int n) const { return n < 0 ? 0 : m_nodes[n].size; }

    void push(int n)
    {
        Node &node = m_nodes[n];
        if (!node.reversed)
            return;
        std::swap(node.left, node.right);
        if (node.left >= 0)
            m_nodes[node.left].reversed = !m_nodes[node.left].reversed;
        if (node.right >= 0)
            m_nodes[node.right].reversed = !m_nodes[node.right].reversed;
        node.reversed = false;
    }

    void pull(int n)
    {
        Node &node = m_nodes[n];
        node.size = 1 + size(node.left) + size(node.right);
        if (node.left >= 0)
            m_nodes[node.left].parent = n;
        if (node.right >= 0)
            m_nodes[node.right].parent = n;
    }

    void fixSizes(int root)
    {
        // Post-order without recursion: the freshly built tree may be deep
        // only with tiny probability, but a stack costs nothing.
        std::vector<std::pair<int, bool>> stack{{root, false}};
        while (!stack.empty()) {
            auto [n, done] = stack.back();
            stack.pop_back();
            if (done) {
                pull(n);
                continue;
            }
            stack.push_back({n, true});
            if (m_nodes[n].left >= 0)
                stack.push_back({m_nodes[n].left, false});
            if (m_nodes[n].right >= 0)
                stack.push_back({m_nodes[n].right, false});
        }
    }

    int mergeRec(int a, int b)
    {
        if (a < 0)
            return b;
        if (b < 0)
            return a;
        if (m_nodes[a].priority > m_nodes[b].priority) {
            push(a);
            m_nodes[a].right = mergeRec(m_nodes[a].right, b);
            pull(a);
            return a;
        }
        push(b);
        m_nodes[b].left = mergeRec(a, m_nodes[b].left);
        pull(b);
        return b;
    }

    void splitRec(int t, int k, int &left, int &right)
    {
        if (t < 0) {
            left = right = -1;
            return;
        }
        push(t);
        if (size(m_nodes[t].left) < k) {
            splitRec(m_nodes[t].right, k - size(m_nodes[t].left) - 1, m_nodes[t].right, right);
            left = t;
        } else {
            splitRec(m_nodes[t].left, k, left, m_nodes[t].left);
            right = t;
        }
        pull(t);
    }

    std::vector<Node> m_nodes;
    std::vector<int> m_path;
    uint32_t m_seed = 2463534242u;
};

// A shape and whatever has been spliced into it so far.
struct Group
{
    Object *object = nullptr; // the shape that holds the group's points
    int root = -1;            // treap of the group's points
    int merged = -1;          // >= 0: spliced into that group
    bool composite = false;   // something has been spliced into it
    bool reversed = false;    // single shapes: current order is the stored one reversed
    double area = 0;          // shoelace sum of the current order (composite groups)
};

double reversedAreaSum(const std::vector<Point *> &pts)
{
    std::vector<Point *> r(pts.rbegin(), pts.rend());
    return Object::signedAreaSum(r);
}

bool openForCutting(const Object *o, float precision)
{
    if (o->points.size() < 2)
        return true;
    const Point *f = o->points.front(), *l = o->points.back();
    return QVector2D(float(l->x - f->x), float(l->y - f->y)).length() >= precision;
}

} // namespace

void Drawing::duplicateOpenJoinedObjects()
{
    const float precision = float(Settings::formatOptions().closedPrecision);
    std::unordered_map<const Object *, bool> touched;
    for (const Object::Joint &j : m_joints) {
        if (j.a)
            touched[j.a->owner] = true;
        if (j.b)
            touched[j.b->owner] = true;
    }
    for (Object *o : m_objects) {
        if (!touched.count(o) || !openForCutting(o, precision))
            continue;
        const size_t n = o->points.size();
        o->points.reserve(2 * n);
        for (size_t i = n; i-- > 0;)
            o->appendPoint(o->points[i]->x, o->points[i]->y);
    }
}

void Drawing::buildCuttingPath()
{
    if (Settings::formatOptions().duplicateNonClosed)
        duplicateOpenJoinedObjects();

    // Shape numbers: 0 is the start object, then the objects in list order.
    const size_t shapeCount = m_objects.size() + 1;
    std::unordered_map<const Object *, int> number;
    number.reserve(shapeCount);
    number.emplace(&m_startObject, 0);
    size_t pointCount = m_startObject.points.size();
    for (size_t i = 0; i < m_objects.size(); ++i) {
        number.emplace(m_objects[i], int(i + 1));
        pointCount += m_objects[i]->points.size();
    }
    auto shapeOf = [this, &number](int n) { return n == 0 ? &m_startObject : m_objects[n - 1]; };

    SequenceForest forest(pointCount + 2 * m_joints.size());
    std::vector<Group> groups(shapeCount);
    // Nodes are numbered in build order, so a point's node is its shape's
    // first node plus the point's index.
    std::vector<int> firstNode(shapeCount);
    int nextNode = 0;
    for (size_t n = 0; n < shapeCount; ++n) {
        Object *o = shapeOf(int(n));
        groups[n].object = o;
        firstNode[n] = nextNode;
        groups[n].root = forest.build(o->points);
        nextNode += o->size();
    }

    auto nodeOf = [&](const Point *p) -> int {
        if (!p)
            return -1;
        auto it = number.find(p->owner);
        if (it == number.end())
            return -1;
        const Object *o = shapeOf(it->second);
        if (p->index < 0 || p->index >= o->size() || o->points[p->index] != p)
            return -1;
        return firstNode[it->second] + p->index;
    };
    auto groupOf = [&](const Point *p) -> int {
        int g = number.at(p->owner);
        int root = g;
        while (groups[root].merged >= 0)
            root = groups[root].merged;
        while (groups[g].merged >= 0) {
            const int next = groups[g].merged;
            groups[g].merged = root;
            g = next;
        }
        return root;
    };
    auto currentArea = [&](const Group &g) {
        if (g.composite)
            return g.area;
        return g.reversed ? reversedAreaSum(g.object->points) : Object::signedAreaSum(g.object->points);
    };
    auto bringToStoredDirection = [&](Group &g) {
        if (g.root < 0)
            return;
        const double area = currentArea(g);
        const int computed = area > 0 ? Object::Clockwise : Object::CounterClockwise;
        if (computed == g.object->direction)
            return;
        forest.reverse(g.root);
        if (g.composite)
            g.area = -g.area;
        else
            g.reversed = !g.reversed;
    };

    auto splice = [&](Point *a, Point *b) {
        const int na = nodeOf(a), nb = nodeOf(b);
        if (na < 0 || nb < 0)
            return;
        const int x = groupOf(a), y = groupOf(b);
        if (x == y || groups[x].root < 0 || groups[y].root < 0)
            return;
        Group &gx = groups[x], &gy = groups[y];
        bringToStoredDirection(gy);
        bringToStoredDirection(gx);
        const double area = currentArea(gx) + currentArea(gy);

        int before, after, head, tail;
        forest.split(gx.root, forest.indexOf(na), before, after);
        forest.split(gy.root, forest.indexOf(nb), head, tail);
        const int aCopy = forest.add(new Point(a->x, a->y, gx.object, 0));
        const int bCopy = forest.add(new Point(b->x, b->y, gx.object, 0));
        int seq = forest.merge(before, aCopy);
        seq = forest.merge(seq, tail);
        seq = forest.merge(seq, head);
        seq = forest.merge(seq, bCopy);
        gx.root = forest.merge(seq, after);
        gx.composite = true;
        gx.area = area;
        gx.object->explicitDirection = false;
        gx.object->direction = Object::Clockwise;

        gy.root = -1;
        gy.merged = x;
        gy.object->explicitDirection = false;
        gy.object->direction = Object::Clockwise;
        gy.object->pen = 0;
    };

    auto samePlace = [](const Point *p, const Point *q) { return p->x == q->x && p->y == q->y; };
    // A loop that begins and ends on the start, joined there by a joint of
    // no length, already is the cutting path: a .tap this program wrote,
    // read back. Splicing it would add the start twice and two joint copies,
    // all on one spot, and every further run would add them again.
    std::vector<Point *> unusedStartPoints;
    auto takeAsStartPath = [&](Point *start, Point *b) {
        const int nb = nodeOf(b);
        if (nodeOf(start) < 0 || nb < 0 || !samePlace(start, b) || groupOf(start) != 0
            || groups[0].composite)
            return false;
        const int y = groupOf(b);
        Group &gy = groups[y];
        if (y == 0 || gy.root < 0)
            return false;
        bringToStoredDirection(gy);
        const int at = forest.indexOf(nb);
        if ((at != 0 && at != forest.length(gy.root) - 1)
            || !samePlace(forest.end(gy.root, false), forest.end(gy.root, true)))
            return false;
        forest.collect(groups[0].root, unusedStartPoints);
        groups[0].root = gy.root;
        groups[0].composite = true;
        groups[0].area = currentArea(gy);
        gy.root = -1;
        gy.merged = 0;
        gy.object->explicitDirection = false;
        gy.object->direction = Object::Clockwise;
        gy.object->pen = 0;
        return true;
    };

    // Only the last joint at the first start point counts, and it goes last.
    const Point *firstStart = m_startObject.points.empty() ? nullptr : m_startObject.points.front();
    const Object::Joint *startJoint = nullptr;
    bool touchesStart = false;
    for (const Object::Joint &j : m_joints) {
        if (!j.a || !j.b)
            continue;
        touchesStart = touchesStart || isStartPoint(j.a) || isStartPoint(j.b);
        if (j.a == firstStart || j.b == firstStart) {
            startJoint = &j;
            continue;
        }
        // A joint at the other start point (only a hand-made project has
        // one) fills the start's group early. Whatever is spliced on later
        // goes into that group, never the group into a shape: the path
        // would then begin somewhere in the drawing instead of at the start.
        if (nodeOf(j.a) >= 0 && nodeOf(j.b) >= 0 && groupOf(j.b) == 0 && groupOf(j.a) != 0)
            splice(j.b, j.a);
        else
            splice(j.a, j.b);
    }
    if (startJoint) {
        Point *start = startJoint->a == firstStart ? startJoint->a : startJoint->b;
        Point *other = start == startJoint->a ? startJoint->b : startJoint->a;
        if (!takeAsStartPath(start, other))
            splice(start, other);
    }

    // Write the sequences back into the shapes that hold them.
    std::vector<Point *> startSequence;
    for (size_t n = 0; n < shapeCount; ++n) {
        Group &g = groups[n];
        if (g.merged >= 0 || !g.composite) {
            if (g.merged >= 0)
                g.object->points.clear(); // its points now live in another group
            else if (g.reversed)
                g.object->reverse();
            continue;
        }
        std::vector<Point *> seq;
        forest.collect(g.root, seq);
        if (n == 0)
            startSequence = std::move(seq);
        else {
            g.object->points = std::move(seq);
            g.object->renumber();
        }
    }
    if (groups[0].merged < 0 && !groups[0].composite)
        startSequence = m_startObject.points;
    m_startObject.points.clear();
    if (!unusedStartPoints.empty()) {
        // The start joint of a loop taken as it stands points at a start
        // point that goes now; a joint must never outlive its points.
        const std::unordered_set<const Point *> gone(unusedStartPoints.begin(), unusedStartPoints.end());
        m_joints.erase(std::remove_if(m_joints.begin(), m_joints.end(),
                                      [&](const Object::Joint &j) { return gone.count(j.a) || gone.count(j.b); }),
                       m_joints.end());
        for (Point *p : unusedStartPoints)
            delete p;
    }

    removeEmptyObjects();

    if (touchesStart) {
        auto *path = new Object;
        path->points = std::move(startSequence);
        path->renumber();
        m_objects.insert(m_objects.begin(), path);
    } else {
        for (Point *p : startSequence)
            delete p;
    }
    initStartObject();
    removeEmptyObjects();

    for (Object *o : m_objects) {
        if (o->explicitDirection) {
            if (o->computeDirection() != o->direction)
                o->reverse();
        } else if (m_reversed) {
            o->reverse();
        }
    }
}
