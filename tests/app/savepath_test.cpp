#include "app/loadactions.h"
#include "app/savepath.h"

#include <gtest/gtest.h>

namespace {

TEST(SavePath, PlaceholdersOfADottedName)
{
    const QString f = QStringLiteral("/cuts/wing.rev2.dxf");
    struct Case { const char *pattern; const char *expected; };
    for (const Case c : {Case{"%f", "wing"}, Case{"%e", "rev2.dxf"}, Case{"%d", "cuts"},
                         Case{"%p", "/cuts"}, Case{"%o", "/cuts/wing.rev2.dxf"},
                         Case{"%p/%f.tap", "/cuts/wing.tap"}, Case{"%p/out/%d-%f-%f.plt", "/cuts/out/cuts-wing-wing.plt"},
                         Case{"%F%x", "%F%x"}})
        EXPECT_EQ(expandSavePath(QLatin1String(c.pattern), f), QLatin1String(c.expected)) << c.pattern;
}

TEST(SavePath, PercentSignsInTheNamesAreNotExpandedAgain)
{
    struct Case { const char *source, *pattern, *expected; };
    for (const Case c : {Case{"/cuts/caf%e9.dxf", "%p/%f.tap", "/cuts/caf%e9.tap"},
                         Case{"/50%done/rib.plt", "%p/%f.tap", "/50%done/rib.tap"},
                         Case{"/a%p/b%d.x%f", "%o|%d|%e", "/a%p/b%d.x%f|a%p|x%f"},
                         Case{"/cuts/rib.plt", "%p/%%f%", "/cuts/%rib%"}})
        EXPECT_EQ(expandSavePath(QLatin1String(c.pattern), QLatin1String(c.source)), QLatin1String(c.expected))
            << c.source << " " << c.pattern;
}

TEST(SavePath, FilterTextIsCutFromDialogAnswers)
{
    EXPECT_EQ(stripFilterSuffix(QStringLiteral("/cuts/wing *.tap")), QStringLiteral("/cuts/wing"));
    EXPECT_EQ(stripFilterSuffix(QStringLiteral("/cuts/wing.tap")), QStringLiteral("/cuts/wing.tap"));
    EXPECT_EQ(stripFilterSuffix(QStringLiteral("/my cuts/a *.plt *.tap")), QStringLiteral("/my cuts/a"));
}

TEST(SavePath, ChosenFiltersEndingIsAddedToANameWithoutAKnownOne)
{
    const QString all = QStringLiteral("All (*.tap *.dxf);;G-Code (*.tap);;AutoCAD (*.dxf);;Any (*)");
    struct Case { const char *name, *filter, *expected; };
    for (const Case c : {Case{"/c/wing", "G-Code (*.tap)", "/c/wing.tap"},
                         Case{"/c/wing.", "G-Code (*.tap)", "/c/wing.tap"},
                         Case{"/c/wing.rev2", "AutoCAD (*.dxf)", "/c/wing.rev2.dxf"},
                         Case{"/c/wing.DXF", "G-Code (*.tap)", "/c/wing.DXF"},
                         Case{"/c/wing.tap", "AutoCAD (*.dxf)", "/c/wing.tap"},
                         Case{"/c/wing", "All (*.tap *.dxf)", "/c/wing.tap"},
                         Case{"/c/wing", "Any (*)", "/c/wing"},
                         Case{"/c/wing", "", "/c/wing"},
                         Case{"/my.dir/", "G-Code (*.tap)", "/my.dir/"}})
        EXPECT_EQ(addFilterSuffix(QLatin1String(c.name), QLatin1String(c.filter), all),
                  QLatin1String(c.expected)) << c.name << " " << c.filter;
}

TEST(LoadActions, ProjectFilesAreRecognisedCaseSensitively)
{
    EXPECT_TRUE(isProjectFile(QStringLiteral("a.kfp")));
    EXPECT_FALSE(isProjectFile(QStringLiteral("a.KFP")));
    EXPECT_FALSE(isProjectFile(QStringLiteral("a.kfp.tap")));
}

TEST(LoadActions, CommandLineOnlySwitchesDecideWithDefaults)
{
    const LoadDecisions cmd = readLoadDecisions(true);
    EXPECT_TRUE(cmd.link && cmd.save && cmd.exit);
    EXPECT_EQ(cmd.savePathTemplate, QStringLiteral("%p/%f.tap"));
    const LoadDecisions menu = readLoadDecisions(false);
    EXPECT_FALSE(menu.link || menu.save || menu.exit);
}

} // namespace
