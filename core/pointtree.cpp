#include "core/pointtree.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t LeafSize = 8;

// Below 2^500 (about 3e150) differences and their squares stay finite:
// 2·(2·2^500)² is far from the largest double.
constexpr int SafeExponent = 500;

double scaleFor(const std::vector<double> &xs, const std::vector<double> &ys, size_t n)
{
    double largest = 0;
    for (size_t i = 0; i < n; ++i) {
        if (std::isfinite(xs[i]) && std::isfinite(ys[i]))
            largest = std::max({largest, std::abs(xs[i]), std::abs(ys[i])});
    }
    if (largest < std::ldexp(1.0, SafeExponent))
        return 1;
    return std::ldexp(1.0, SafeExponent - 1 - std::ilogb(largest));
}

} // namespace

PointTree::PointTree(const std::vector<double> &xs, const std::vector<double> &ys,
                     const std::vector<bool> &use)
    : m_slotOf(xs.size(), None)
{
    const size_t n = std::min(xs.size(), ys.size());
    m_scale = scaleFor(xs, ys, n);
    m_slots.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if ((i < use.size() && !use[i]) || !std::isfinite(xs[i]) || !std::isfinite(ys[i]))
            continue;
        m_slots.push_back({xs[i] * m_scale, ys[i] * m_scale, uint32_t(i)});
    }
    if (m_slots.empty())
        return;
    m_nodes.reserve(2 * (m_slots.size() / LeafSize + 1));
    m_leafOf.assign(m_slots.size(), -1);
    build(0, uint32_t(m_slots.size()), -1);
    m_alive.assign(m_slots.size(), 1);
    for (uint32_t s = 0; s < m_slots.size(); ++s)
        m_slotOf[m_slots[s].id] = s;
}

int32_t PointTree::build(uint32_t begin, uint32_t end, int32_t parent)
{
    const int32_t self = int32_t(m_nodes.size());
    m_nodes.emplace_back();
    {
        Node &n = m_nodes.back();
        n.begin = begin;
        n.end = end;
        n.parent = parent;
        n.alive = end - begin;
        n.minX = n.minY = std::numeric_limits<double>::infinity();
        n.maxX = n.maxY = -std::numeric_limits<double>::infinity();
        for (uint32_t s = begin; s < end; ++s) {
            n.minX = std::min(n.minX, m_slots[s].x);
            n.maxX = std::max(n.maxX, m_slots[s].x);
            n.minY = std::min(n.minY, m_slots[s].y);
            n.maxY = std::max(n.maxY, m_slots[s].y);
            n.minId = std::min(n.minId, m_slots[s].id);
        }
    }
    if (end - begin <= LeafSize) {
        for (uint32_t s = begin; s < end; ++s)
            m_leafOf[s] = self;
        return self;
    }
    const Node &n = m_nodes[size_t(self)];
    const bool byX = n.maxX - n.minX >= n.maxY - n.minY;
    const uint32_t mid = begin + (end - begin) / 2;
    std::nth_element(m_slots.begin() + begin, m_slots.begin() + mid, m_slots.begin() + end,
                     [byX](const Slot &a, const Slot &b) { return byX ? a.x < b.x : a.y < b.y; });
    // m_nodes may reallocate while the children are built: index, never hold.
    const int32_t left = build(begin, mid, self);
    const int32_t right = build(mid, end, self);
    m_nodes[size_t(self)].left = left;
    m_nodes[size_t(self)].right = right;
    return self;
}

void PointTree::remove(uint32_t id)
{
    if (!contains(id))
        return;
    const uint32_t slot = m_slotOf[id];
    m_alive[slot] = 0;
    const int32_t leaf = m_leafOf[slot];
    for (int32_t n = leaf; n >= 0; n = m_nodes[size_t(n)].parent)
        --m_nodes[size_t(n)].alive;
    // The smallest live id changes only where it was this one.
    Node &l = m_nodes[size_t(leaf)];
    if (l.minId != id)
        return;
    l.minId = None;
    for (uint32_t s = l.begin; s < l.end; ++s)
        if (m_alive[s])
            l.minId = std::min(l.minId, m_slots[s].id);
    for (int32_t n = l.parent; n >= 0; n = m_nodes[size_t(n)].parent) {
        Node &node = m_nodes[size_t(n)];
        const uint32_t smallest =
            std::min(m_nodes[size_t(node.left)].minId, m_nodes[size_t(node.right)].minId);
        if (node.minId == smallest)
            break;
        node.minId = smallest;
    }
}

// A lower bound of the squared distance from (x, y) to any point in the box,
// computed with the same roundings as the point distance, so it never
// exceeds it.
double PointTree::boxDistance2(const Node &n, double x, double y) const
{
    const double dx = x < n.minX ? n.minX - x : (x > n.maxX ? x - n.maxX : 0.0);
    const double dy = y < n.minY ? n.minY - y : (y > n.maxY ? y - n.maxY : 0.0);
    return dx * dx + dy * dy;
}

PointTree::Hit PointTree::nearest(double x, double y) const
{
    Hit best;
    if (!m_nodes.empty() && m_nodes.front().alive && std::isfinite(x) && std::isfinite(y))
        search(0, x * m_scale, y * m_scale, best);
    return best;
}

void PointTree::search(int32_t index, double x, double y, Hit &best) const
{
    const Node &n = m_nodes[size_t(index)];
    if (n.left < 0) {
        for (uint32_t s = n.begin; s < n.end; ++s) {
            if (!m_alive[s])
                continue;
            const Slot &p = m_slots[s];
            const double dx = p.x - x, dy = p.y - y;
            const double d = dx * dx + dy * dy;
            if (best.id == None || d < best.distance2 || (d == best.distance2 && p.id < best.id)) {
                best.distance2 = d;
                best.id = p.id;
            }
        }
        return;
    }
    const Node &l = m_nodes[size_t(n.left)], &r = m_nodes[size_t(n.right)];
    // An empty box is never entered; a box exactly as far as the best may
    // still hold a smaller id: only a farther box is skipped. Infinite
    // distances (a query far beyond the points) compare like any other.
    const double dl = boxDistance2(l, x, y), dr = boxDistance2(r, x, y);
    const bool leftFirst = r.alive == 0 || (l.alive && dl <= dr);
    const int32_t first = leftFirst ? n.left : n.right, second = leftFirst ? n.right : n.left;
    const double dFirst = leftFirst ? dl : dr, dSecond = leftFirst ? dr : dl;
    const bool secondAlive = (leftFirst ? r : l).alive != 0;
    // A box as far as the best can only win by a smaller id: with many
    // coincident points, looking only where one is keeps a search short.
    auto worthIt = [&](const Node &box, double d) {
        return best.id == None || d < best.distance2 || (d == best.distance2 && box.minId < best.id);
    };
    if (worthIt(m_nodes[size_t(first)], dFirst))
        search(first, x, y, best);
    if (secondAlive && worthIt(m_nodes[size_t(second)], dSecond))
        search(second, x, y, best);
}
