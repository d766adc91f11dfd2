#pragma once

#include <cstddef>
#include <numeric>
#include <vector>

// Union by rank with path compression over numbers 0 … n-1. On equal rank the
// first argument's root goes under the second's, so every user of it (the
// drawing's connectivity answer and the linking) builds the same forest.
class DisjointSets
{
public:
    explicit DisjointSets(size_t n) : m_parent(n), m_rank(n, 0)
    {
        std::iota(m_parent.begin(), m_parent.end(), 0);
    }
    size_t size() const { return m_parent.size(); }
    size_t find(size_t x)
    {
        size_t root = x;
        while (m_parent[root] != root)
            root = m_parent[root];
        while (m_parent[x] != root) {
            const size_t next = m_parent[x];
            m_parent[x] = root;
            x = next;
        }
        return root;
    }
    void unite(size_t x, size_t y)
    {
        x = find(x);
        y = find(y);
        if (x == y)
            return;
        if (m_rank[x] < m_rank[y]) {
            m_parent[x] = y;
        } else if (m_rank[x] > m_rank[y]) {
            m_parent[y] = x;
        } else {
            m_parent[x] = y;
            ++m_rank[y];
        }
    }

private:
    std::vector<size_t> m_parent;
    std::vector<int> m_rank;
};
