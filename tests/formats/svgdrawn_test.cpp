#include "formats/svgfilter.h"
#include "svgsupport.h"
#include "testsupport.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace test;

// What viewers draw is what gets cut: hidden elements, clones through
// "use", and the transforms of every kind of container.

namespace {

struct Case
{
    QByteArray body;
    size_t objects;
    QRectF bounds; // checked when not empty; user units are millimetres
};

void check(const Case &c)
{
    SCOPED_TRACE(c.body.constData());
    Drawing d;
    EXPECT_EQ(readSvg(svgDocument(c.body), d), c.objects > 0);
    EXPECT_EQ(d.objects().size(), c.objects);
    if (c.bounds.isEmpty())
        return;
    const QRectF r = d.boundingRect();
    EXPECT_NEAR(r.left(), c.bounds.left(), 1e-6);
    EXPECT_NEAR(r.top(), c.bounds.top(), 1e-6);
    EXPECT_NEAR(r.right(), c.bounds.right(), 1e-6);
    EXPECT_NEAR(r.bottom(), c.bounds.bottom(), 1e-6);
}

const QByteArray box = "<rect x=\"10\" y=\"10\" width=\"5\" height=\"5\"/>";

} // namespace

TEST(SvgDrawn, HiddenElementsAreNotCut)
{
    const Case cases[] = {
        // A hidden Inkscape layer, and the other spellings of display: none.
        {"<g inkscape:groupmode=\"layer\" style=\"display:none\">" + box + "</g>" + box, 1, {}},
        {"<g style=\"fill:red; DISPLAY : none !important\">" + box + "</g>", 0, {}},
        {"<rect display=\"none\" width=\"5\" height=\"5\"/><path display=\"inline\" d=\"M0 0h1\"/>", 1, {}},
        {"<g display=\"none\"><g display=\"inline\">" + box + "</g></g>", 0, {}},
        // The style attribute wins over the presentation attribute.
        {"<g display=\"none\" style=\"display:inline\">" + box + "</g>", 1, {}},
        // Visibility is inherited, and a child may show itself again.
        {"<g visibility=\"hidden\">" + box + "<line visibility=\"visible\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\"/></g>",
         1, QRectF(0, 0, 1, 1)},
        {"<g style=\"visibility:collapse\"><g>" + box + "</g></g>", 0, {}},
        // Conditions: no extension is supported.
        {"<g requiredExtensions=\"http://example.org/ext\">" + box + "</g>", 0, {}},
        // A switch draws only its first child that passes.
        {"<switch><title>t</title><foreignObject requiredExtensions=\"x\"><rect width=\"50\" height=\"50\"/>"
         "</foreignObject><g systemLanguage=\"xx\"><rect width=\"60\" height=\"60\"/></g>" + box
         + "<rect width=\"70\" height=\"70\"/></switch>",
         1, QRectF(10, 10, 5, 5)},
    };
    for (const Case &c : cases)
        check(c);
}

TEST(SvgDrawn, UseDrawsCopiesWhereTheyAreShown)
{
    const QByteArray defs = "<defs><path id=\"p\" d=\"M0 0h2v1\"/>"
                            "<g id=\"two\"><path d=\"M0 0h1\"/><path d=\"M0 5h1\"/></g>"
                            "<symbol id=\"s\" viewBox=\"0 0 10 10\"><path d=\"M0 0L10 10\"/></symbol></defs>";
    const Case cases[] = {
        {defs + "<use href=\"#p\" x=\"20\" y=\"30\"/>", 1, QRectF(20, 30, 2, 1)},
        {defs + "<use xlink:href=\"#p\" transform=\"scale(2)\" x=\"1\"/>", 1, QRectF(2, 0, 4, 2)},
        // "href" wins over "xlink:href"; a reference outside the document draws nothing.
        {defs + "<use href=\"#p\" xlink:href=\"#two\"/><use href=\"other.svg#p\"/>", 1, QRectF(0, 0, 2, 1)},
        {defs + "<g transform=\"translate(5,0)\"><use href=\"#two\"/></g>", 2, QRectF(5, 0, 1, 5)},
        // A symbol's view box is fitted into the use's size (100 % when none).
        {defs + "<use href=\"#s\" x=\"50\" width=\"20\" height=\"20\"/>", 1, QRectF(50, 0, 20, 20)},
        {defs + "<use href=\"#s\" width=\"20\" height=\"40\"/>", 1, QRectF(0, 10, 20, 20)},
        {defs + "<use href=\"#s\"/>", 1, QRectF(0, 0, 100, 100)},
        // The original is drawn as well as its copy; copies of copies too.
        {"<path id=\"a\" d=\"M0 0h1\"/><use id=\"b\" href=\"#a\" y=\"1\"/><use href=\"#b\" y=\"2\"/>", 3,
         QRectF(0, 0, 1, 3)},
        // Forward references.
        {"<use href=\"#later\" x=\"10\"/><path id=\"later\" d=\"M0 0h1\"/>", 2, QRectF(0, 0, 11, 0)},
        // Hidden use, hidden target, missing target, use inside definitions.
        {defs + "<use href=\"#p\" style=\"display:none\"/><use href=\"#nothing\"/><defs><use href=\"#p\"/></defs>"
         "<path id=\"h\" display=\"none\" d=\"M0 0h1\"/><use href=\"#h\"/>", 0, {}},
        // A hidden use's visibility passes to its copy unless the copy says otherwise.
        {defs + "<use href=\"#p\" visibility=\"hidden\"/><g id=\"v\"><path visibility=\"visible\" d=\"M7 7h1\"/></g>"
         "<use href=\"#v\" visibility=\"hidden\" x=\"1\"/>", 2, QRectF(7, 7, 2, 0)},
    };
    for (const Case &c : cases)
        check(c);
}

TEST(SvgDrawn, UseCyclesAndBlowUpsAreCaught)
{
    const QByteArray line = "<path d=\"M0 0h1\"/>";
    // Cycles leave out the copy that would repeat; the rest is drawn.
    const Case cycles[] = {
        {"<g id=\"self\">" + line + "<use href=\"#self\" x=\"5\"/></g>", 1, QRectF(0, 0, 1, 0)},
        {"<g id=\"a\">" + line + "<use href=\"#b\" x=\"5\"/></g><g id=\"b\"><use href=\"#a\" y=\"5\"/></g>", 3, {}},
        {"<use id=\"u\" href=\"#u\"/>" + line, 1, {}},
    };
    for (const Case &c : cycles)
        check(c);

    // Ten levels of ten copies each would be ten thousand million paths.
    QByteArray nested = "<defs><path id=\"l0\" d=\"M0 0h1\"/>";
    for (int level = 1; level <= 10; ++level) {
        nested += "<g id=\"l" + QByteArray::number(level) + "\">";
        for (int i = 0; i < 10; ++i)
            nested += "<use href=\"#l" + QByteArray::number(level - 1) + "\" x=\"" + QByteArray::number(i) + "\"/>";
        nested += "</g>";
    }
    nested += "</defs><use href=\"#l10\"/>";
    Drawing d;
    EXPECT_FALSE(readSvg(svgDocument(nested), d));
    EXPECT_TRUE(d.objects().empty());

    // Chains of copies of copies are drawn to a sane depth; a longer one
    // is refused before it exhausts the stack.
    for (const int length : {64, 65, 2000}) {
        QByteArray chain = "<path id=\"c0\" d=\"M0 0h1\"/>";
        for (int i = 1; i <= length; ++i)
            chain += "<use id=\"c" + QByteArray::number(i) + "\" href=\"#c" + QByteArray::number(i - 1) + "\"/>";
        Drawing c;
        EXPECT_EQ(readSvg(svgDocument(chain), c), length <= 64) << length;
        EXPECT_EQ(c.objects().size(), length <= 64 ? size_t(length + 1) : 0u);
    }
}

TEST(SvgDrawn, EveryContainerCarriesItsTransform)
{
    const QByteArray line = "<line x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\"/>";
    const Case cases[] = {
        {"<a href=\"#x\" transform=\"translate(10,20)\">" + line + "</a>", 1, QRectF(10, 20, 1, 1)},
        {"<switch transform=\"scale(3)\">" + line + "</switch>", 1, QRectF(0, 0, 3, 3)},
        {"<svg x=\"10\" y=\"20\">" + line + "</svg>", 1, QRectF(10, 20, 1, 1)},
        // A nested document fits its view box into its size.
        {"<svg x=\"10\" y=\"20\" width=\"4\" height=\"4\" viewBox=\"0 0 2 2\">" + line + "</svg>", 1,
         QRectF(10, 20, 2, 2)},
        {"<svg width=\"50%\" height=\"20\" viewBox=\"0 0 1 1\" preserveAspectRatio=\"xMinYMin\">" + line + "</svg>", 1,
         QRectF(0, 0, 20, 20)},
        {"<svg width=\"50%\" height=\"20\" viewBox=\"0 0 1 1\" preserveAspectRatio=\"none\">" + line + "</svg>", 1,
         QRectF(0, 0, 50, 20)},
        {"<svg width=\"0\">" + line + "</svg>" + line, 1, QRectF(0, 0, 1, 1)},
        {"<g transform=\"translate(1,1)\"><svg transform=\"scale(2)\" x=\"1\">" + line + "</svg></g>", 1,
         QRectF(3, 1, 2, 2)},
    };
    for (const Case &c : cases)
        check(c);
}

namespace {

// The filter's output for the document fed in pieces of the given size.
QByteArray filtered(const QByteArray &doc, int pieceSize)
{
    svg::MarkupFilter f;
    QByteArray out;
    for (int at = 0; at < doc.size(); at += pieceSize)
        out += f.filter(doc.mid(at, pieceSize));
    return out;
}

bool wellFormed(const QByteArray &doc)
{
    QXmlStreamReader xml(doc);
    while (!xml.atEnd())
        xml.readNext();
    return !xml.hasError();
}

} // namespace

TEST(SvgDrawn, LongRunsOfUndrawnTextAreCutBeforeParsing)
{
    const QByteArray big(3 << 20, 'x');
    const QByteArray line = "<line x1=\"0\" y1=\"0\" x2=\"5\" y2=\"5\"/>";
    // Cut points that fall on an entity reference, a UTF-8 sequence and the
    // terminators' own characters.
    const QByteArray pad(4095, 'a');
    const QByteArray runs[] = {
        "<desc>" + big + "</desc>",
        "<desc>" + pad + "&amp;" + big + "&lt;</desc>",
        "<desc>" + pad + "\xc3\xa9\xe2\x82\xac" + big + "</desc>",
        "<!--" + pad + "-" + big + "-->",
        "<!--" + big + "--->",
        "<script><![CDATA[" + pad + "]" + big + "]]]]></script>",
        "<?vendor " + big + "??>",
        "<metadata><i:pgf xmlns:i=\"x\">" + big + "</i:pgf></metadata>",
    };
    for (const QByteArray &run : runs) {
        const QByteArray doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE svg [<!ENTITY ns \"x>'y\"><!-- ' ]> -->]>"
            + svgDocument(run + line);
        SCOPED_TRACE(run.left(40).constData());
        for (const int piece : {65536, 4093, 1}) {
            if (piece == 1 && run.size() > 100000)
                continue;
            const QByteArray out = filtered(doc, piece);
            EXPECT_LT(out.size(), 3 * 4096 + 400);
            EXPECT_TRUE(wellFormed(out)) << piece;
        }
        Drawing d;
        ASSERT_TRUE(readSvg(doc, d));
        EXPECT_EQ(d.objects().size(), 1u);
    }
    // Tags, attributes and the document type pass unchanged, however long.
    const QByteArray path = "<path d=\"M0 0" + QByteArray(100000, ' ') + "L1 1\" title='a>b'/>";
    const QByteArray doc = "<!DOCTYPE svg [<!ENTITY e \"" + QByteArray(10000, 'e') + "\">]>" + svgDocument(path);
    EXPECT_EQ(filtered(doc, 777), doc);
    // UTF-16 documents are left alone.
    const QByteArray utf16 = QByteArray("\xff\xfe", 2) + QByteArray(20000, '\0');
    EXPECT_EQ(filtered(utf16, 4096), utf16);
}
