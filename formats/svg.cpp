#include "formats/svg.h"

#include "core/drawing.h"
#include "formats/baseformat.h"
#include "formats/filedata.h"
#include "formats/pathconvert.h"
#include "formats/svgattributes.h"
#include "formats/svginput.h"
#include "formats/svgpathdata.h"
#include "formats/svgscan.h"
#include "formats/svgtransform.h"

#include <atomic>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QPainterPath>
#include <QXmlStreamReader>

#include <cmath>
#include <utility>
#include <vector>

namespace svg {

namespace {

// Millimetres per unit of the "unit" word of "MaxPageSize"; cutting software
// that writes the element counts points like pixels.
struct PageUnit
{
    const char *word;
    double mm;
};
const PageUnit pageUnits[] = {
    {"Millimeters", 1},           {"Inches", 25.4},
    {"Picas", 4.23333333333},     {"Centimeters", 10},
    {"Pixels", 0.2822222291209878}, {"Points", 0.2822222291209878},
};

// Containers whose content is only drawn where something refers to it
// (definitions, clip paths, masks, symbols, markers, patterns) or never
// (foreign content): a drawing program's helper shapes are not for cutting.
bool isHiddenContainer(const QStringRef &name)
{
    static const char *const names[] = {"defs",   "clipPath", "mask",         "symbol",
                                        "marker", "pattern",  "foreignObject"};
    for (const char *n : names) {
        if (name == QLatin1String(n))
            return true;
    }
    return false;
}

// Elements drawn on their own; whatever they contain (titles, animations)
// is not.
bool isLeaf(const QStringRef &name)
{
    static const char *const names[] = {"path", "polygon", "polyline", "circle", "ellipse",
                                        "line", "rect",    "text",     "image",  "use"};
    for (const char *n : names) {
        if (name == QLatin1String(n))
            return true;
    }
    return false;
}

// Children of "switch" that take no part in its choice.
bool isDescriptive(const QStringRef &name)
{
    return name == QLatin1String("title") || name == QLatin1String("desc") || name == QLatin1String("metadata");
}

bool finiteRect(double x, double y, double w, double h)
{
    return usable(x) && usable(y) && usable(w) && usable(h) && usable(x + w) && usable(y + h);
}

bool validScale(double s)
{
    return std::isfinite(s) && s > 0;
}

// The attributes as strings of their own, so that keeping them does not
// keep the XML reader's buffers alive.
QXmlStreamAttributes ownCopy(const QXmlStreamAttributes &a)
{
    QXmlStreamAttributes copy;
    copy.reserve(a.size());
    for (const QXmlStreamAttribute &attr : a)
        copy.append(attr.qualifiedName().toString(), attr.value().toString());
    return copy;
}

// The element a "use" refers to: "href" (current SVG) before "xlink:href",
// and only within the document ("#id").
QString useTarget(const QXmlStreamAttributes &a)
{
    QStringRef ref = a.value(QLatin1String("href"));
    if (ref.isEmpty())
        ref = a.value(QLatin1String("xlink:href"));
    ref = ref.trimmed();
    return ref.startsWith(QLatin1Char('#')) ? ref.mid(1).toString() : QString();
}

// The ids that "use" elements refer to, so that the reader keeps just
// those elements for drawing again. Most documents have no "use" at all,
// which a plain search of the bytes tells without parsing them twice.
QSet<QString> referencedIds(const char *data, size_t size, size_t inflateLimit)
{
    QSet<QString> ids;
    {
        Input raw(data, size, inflateLimit, true);
        QByteArray carry;
        bool mentioned = false;
        for (QByteArray piece = raw.next(); !piece.isEmpty() && !mentioned; piece = raw.next()) {
            const QByteArray text = carry + piece;
            for (int at = text.indexOf("use"); at >= 0 && !mentioned; at = text.indexOf("use", at + 1))
                mentioned = at > 0 && (text[at - 1] == '<' || text[at - 1] == ':');
            carry = text.right(3);
        }
        if (!mentioned)
            return ids;
    }
    TokenSource tokens(data, size, inflateLimit, true);
    for (;;) {
        const QXmlStreamReader::TokenType t = tokens.next();
        if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
            break;
        if (t == QXmlStreamReader::StartElement && tokens.xml().name() == QLatin1String("use")) {
            const QString id = useTarget(tokens.xml().attributes());
            if (!id.isEmpty())
                ids.insert(id);
        }
    }
    return ids;
}

// Drawing an element again through "use" costs one unit, and one more for
// every 64 characters of its path data or points; past this budget (cycles
// are cut, but nesting multiplies) the file is refused. Two million copies
// of small shapes take seconds to read.
std::atomic<long long> g_useBudget{svg::DefaultUseBudget};
// "use" inside what a "use" draws, nested deeper than this, is refused.
constexpr int MaxUseNesting = 64;

// Start or end of an element kept for drawing again.
struct Event
{
    QString name; // empty for an end
    QXmlStreamAttributes attributes;
};

// What an open element passes on to its content: the transformation to
// the document's user units, the viewport for percentages, whether the
// content is visible, and for "switch" whether a child has been chosen.
struct Frame
{
    QTransform ctm;
    double viewportWidth = 0, viewportHeight = 0;
    bool visible = true;
    enum Switch : char { NoSwitch, Choosing, Chosen } choice = NoSwitch;
    int count = 1; // elements sharing this frame, so that deep nesting costs a counter
};

class Reader
{
public:
    Reader(Drawing &drawing, const char *data, size_t size, size_t limit)
        : m_drawing(drawing), m_tokens(data, size, limit)
    {
        m_firstObject = int(drawing.objects().size());
        m_targets = referencedIds(data, size, limit);
        m_frames.push_back(Frame{});
    }

    bool run()
    {
        if (parse() && finish())
            return true;
        // Half a document is not the drawing the user asked for: leave nothing.
        for (int i = int(m_drawing.objects().size()) - 1; i >= m_firstObject; --i)
            m_drawing.removeObjectAt(i);
        return false;
    }

private:
    struct Deferred
    {
        Frame frame;
        QXmlStreamAttributes use;
    };

    bool parse();
    void record(const QStringRef &name, const QXmlStreamAttributes &a);
    void recordEnd();
    void startElement(const QStringRef &name, const QXmlStreamAttributes &a,
                      const QXmlStreamAttributes *use = nullptr);
    void endElement();
    void root(const QXmlStreamAttributes &a);
    void viewport(const QStringRef &name, const QXmlStreamAttributes &a, const QXmlStreamAttributes *use,
                  bool visible);
    void useElement(const QXmlStreamAttributes &a, bool visible);
    void expand(const QString &id, const QXmlStreamAttributes &use);
    long long cost(const QString &id, int depth);
    void maxPageStart(const QStringRef &name);
    void maxPageEnd(const QStringRef &name);
    void maxPageSize();
    void shape(const QStringRef &name, const QXmlStreamAttributes &a);
    void add(const QPainterPath &path, const QXmlStreamAttributes &a);
    bool finish();

    void push(const QTransform &own, bool visible, Frame::Switch choice = Frame::NoSwitch)
    {
        Frame &top = m_frames.back();
        if (own.isIdentity() && visible == top.visible && choice == Frame::NoSwitch
            && top.choice == Frame::NoSwitch) {
            ++top.count;
            return;
        }
        Frame f = top;
        f.ctm = own * top.ctm;
        f.visible = visible;
        f.choice = choice;
        f.count = 1;
        m_frames.push_back(f);
    }
    void pop()
    {
        if (m_frames.size() > 1 && --m_frames.back().count == 0)
            m_frames.pop_back();
    }
    void fail(const char *message)
    {
        if (!m_failed)
            qWarning("SVG: %s; the file is not loaded", message);
        m_failed = true;
    }

    Drawing &m_drawing;
    TokenSource m_tokens;
    int m_firstObject = 0;
    bool m_sawRoot = false;
    bool m_failed = false;
    int m_hiddenDepth = 0; // > 0 inside an element whose content is not drawn
    std::vector<Frame> m_frames;

    // Elements that "use" refers to, kept as events; each id's range, with
    // end -1 while the element is still open.
    QSet<QString> m_targets;
    std::vector<Event> m_events;
    QHash<QString, std::pair<int, int>> m_records;
    std::vector<QString> m_recording; // ids (or empty) of the open recorded elements
    std::vector<Deferred> m_deferred; // "use" of elements further on
    QStringList m_expanding;          // ids being drawn through "use", innermost last
    const long long m_useBudget = g_useBudget.load();
    long long m_budget = m_useBudget;
    QHash<QString, long long> m_costs; // what drawing each id again costs, once known
    QSet<QString> m_costing;            // ids whose cost is being added up
    bool m_costIncomplete = false;      // a reference was cut or to an element not read yet
    bool m_saidCycle = false;
    bool m_atEnd = false;

    // User units to millimetres: without a view box the user unit is a pixel.
    double m_scaleX = 1 / PixelsPerMm, m_scaleY = 1 / PixelsPerMm;
    double m_originX = 0, m_originY = 0;
    double m_offsetX = 0, m_offsetY = 0; // millimetres, from the aspect-ratio alignment
    double m_viewWidth = 0, m_viewHeight = 0;

    bool m_inMaxPage = false;
    QString m_pageChild, m_pageText;
    double m_pageW = 0, m_pageH = 0, m_pageUnit = 1;
};

bool Reader::parse()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = m_tokens.next();
        if (m_failed || token == QXmlStreamReader::Invalid)
            return false;
        QXmlStreamReader &xml = m_tokens.xml();
        switch (token) {
        case QXmlStreamReader::EndDocument:
            // Uses of elements that came after them, now that all are known.
            m_atEnd = true;
            for (const Deferred &d : m_deferred) {
                m_frames.push_back(d.frame);
                expand(useTarget(d.use), d.use);
                m_frames.pop_back();
            }
            return !m_failed;
        case QXmlStreamReader::StartElement: {
            const QStringRef name = xml.name();
            const QXmlStreamAttributes a = xml.attributes();
            record(name, a);
            startElement(name, a);
            break;
        }
        case QXmlStreamReader::EndElement:
            recordEnd();
            if (m_inMaxPage)
                maxPageEnd(xml.name());
            else
                endElement();
            break;
        case QXmlStreamReader::Characters:
            // The filter keeps text runs short, and this one only grows
            // inside the few children of a page size.
            if (m_inMaxPage && !m_pageChild.isEmpty() && m_pageText.size() < 4096)
                m_pageText += xml.text();
            break;
        default:
            break;
        }
    }
}

void Reader::record(const QStringRef &name, const QXmlStreamAttributes &a)
{
    QString id;
    if (!m_targets.isEmpty()) {
        const QStringRef ref = a.value(QLatin1String("id"));
        if (!ref.isEmpty() && m_targets.contains(ref.toString()) && !m_records.contains(ref.toString()))
            id = ref.toString();
    }
    if (m_recording.empty() && id.isEmpty())
        return;
    if (!id.isEmpty())
        m_records.insert(id, {int(m_events.size()), -1});
    m_events.push_back(Event{name.isEmpty() ? QStringLiteral("?") : name.toString(), ownCopy(a)});
    m_recording.push_back(id);
}

void Reader::recordEnd()
{
    if (m_recording.empty())
        return;
    m_events.push_back(Event{});
    const QString id = m_recording.back();
    m_recording.pop_back();
    if (!id.isEmpty())
        m_records[id].second = int(m_events.size());
}

// `use` is set for the element a "use" draws, which the "use" sizes when it
// is a symbol or a nested document.
void Reader::startElement(const QStringRef &name, const QXmlStreamAttributes &a, const QXmlStreamAttributes *use)
{
    if (m_hiddenDepth > 0) {
        ++m_hiddenDepth;
        return;
    }
    if (m_inMaxPage) {
        maxPageStart(name);
        return;
    }
    Frame &parent = m_frames.back();
    bool drawn = !displayNone(a) && conditionsPass(a);
    if (parent.choice != Frame::NoSwitch && !isDescriptive(name)) {
        // A "switch" draws its first child that passes the conditions.
        drawn = drawn && parent.choice == Frame::Choosing;
        if (drawn)
            parent.choice = Frame::Chosen;
    }
    const bool referencedSymbol = use && name == QLatin1String("symbol");
    if (!drawn || (isHiddenContainer(name) && !referencedSymbol)) {
        m_hiddenDepth = 1;
        return;
    }
    const bool shown = visible(a, parent.visible);
    if (name == QLatin1String("svg") && !m_sawRoot) {
        m_sawRoot = true;
        root(a);
        push(QTransform(), shown);
    } else if (name == QLatin1String("svg") || referencedSymbol) {
        viewport(name, a, use, shown);
    } else if (name == QLatin1String("g") || name == QLatin1String("a")) {
        push(parseTransform(a.value(QLatin1String("transform"))), shown);
    } else if (name == QLatin1String("switch")) {
        push(parseTransform(a.value(QLatin1String("transform"))), shown, Frame::Choosing);
    } else if (name == QLatin1String("MaxPageSize") && m_expanding.isEmpty()) {
        // Read from the document only: a copy has no page of its own.
        m_inMaxPage = true;
        m_pageChild.clear();
    } else if (isLeaf(name)) {
        if (name == QLatin1String("use"))
            useElement(a, shown);
        else if (shown)
            shape(name, a);
        m_hiddenDepth = 1; // its content is not drawn
    } else {
        push(QTransform(), shown); // unknown elements pass their content on
    }
}

void Reader::endElement()
{
    if (m_hiddenDepth > 0)
        --m_hiddenDepth;
    else
        pop();
}

void Reader::root(const QXmlStreamAttributes &a)
{
    const std::optional<ViewBox> box = parseViewBox(a.value(QLatin1String("viewBox")));
    Frame &f = m_frames.back();
    f.viewportWidth = lengthInPixels(a.value(QLatin1String("width")));
    f.viewportHeight = lengthInPixels(a.value(QLatin1String("height")));
    if (!box)
        return;
    // The size the view box is shown at; a percentage or no size at all
    // means the view box's own size in pixels.
    const std::optional<double> w = lengthInMm(a.value(QLatin1String("width")), false);
    const std::optional<double> h = lengthInMm(a.value(QLatin1String("height")), false);
    const double mmW = w && validScale(*w) ? *w : box->width / PixelsPerMm;
    const double mmH = h && validScale(*h) ? *h : box->height / PixelsPerMm;
    const std::optional<QTransform> m
        = viewBoxTransform(*box, mmW, mmH, a.value(QLatin1String("preserveAspectRatio")));
    if (!m)
        return; // an unusable view box is ignored
    m_originX = box->x;
    m_originY = box->y;
    m_scaleX = m->m11();
    m_scaleY = m->m22();
    // The transformation is scale, then translation: what it adds beyond
    // moving the view box's origin to 0 is the alignment.
    m_offsetX = m->dx() + box->x * m_scaleX;
    m_offsetY = m->dy() + box->y * m_scaleY;
    m_viewWidth = box->width;
    m_viewHeight = box->height;
    f.viewportWidth = box->width;
    f.viewportHeight = box->height;
}

// A nested "svg", or a "symbol" drawn by a "use": a new viewport at x, y
// whose view box is fitted into its width and height (100 % by default;
// a "use" may give them).
void Reader::viewport(const QStringRef &name, const QXmlStreamAttributes &a, const QXmlStreamAttributes *use,
                      bool visible)
{
    const double parentWidth = m_frames.back().viewportWidth, parentHeight = m_frames.back().viewportHeight;
    const auto size = [&](const char *attr, double reference) -> std::optional<double> {
        const QLatin1String key(attr);
        if (use && use->hasAttribute(key))
            return viewportLength(use->value(key), reference);
        if (a.hasAttribute(key))
            return viewportLength(a.value(key), reference);
        return reference;
    };
    const std::optional<double> w = size("width", parentWidth);
    const std::optional<double> h = size("height", parentHeight);
    if ((w && *w <= 0) || (h && *h <= 0)) {
        m_hiddenDepth = 1; // a viewport of no size shows nothing
        return;
    }
    QTransform own;
    const std::optional<ViewBox> box = parseViewBox(a.value(QLatin1String("viewBox")));
    if (box && w && h) {
        if (const std::optional<QTransform> m
            = viewBoxTransform(*box, *w, *h, a.value(QLatin1String("preserveAspectRatio"))))
            own = *m;
    }
    // The "use" has placed a symbol already; a nested document places itself.
    if (name == QLatin1String("svg")) {
        own *= QTransform::fromTranslate(lengthInPixels(a.value(QLatin1String("x"))),
                                         lengthInPixels(a.value(QLatin1String("y"))));
        own *= parseTransform(a.value(QLatin1String("transform")));
    }
    Frame f = m_frames.back();
    f.ctm = own * f.ctm;
    f.visible = visible;
    f.choice = Frame::NoSwitch;
    f.count = 1;
    f.viewportWidth = box ? box->width : w.value_or(parentWidth);
    f.viewportHeight = box ? box->height : h.value_or(parentHeight);
    m_frames.push_back(f);
}

void Reader::useElement(const QXmlStreamAttributes &a, bool visible)
{
    const QString id = useTarget(a);
    if (id.isEmpty())
        return;
    QTransform own = QTransform::fromTranslate(lengthInPixels(a.value(QLatin1String("x"))),
                                               lengthInPixels(a.value(QLatin1String("y"))))
        * parseTransform(a.value(QLatin1String("transform")));
    push(own, visible);
    const auto found = m_records.constFind(id);
    if (found == m_records.constEnd() && !m_atEnd) {
        // Not seen yet: drawn at the end, where it is drawn now.
        Frame f = m_frames.back();
        f.count = 1;
        m_deferred.push_back(Deferred{f, ownCopy(a)});
    } else {
        expand(id, a);
    }
    pop();
}

// Draws the element with that id again inside the current frame.
void Reader::expand(const QString &id, const QXmlStreamAttributes &use)
{
    const auto found = m_records.constFind(id);
    if (found == m_records.constEnd())
        return; // refers to nothing drawable
    const auto [begin, end] = found.value();
    if (end < 0 || m_expanding.contains(id)) {
        // Refers to itself, directly or through others: everything is drawn
        // up to where the chain comes back round, as viewers do.
        if (!m_saidCycle)
            qWarning("SVG: a \"use\" refers to an element that contains it; that copy is left out");
        m_saidCycle = true;
        return;
    }
    if (m_expanding.size() >= MaxUseNesting) {
        fail("\"use\" elements refer to each other too deeply");
        return;
    }
    if (m_expanding.isEmpty()) {
        // Nesting multiplies: refuse before drawing millions of copies.
        m_costIncomplete = false;
        if (cost(id, 0) > m_budget) {
            fail("\"use\" elements draw too many copies (nested or repeated references)");
            return;
        }
    }
    m_expanding.append(id);
    const int hiddenBefore = m_hiddenDepth;
    for (int i = begin; i < end && !m_failed; ++i) {
        const Event &e = m_events[size_t(i)];
        if (e.name.isEmpty()) {
            endElement();
            continue;
        }
        m_budget -= 1 + (e.attributes.value(QLatin1String("d")).size()
                         + e.attributes.value(QLatin1String("points")).size()) / 64;
        if (m_budget < 0) {
            fail("\"use\" elements draw too many copies (nested or repeated references)");
            break;
        }
        startElement(QStringRef(&e.name), e.attributes, i == begin ? &use : nullptr);
    }
    m_hiddenDepth = hiddenBefore;
    m_expanding.removeLast();
}

// The units drawing the element again costs, its nested copies included,
// counted once per id; a little over the budget at most. Copies that cycles
// or unread elements would leave out count nothing, so this is a lower
// bound, and drawing keeps its own count.
long long Reader::cost(const QString &id, int depth)
{
    const auto known = m_costs.constFind(id);
    if (known != m_costs.constEnd())
        return known.value();
    const auto found = m_records.constFind(id);
    if (found == m_records.constEnd() || found.value().second < 0) {
        m_costIncomplete = true;
        return 0;
    }
    if (m_costing.contains(id) || depth > MaxUseNesting) {
        m_costIncomplete = true; // depends on where the chain was entered
        return 0;
    }
    m_costing.insert(id);
    const bool incompleteBefore = m_costIncomplete;
    m_costIncomplete = false;
    long long total = 0;
    for (int i = found.value().first; i < found.value().second && total <= m_useBudget; ++i) {
        const Event &e = m_events[size_t(i)];
        if (e.name.isEmpty())
            continue;
        total += 1 + (e.attributes.value(QLatin1String("d")).size()
                      + e.attributes.value(QLatin1String("points")).size()) / 64;
        if (e.name == QLatin1String("use"))
            total += cost(useTarget(e.attributes), depth + 1);
    }
    total = std::min(total, m_useBudget + 1);
    m_costing.remove(id);
    if (!m_costIncomplete)
        m_costs.insert(id, total);
    m_costIncomplete = m_costIncomplete || incompleteBefore;
    return total;
}

void Reader::maxPageStart(const QStringRef &name)
{
    m_pageChild = name.toString();
    m_pageText.clear();
}

void Reader::maxPageEnd(const QStringRef &name)
{
    if (name == QLatin1String("MaxPageSize")) {
        m_inMaxPage = false;
        maxPageSize();
    } else if (m_pageChild == QLatin1String("w")) {
        m_pageW = numberOr0(QStringRef(&m_pageText));
    } else if (m_pageChild == QLatin1String("h")) {
        m_pageH = numberOr0(QStringRef(&m_pageText));
    } else if (m_pageChild == QLatin1String("unit")) {
        const QString word = m_pageText.trimmed();
        for (const PageUnit &u : pageUnits) {
            if (word == QLatin1String(u.word))
                m_pageUnit = u.mm;
        }
    }
    m_pageChild.clear();
}

void Reader::maxPageSize()
{
    if (!(m_viewWidth > 0 && m_viewHeight > 0 && m_pageW > 0 && m_pageH > 0))
        return;
    const double sx = m_pageUnit * m_pageW / m_viewWidth;
    const double sy = m_pageUnit * m_pageH / m_viewHeight;
    if (validScale(sx) && validScale(sy)) {
        // The cutting software's page replaces the document's size.
        m_scaleX = sx;
        m_scaleY = sy;
        m_offsetX = m_offsetY = 0;
    }
}

void Reader::shape(const QStringRef &name, const QXmlStreamAttributes &a)
{
    // A percentage is of the viewport: its width across, its height up and
    // down, and for a radius its diagonal over the square root of two (a
    // background "rect" of "100%" fills the page). Where no viewport size is
    // known the percentage stays a number of pixels.
    const Frame &f = m_frames.back();
    const auto num = [&a, &f](const char *attr) {
        const QStringRef text = a.value(QLatin1String(attr));
        const QLatin1String key(attr);
        const bool across = key == QLatin1String("width") || key.front() == 'x' || key == QLatin1String("cx")
                            || key == QLatin1String("rx");
        const bool upDown = key == QLatin1String("height") || key.front() == 'y' || key == QLatin1String("cy")
                            || key == QLatin1String("ry");
        const double reference = across ? f.viewportWidth
                                 : upDown ? f.viewportHeight
                                          : std::hypot(f.viewportWidth, f.viewportHeight) / std::sqrt(2.0);
        if (!text.trimmed().endsWith(QLatin1Char('%')) || !(reference > 0) || !std::isfinite(reference))
            return lengthInPixels(text);
        return viewportLength(text, reference).value_or(0.0);
    };
    QPainterPath path;
    if (name == QLatin1String("path")) {
        appendPathData(a.value(QLatin1String("d")), path);
    } else if (name == QLatin1String("polygon") || name == QLatin1String("polyline")) {
        Scanner s(a.value(QLatin1String("points")));
        double x = 0, firstX = 0, firstY = 0, v = 0;
        int count = 0;
        for (s.skipSpaces(); s.number(v) && usable(v); s.skipSeparator(), ++count) {
            if (count % 2 == 0) {
                x = v;
            } else if (count == 1) {
                path.moveTo(x, v);
                firstX = x;
                firstY = v;
            } else {
                path.lineTo(x, v);
            }
        }
        if (name == QLatin1String("polygon") && count >= 2)
            path.lineTo(firstX, firstY);
    } else if (name == QLatin1String("circle")) {
        const double cx = num("cx"), cy = num("cy"), r = num("r");
        if (r > 0 && finiteRect(cx - r, cy - r, 2 * r, 2 * r))
            path.addEllipse(QPointF(cx, cy), r, r);
    } else if (name == QLatin1String("ellipse")) {
        const double cx = num("cx"), cy = num("cy"), rx = num("rx"), ry = num("ry");
        if (rx > 0 && ry > 0 && finiteRect(cx - rx, cy - ry, 2 * rx, 2 * ry))
            path.addEllipse(QPointF(cx, cy), rx, ry);
    } else if (name == QLatin1String("line")) {
        const double x1 = num("x1"), y1 = num("y1"), x2 = num("x2"), y2 = num("y2");
        if (!usable(x1) || !usable(y1) || !usable(x2) || !usable(y2))
            return;
        path.moveTo(x1, y1);
        path.lineTo(x2, y2);
    } else if (name == QLatin1String("rect")) {
        const double x = num("x"), y = num("y"), w = num("width"), h = num("height");
        if (!(w > 0 && h > 0) || !finiteRect(x, y, w, h))
            return;
        // A missing (or negative) radius takes the other one; both are held
        // to half the side they run along.
        double rx = a.hasAttribute(QLatin1String("rx")) ? num("rx") : -1;
        double ry = a.hasAttribute(QLatin1String("ry")) ? num("ry") : -1;
        if (rx < 0)
            rx = ry;
        if (ry < 0)
            ry = rx;
        rx = std::min(rx, w / 2);
        ry = std::min(ry, h / 2);
        if (rx > 0 && ry > 0)
            path.addRoundedRect(QRectF(x, y, w, h), rx, ry);
        else
            path.addRect(QRectF(x, y, w, h));
    } else {
        return; // text and everything else draw nothing here
    }
    add(path, a);
}

void Reader::add(const QPainterPath &path, const QXmlStreamAttributes &a)
{
    if (path.elementCount() == 0)
        return;
    QTransform m;
    if (a.hasAttribute(QLatin1String("transform")))
        m = parseTransform(a.value(QLatin1String("transform")));
    m = m * m_frames.back().ctm;
    appendPath(m.isIdentity() ? path : m.map(path), m_drawing);
    BaseFormat::reportProgress(m_tokens.progress());
}

bool Reader::finish()
{
    bool any = false;
    const std::vector<Object *> &objects = m_drawing.objects();
    for (size_t i = size_t(m_firstObject); i < objects.size(); ++i) {
        Object *o = objects[i];
        std::vector<Object::Point *> kept;
        kept.reserve(o->points.size());
        for (Object::Point *p : o->points) {
            p->x = (p->x - m_originX) * m_scaleX + m_offsetX;
            p->y = (p->y - m_originY) * m_scaleY + m_offsetY;
            // Whatever overflowed on the way (huge numbers, huge scales) is dropped.
            if (std::isfinite(p->x) && std::isfinite(p->y))
                kept.push_back(p);
            else
                delete p;
        }
        if (kept.size() != o->points.size()) {
            o->points = std::move(kept);
            o->renumber();
        }
        any = any || !o->isEmpty();
    }
    m_drawing.removeEmptyObjects();
    if (!any) {
        qWarning("SVG: the file holds no shape to cut");
        return false;
    }
    m_drawing.updateBoundingRect();
    // SVG's y axis points down, the drawing's up; a drawing that cannot be
    // turned over within finite numbers is not loaded upside down.
    return m_drawing.transform(Drawing::MirrorY);
}

} // namespace

void setUseBudget(long long units)
{
    g_useBudget.store(units);
}

bool readData(const char *data, size_t size, Drawing &drawing, size_t inflateLimit)
{
    return Reader(drawing, data, size, inflateLimit).run();
}

bool read(const QString &path, Drawing &drawing)
{
    return withFileData(path, [&drawing](const char *data, size_t size) { return readData(data, size, drawing); });
}

} // namespace svg
