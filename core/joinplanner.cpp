#include "core/joinplanner.h"

#include "core/drawing.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

JoinPlanner::JoinPlanner(const Drawing &drawing)
    : m_objectCount(drawing.objects().size())
    , m_groups(drawing.objects().size() + 1)
{
    std::vector<const Object *> shapes;
    shapes.reserve(m_objectCount + 1);
    shapes.push_back(&drawing.startObject());
    shapes.insert(shapes.end(), drawing.objects().begin(), drawing.objects().end());

    size_t total = 0;
    for (const Object *o : shapes)
        total += o->points.size();
    m_x.reserve(total);
    m_y.reserve(total);
    m_point.reserve(total);
    m_shapeOf.reserve(total);
    for (uint32_t s = 0; s < shapes.size(); ++s) {
        m_first.push_back(uint32_t(m_x.size()));
        m_count.push_back(uint32_t(shapes[s]->points.size()));
        for (Object::Point *p : shapes[s]->points) {
            m_x.push_back(p->x);
            m_y.push_back(p->y);
            m_point.push_back(p);
            m_shapeOf.push_back(s);
        }
    }
    readExistingJoints(drawing);
}

// The costly part of the set-up, done by the first step so that it runs in
// the worker when there is one.
void JoinPlanner::prepare()
{
    // The start is never a candidate: it is in the tree from the outset.
    std::vector<bool> candidate(m_x.size(), true);
    std::fill_n(candidate.begin(), std::min<size_t>(m_count.front(), m_x.size()), false);
    m_tree = std::make_unique<PointTree>(m_x, m_y, candidate);
    m_connected.assign(m_first.size(), false);
    m_groupInTree.assign(m_first.size(), false);
    connect(0);
    for (uint32_t s : m_joinedToStart) {
        if (!m_connected[s])
            connect(s);
    }
}

JoinPlanner::~JoinPlanner() = default;

// Connectivity through existing joints follows the drawing's own rule: both
// ends must belong to a shape of the drawing.
void JoinPlanner::readExistingJoints(const Drawing &drawing)
{
    std::unordered_map<const Object *, uint32_t> number;
    number.reserve(m_objectCount + 1);
    number.emplace(&drawing.startObject(), 0);
    for (size_t i = 0; i < m_objectCount; ++i)
        number.emplace(drawing.objects()[i], uint32_t(i + 1));
    auto numberOf = [&number](const Object::Point *p) -> std::optional<uint32_t> {
        if (!p)
            return std::nullopt;
        auto it = number.find(p->owner);
        if (it == number.end())
            return std::nullopt;
        return it->second;
    };
    for (const Object::Joint &j : drawing.joints()) {
        const auto a = numberOf(j.a), b = numberOf(j.b);
        if (!a || !b)
            continue;
        m_groups.unite(*b, *a);
        // The cutting path honours one joint at the start. When the user
        // has already drawn one, the shapes it reaches count as linked to
        // the start, and no second start joint is made: a second one would
        // replace the first and drop everything hanging from it.
        if ((*a == 0) != (*b == 0)) {
            m_startJoined = true;
            m_joinedToStart.push_back(*a == 0 ? *b : *a);
        }
    }
}

void JoinPlanner::connect(uint32_t shape)
{
    m_connected[shape] = true;
    ++m_connectedCount;
    m_groupInTree[m_groups.find(shape)] = true;
    const uint32_t first = m_first[shape], end = first + m_count[shape];
    for (uint32_t r = first; r < end; ++r)
        m_tree->remove(r);
    if (shape == 0 && m_startJoined)
        return;
    for (uint32_t r = first; r < end; ++r)
        enqueue(r);
}

void JoinPlanner::enqueue(uint32_t rank)
{
    const PointTree::Hit hit = m_tree->nearest(m_x[rank], m_y[rank]);
    if (hit.id != PointTree::None)
        m_queue.push({hit.distance2, rank, hit.id});
}

std::optional<JoinStep> JoinPlanner::next()
{
    if (!m_tree)
        prepare();
    if (m_connectedCount - 1 >= m_objectCount || m_tree->liveCount() == 0)
        return std::nullopt;
    while (!m_queue.empty()) {
        const Entry e = m_queue.top();
        m_queue.pop();
        if (m_shapeOf[e.p] == 0 && m_startJoined)
            continue;
        if (!m_tree->contains(e.q)) {
            enqueue(e.p);
            continue;
        }
        const uint32_t shape = m_shapeOf[e.q];
        JoinStep step;
        if (!m_groupInTree[m_groups.find(shape)]) {
            step.joint = Object::Joint{m_point[e.p], m_point[e.q]};
            if (m_shapeOf[e.p] == 0)
                m_startJoined = true;
        }
        m_queue.push(e); // stale from now on: refreshed when it comes up again
        connect(shape);
        step.fraction = std::clamp(double(m_connectedCount - 1) / double(m_objectCount), 0.0, 1.0);
        return step;
    }
    return std::nullopt;
}
