#include "formats/weld.h"

#include "core/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>
#include <vector>

// Settling one object per step and searching the nearest end for every
// settled end again at every step is quadratic. Instead every settled end
// keeps its nearest unsettled end in a priority queue, and the unsettled ends
// sit in one k-d tree from which settled ends are deleted. Settling only
// removes candidates, so a queued distance can only be too small, never too
// large: an entry whose candidate has gone is searched again when it comes to
// the top, and the first entry that is still valid at the top is the nearest
// pair of the whole step. Ties are decided by the end numbers (2 × list
// position, + 1 for the last end), which gives the documented order.

namespace {

using Point = Object::Point;
constexpr uint32_t None = std::numeric_limits<uint32_t>::max();

double squaredDistance(double ax, double ay, double bx, double by)
{
    const double dx = ax - bx, dy = ay - by;
    return dx * dx + dy * dy;
}

// Nearest-point search over the unsettled ends, with deletion. Each end is
// known by its number; of equally near ends the lowest number wins.
class EndTree
{
public:
    struct End
    {
        double x, y;
        uint32_t number;
    };

    EndTree(std::vector<End> ends, size_t numbers)
        : m_ends(std::move(ends)), m_dead(m_ends.size(), 0), m_leafOf(m_ends.size(), 0), m_slotOf(numbers, None)
    {
        m_alive = m_ends.size();
        if (!m_ends.empty())
            build(0, uint32_t(m_ends.size()), -1);
        for (size_t i = 0; i < m_ends.size(); ++i)
            m_slotOf[m_ends[i].number] = uint32_t(i);
    }

    size_t alive() const { return m_alive; }

    void remove(uint32_t number)
    {
        const uint32_t i = number < m_slotOf.size() ? m_slotOf[number] : None;
        if (i == None || m_dead[i])
            return;
        m_dead[i] = 1;
        --m_alive;
        for (int32_t n = m_leafOf[i]; n >= 0; n = m_nodes[size_t(n)].parent)
            --m_nodes[size_t(n)].alive;
    }

    bool contains(uint32_t number) const
    {
        const uint32_t i = number < m_slotOf.size() ? m_slotOf[number] : None;
        return i != None && !m_dead[i];
    }

    // The nearest living end to (x, y); false when none is at a finite distance.
    bool nearest(double x, double y, double &distance, uint32_t &number) const
    {
        distance = std::numeric_limits<double>::infinity();
        number = None;
        if (!m_nodes.empty())
            search(0, x, y, distance, number);
        return number != None;
    }

private:
    static constexpr uint32_t LeafSize = 8;

    struct Node
    {
        double minX, minY, maxX, maxY;
        uint32_t begin, end;
        int32_t left = -1, right = -1, parent;
        uint32_t alive;
    };

    int32_t build(uint32_t begin, uint32_t end, int32_t parent)
    {
        Node node{};
        node.minX = node.minY = std::numeric_limits<double>::infinity();
        node.maxX = node.maxY = -std::numeric_limits<double>::infinity();
        for (uint32_t i = begin; i < end; ++i) {
            node.minX = std::min(node.minX, m_ends[i].x);
            node.maxX = std::max(node.maxX, m_ends[i].x);
            node.minY = std::min(node.minY, m_ends[i].y);
            node.maxY = std::max(node.maxY, m_ends[i].y);
        }
        node.begin = begin;
        node.end = end;
        node.parent = parent;
        node.alive = end - begin;
        const auto index = int32_t(m_nodes.size());
        m_nodes.push_back(node);
        if (end - begin <= LeafSize) {
            for (uint32_t i = begin; i < end; ++i)
                m_leafOf[i] = index;
            return index;
        }
        const uint32_t mid = begin + (end - begin) / 2;
        const bool alongX = !(node.maxY - node.minY > node.maxX - node.minX);
        // NaN sorts last, so that the order stays strict and weak for any input.
        auto key = [alongX](const End &e) {
            const double v = alongX ? e.x : e.y;
            return std::isnan(v) ? std::numeric_limits<double>::infinity() : v;
        };
        std::nth_element(m_ends.begin() + begin, m_ends.begin() + mid, m_ends.begin() + end,
                         [&key](const End &a, const End &b) { return key(a) < key(b); });
        const int32_t left = build(begin, mid, index);
        const int32_t right = build(mid, end, index);
        m_nodes[size_t(index)].left = left;
        m_nodes[size_t(index)].right = right;
        return index;
    }

    double boxDistance(const Node &n, double x, double y) const
    {
        const double dx = x < n.minX ? n.minX - x : (x > n.maxX ? x - n.maxX : 0.0);
        const double dy = y < n.minY ? n.minY - y : (y > n.maxY ? y - n.maxY : 0.0);
        return dx * dx + dy * dy;
    }

    void search(int32_t index, double x, double y, double &best, uint32_t &number) const
    {
        const Node &n = m_nodes[size_t(index)];
        // An equally near box may still hold an end with a lower number.
        if (n.alive == 0 || boxDistance(n, x, y) > best)
            return;
        if (n.left < 0) {
            for (uint32_t i = n.begin; i < n.end; ++i) {
                if (m_dead[i])
                    continue;
                const double d = squaredDistance(x, y, m_ends[i].x, m_ends[i].y);
                if (d < best || (d == best && m_ends[i].number < number)) {
                    best = d;
                    number = m_ends[i].number;
                }
            }
            return;
        }
        const bool leftFirst = boxDistance(m_nodes[size_t(n.left)], x, y) <= boxDistance(m_nodes[size_t(n.right)], x, y);
        search(leftFirst ? n.left : n.right, x, y, best, number);
        search(leftFirst ? n.right : n.left, x, y, best, number);
    }

    std::vector<End> m_ends;
    std::vector<char> m_dead;
    std::vector<int32_t> m_leafOf;
    std::vector<uint32_t> m_slotOf;
    std::vector<Node> m_nodes;
    size_t m_alive = 0;
};

struct Candidate
{
    double distance;
    uint32_t settledEnd;   // number of the settled end
    uint32_t unsettledEnd; // number of its nearest unsettled end
    uint32_t version;      // of the settled end when this was found

    bool operator>(const Candidate &o) const
    {
        if (distance != o.distance)
            return distance > o.distance;
        if (settledEnd != o.settledEnd)
            return settledEnd > o.settledEnd;
        return unsettledEnd > o.unsettledEnd;
    }
};

// Points welded onto a settled object, kept apart until the end so that a
// weld costs the points it moves, not the length of the object.
struct Chain
{
    std::vector<Point *> front; // nearest to the old first point first
    std::vector<Point *> back;
};

class Welder
{
public:
    Welder(const std::vector<Object *> &objects, double precision)
        : m_objects(objects), m_precision(precision), m_tree(unsettledEnds(objects), 2 * objects.size()),
          m_endPoint(2 * objects.size(), nullptr), m_version(2 * objects.size(), 0), m_chains(objects.size())
    {
    }

    void run()
    {
        settle(0);
        while (m_tree.alive() > 0 && !m_queue.empty()) {
            const Candidate c = m_queue.top();
            m_queue.pop();
            if (c.version != m_version[c.settledEnd])
                continue; // that end has moved on; its new search is queued
            if (!m_tree.contains(c.unsettledEnd)) {
                enqueue(c.settledEnd);
                continue;
            }
            const uint32_t d = c.unsettledEnd / 2;
            m_tree.remove(2 * d);
            m_tree.remove(2 * d + 1);
            if (c.distance < m_precision) {
                weld(c.settledEnd, c.unsettledEnd);
            } else {
                enqueue(c.settledEnd);
                settle(d);
            }
        }
        finish();
    }

private:
    static std::vector<EndTree::End> unsettledEnds(const std::vector<Object *> &objects)
    {
        std::vector<EndTree::End> ends;
        ends.reserve(2 * objects.size());
        for (size_t i = 1; i < objects.size(); ++i) {
            const Object *o = objects[i];
            if (o->isEmpty())
                continue;
            ends.push_back({o->points.front()->x, o->points.front()->y, uint32_t(2 * i)});
            ends.push_back({o->points.back()->x, o->points.back()->y, uint32_t(2 * i + 1)});
        }
        return ends;
    }

    void settle(uint32_t index)
    {
        const Object *o = m_objects[index];
        if (o->isEmpty())
            return;
        m_endPoint[2 * index] = o->points.front();
        m_endPoint[2 * index + 1] = o->points.back();
        enqueue(2 * index);
        enqueue(2 * index + 1);
    }

    void enqueue(uint32_t settledEnd)
    {
        const Point *p = m_endPoint[settledEnd];
        double distance;
        uint32_t nearest;
        if (m_tree.nearest(p->x, p->y, distance, nearest))
            m_queue.push({distance, settledEnd, nearest, m_version[settledEnd]});
    }

    // D's points go onto the settled end Q, from F to D's other end G, which
    // then takes Q's place as that end of R.
    void weld(uint32_t settledEnd, uint32_t unsettledEnd)
    {
        Object *r = m_objects[settledEnd / 2];
        Object *d = m_objects[unsettledEnd / 2];
        std::vector<Point *> &to = settledEnd % 2 == 0 ? m_chains[settledEnd / 2].front : m_chains[settledEnd / 2].back;
        if (unsettledEnd % 2 == 0)
            to.insert(to.end(), d->points.begin(), d->points.end());
        else
            to.insert(to.end(), d->points.rbegin(), d->points.rend());
        m_endPoint[settledEnd] = to.back();
        ++m_version[settledEnd];
        r->explicitDirection = false;
        r->direction = Object::Clockwise;
        d->points.clear();
        d->pen = 0;
        d->explicitDirection = false;
        d->direction = Object::Clockwise;
        enqueue(settledEnd);
    }

    void finish()
    {
        for (size_t i = 0; i < m_objects.size(); ++i) {
            Chain &c = m_chains[i];
            if (c.front.empty() && c.back.empty())
                continue;
            Object *r = m_objects[i];
            std::vector<Point *> points;
            points.reserve(c.front.size() + r->points.size() + c.back.size());
            points.insert(points.end(), c.front.rbegin(), c.front.rend());
            points.insert(points.end(), r->points.begin(), r->points.end());
            points.insert(points.end(), c.back.begin(), c.back.end());
            r->points = std::move(points);
            r->renumber();
        }
    }

    const std::vector<Object *> &m_objects;
    const double m_precision;
    EndTree m_tree;
    std::vector<Point *> m_endPoint; // the current point of every settled end
    std::vector<uint32_t> m_version;
    std::vector<Chain> m_chains;
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> m_queue;
};

} // namespace

void autoWeld(Drawing &drawing, double precision)
{
    if (drawing.objects().empty())
        return;
    // End numbers are 32 bits wide; a drawing beyond that is left as it is.
    if (drawing.objects().size() >= size_t(None / 2))
        return;
    Welder(drawing.objects(), precision).run();
    drawing.removeEmptyObjects();
}
