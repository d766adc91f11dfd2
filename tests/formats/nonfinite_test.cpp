// Values that are not finite numbers, from any source, are damage: refused
// or replaced by the default, never carried into the drawing or its outputs.
#include "core/autojoin.h"
#include "formats/baseformat.h"
#include "formats/gcode.h"
#include "formats/settings.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace test;

namespace {

QByteArray bigEndian(double v)
{
    QByteArray b(8, '\0');
    qToBigEndian(v, b.data());
    return b;
}

QStringList messages;
void collect(QtMsgType, const QMessageLogContext &, const QString &text)
{
    messages << text;
}

bool logged(const QString &text)
{
    for (const QString &m : messages)
        if (m.contains(text))
            return true;
    return false;
}

} // namespace

// A project is written with marker values, one marker at a time is replaced
// by NaN or infinity in the file, and the file must be refused.
TEST(NonFinite, ProjectWithNonFiniteCoordinateIsRefusedAsDamaged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("marked.kfp"));
    Drawing d;
    addShape(d, {{111.25, 1}, {2, 3}});
    d.setBoundingRect(QRectF(444.125, 0, 1, 1));
    d.setStartPosition(QPointF(222.5, 0));
    d.setStartSpec(PositionSpec{333.75, 0, false, 7});
    d.setAnchorSpec(PositionSpec{0, 555.5, true, 3});
    ASSERT_TRUE(BaseFormat::save(path, d));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray clean = f.readAll();
    f.close();
    Drawing ok;
    ASSERT_TRUE(BaseFormat::load(path, ok));

    for (double marker : {111.25, 222.5, 333.75, 555.5, 444.125}) {
        for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
            SCOPED_TRACE(marker);
            QByteArray damaged = clean;
            const int at = damaged.indexOf(bigEndian(marker));
            ASSERT_GE(at, 0);
            damaged.replace(at, 8, bigEndian(bad));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(damaged);
            f.close();
            messages.clear();
            const QtMessageHandler previous = qInstallMessageHandler(collect);
            Drawing back;
            EXPECT_FALSE(BaseFormat::load(path, back));
            qInstallMessageHandler(previous);
            EXPECT_TRUE(logged(QStringLiteral("damaged: it contains a coordinate that is not a finite number")));
            EXPECT_TRUE(back.objects().empty());
        }
    }
}

TEST(NonFinite, SettingsValuesThatAreNotNumbersReadAsTheirDefaults)
{
    {
        auto s = Settings::open();
        s->setValue(QStringLiteral("MoveDrawing/X"), QStringLiteral("nan"));
        s->setValue(QStringLiteral("MoveDrawing/Y"), QStringLiteral("12.5"));
        s->setValue(QStringLiteral("StartPoint/Y"), QStringLiteral("inf"));
        s->setValue(QStringLiteral("StartPoint/X"), QStringLiteral("-inf"));
        s->setValue(QStringLiteral("Anchor/X"), QStringLiteral("3"));
        s->setValue(QStringLiteral("Drawing/ClosedPrecision"), QStringLiteral("nan"));
        s->setValue(QStringLiteral("Format/DXF/AutoWeldPrecision"), QStringLiteral("inf"));
    }
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    const PositionSpec move = Settings::readPosition(Settings::MoveDrawingGroup);
    const PositionSpec start = Settings::readPosition(Settings::StartPointGroup);
    // Read again, as the program does in several places: no second warning.
    Settings::readPosition(Settings::MoveDrawingGroup);
    Settings::readPosition(Settings::StartPointGroup);
    qInstallMessageHandler(previous);
    for (const char *key : {"MoveDrawing/X", "StartPoint/X", "StartPoint/Y"}) {
        EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                                [key](const QString &m) { return m.contains(QLatin1String(key)); }),
                  1)
            << key;
    }
    EXPECT_EQ(move.x, 0);
    EXPECT_EQ(move.y, 12.5);
    EXPECT_EQ(start.x, 0);
    EXPECT_EQ(start.y, 0);
    EXPECT_EQ(Settings::readPosition(Settings::AnchorGroup).x, 3);
    EXPECT_TRUE(logged(QStringLiteral("MoveDrawing/X is not a finite number")));
    const auto o = Settings::FormatOptions::fromStore();
    EXPECT_DOUBLE_EQ(o.closedPrecision, 0.005);
    EXPECT_DOUBLE_EQ(o.dxfAutoWeldPrecision, 0.1);

    // A drawing made now takes the default start spec, and linking still
    // joins the start to the shape.
    Drawing d;
    EXPECT_TRUE(std::isfinite(d.startSpec().x) && std::isfinite(d.startSpec().y));
    addShape(d, square(5, 5, 2));
    d.updateBoundingRect();
    d.transform(Drawing::ApplyStartSpec);
    autoJoin(d);
    ASSERT_EQ(d.joints().size(), 1u);
    EXPECT_TRUE(d.isStartPoint(d.joints()[0].a));
    Settings::open()->clear();
}

TEST(NonFinite, PlacementThatWouldOverflowIsIgnoredWithAWarning)
{
    const QByteArray tap = "X1e308 Y1\nX1.5e308 Y-2\n";
    struct Case
    {
        const char *what;
        Drawing::Transform kind;
        QPointF point;
        bool relative;
    };
    const Case cases[] = {
        {"relative move", Drawing::Move, {1e308, 0}, true},
        {"absolute move", Drawing::Move, {-1.7e308, 0}, false},
        {"start spec", Drawing::ApplyStartSpec, {}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Drawing d;
        ASSERT_TRUE(gcode::readData(tap.constData(), size_t(tap.size()), d));
        d.setStartSpec(PositionSpec{1.7e308, 0, true, 3}); // the right edge plus as much again
        const Pts before = pointsOf(*d.objects()[0]);
        const QPointF startBefore = d.startPosition();
        messages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        EXPECT_FALSE(d.transform(c.kind, c.point, c.relative));
        qInstallMessageHandler(previous);
        EXPECT_FALSE(messages.isEmpty());
        EXPECT_EQ(pointsOf(*d.objects()[0]), before);
        EXPECT_EQ(d.startPosition(), startBefore);
    }

    // A move that stays within range still applies.
    Drawing d;
    ASSERT_TRUE(gcode::readData(tap.constData(), size_t(tap.size()), d));
    EXPECT_TRUE(d.transform(Drawing::Move, QPointF(-1e308, 0), true));
    EXPECT_EQ(d.objects()[0]->points[0]->x, 0);
}
