#include "formats/baseformat.h"
#include "formats/settings.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace test;

TEST(BaseFormat, DispatchesByEndingIgnoringCase)
{
    QTemporaryDir dir;
    const QString tap = dir.filePath(QStringLiteral("a.TaP"));
    {
        QFile f(tap);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("X1 Y2\n");
    }
    Drawing d;
    EXPECT_TRUE(BaseFormat::load(tap, d));
    EXPECT_EQ(d.objects().size(), 1u);

    Drawing untouched;
    EXPECT_FALSE(BaseFormat::load(dir.filePath(QStringLiteral("a.txt")), untouched));
    EXPECT_TRUE(untouched.objects().empty());
}

TEST(BaseFormat, SavingPutsTheDrawingIntoCuttingOrderExceptForProjects)
{
    QTemporaryDir dir;
    auto linked = [](Drawing &d) {
        Object *a = addShape(d, square(1, 1, 2));
        d.addJoint({d.startObject().points[0], a->points[0]});
    };
    Drawing d;
    linked(d);
    EXPECT_TRUE(BaseFormat::save(dir.filePath(QStringLiteral("out.tap")), d));
    EXPECT_EQ(d.objects().front()->size(), 2 + 5 + 2);

    Drawing unknown;
    linked(unknown);
    EXPECT_FALSE(BaseFormat::save(dir.filePath(QStringLiteral("out.svgz")), unknown));
    EXPECT_EQ(unknown.objects().front()->size(), 2 + 5 + 2); // already in cutting order

    Drawing project;
    linked(project);
    BaseFormat::save(dir.filePath(QStringLiteral("out.tap.kfp")), project);
    EXPECT_EQ(project.joints().size(), 1u);
    EXPECT_EQ(project.objects().front()->size(), 5);
}

namespace {
QStringList logged;
void keep(QtMsgType, const QMessageLogContext &, const QString &text)
{
    logged << text;
}
} // namespace

TEST(BaseFormat, AnUnknownEndingSaysWhyLoadAndSaveFail)
{
    QTemporaryDir dir;
    const QString note = dir.filePath(QStringLiteral("note.txt"));
    {
        QFile f(note);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("X1 Y2\n");
    }
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keep);
    Drawing d;
    const bool loaded = BaseFormat::load(note, d);
    addShape(d, square(1, 1, 2));
    const bool saved = BaseFormat::save(dir.filePath(QStringLiteral("out.svgz")), d);
    qInstallMessageHandler(previous);
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(saved);
    ASSERT_EQ(logged.size(), 2);
    EXPECT_TRUE(logged[0].contains(note) && logged[0].contains(QStringLiteral("no drawing format")));
    EXPECT_TRUE(logged[1].contains(QStringLiteral("out.svgz")) && logged[1].contains(QStringLiteral(".tap")));
}

TEST(BaseFormat, FiltersListEveryFormat)
{
    const QStringList open = BaseFormat::openFilter().split(QStringLiteral(";;"));
    ASSERT_EQ(open.size(), 6);
    EXPECT_EQ(open.first(), QStringLiteral("All supported files (*.plt *.dxf *.tap *.svg *.svgz *.kfp)"));
    EXPECT_EQ(open.last(), QStringLiteral("Kerfloom project (*.kfp)"));
    const QStringList save = BaseFormat::saveFilter().split(QStringLiteral(";;"));
    ASSERT_EQ(save.size(), 6);
    EXPECT_EQ(save[4], QStringLiteral("Scalable Vector Graphics (*.svg)"));
}
