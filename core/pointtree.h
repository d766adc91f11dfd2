#pragma once

#include <cstdint>
#include <limits>
#include <vector>

// A two-dimensional k-d tree over a fixed set of points that can only shrink.
// Every node counts its live points, so whole regions whose points have been
// removed cost nothing in later searches; linking removes one shape after the
// other and keeps searching among the rest.
//
// Points are named by their position in the input (their id). The nearest
// search is exact and deterministic: the smallest squared distance
// dx·dx + dy·dy (in double precision) wins, and among equal distances the
// smallest id. Squares of differences beyond about 1e154 overflow, so a
// tree over coordinates that large works on coordinates scaled down by a
// power of two (exact, the order of distances is kept); distances are then
// in those scaled units, comparable between searches of one tree.
class PointTree
{
public:
    static constexpr uint32_t None = std::numeric_limits<uint32_t>::max();

    struct Hit
    {
        double distance2 = std::numeric_limits<double>::infinity();
        uint32_t id = None;
    };

    // Points with a false `use` flag, or with a coordinate that is not
    // finite, are left out (they are never found). The scale follows every
    // finite point given, used or not, so that searches from the unused ones
    // cannot overflow either.
    PointTree(const std::vector<double> &xs, const std::vector<double> &ys,
              const std::vector<bool> &use);

    bool contains(uint32_t id) const { return id < m_slotOf.size() && m_slotOf[id] != None && m_alive[m_slotOf[id]]; }
    void remove(uint32_t id);
    uint32_t liveCount() const { return m_nodes.empty() ? 0 : m_nodes.front().alive; }

    // The nearest live point; id None only when none is left. A query far
    // beyond the tree's points may find an infinite distance (the smallest
    // id among those wins).
    Hit nearest(double x, double y) const;

private:
    struct Node
    {
        double minX, maxX, minY, maxY;
        uint32_t begin, end;  // slots
        int32_t left = -1;    // children; -1 for a leaf
        int32_t right = -1;
        int32_t parent = -1;
        uint32_t alive = 0;
        uint32_t minId = None; // smallest live id below; settles ties without a visit
    };
    struct Slot
    {
        double x, y;
        uint32_t id;
    };

    int32_t build(uint32_t begin, uint32_t end, int32_t parent);
    void search(int32_t node, double x, double y, Hit &best) const;
    double boxDistance2(const Node &n, double x, double y) const;

    std::vector<Node> m_nodes;
    std::vector<Slot> m_slots;
    std::vector<uint8_t> m_alive;   // per slot
    std::vector<int32_t> m_leafOf;  // per slot
    std::vector<uint32_t> m_slotOf; // per id
    double m_scale = 1;             // a power of two; slots hold scaled coordinates
};
