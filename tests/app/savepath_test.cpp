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

TEST(SavePath, FilterTextIsCutFromDialogAnswers)
{
    EXPECT_EQ(stripFilterSuffix(QStringLiteral("/cuts/wing *.tap")), QStringLiteral("/cuts/wing"));
    EXPECT_EQ(stripFilterSuffix(QStringLiteral("/cuts/wing.tap")), QStringLiteral("/cuts/wing.tap"));
    EXPECT_EQ(stripFilterSuffix(QStringLiteral("/my cuts/a *.plt *.tap")), QStringLiteral("/my cuts/a"));
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
