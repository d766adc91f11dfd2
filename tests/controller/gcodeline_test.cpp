#include "controller/gcodeline.h"
#include "controller/portdetect.h"

#include <gtest/gtest.h>

using namespace cutdeck;

TEST(FeedSubstitution, ReplacesOnlyWholeFeedWords)
{
    struct Case { const char *line, *sent; };
    const Case cases[] = {
        {"G1 X10 Y20 F300 Z1", "G1 X10 Y20 F450 Z1"},
        {"G1 X10 Y20 F300", "G1 X10 Y20  F450"},         // a feed word at the end: blank, F, speed
        {"G1 X10 Y20 F300 ", "G1 X10 Y20 F450 "},
        {"G1X10F300", "G1X10 F450"},
        {"G1 F300 X1 F3000", "G1 F450 X1  F450"},         // F3000 is its own word, not F300 + "0"
        {"G1 F3000 X1 F300 Y2", "G1 F450 X1 F450 Y2"},
        {"G1 F12.5 X1", "G1 F450 X1"},
        {"G1 X10 (FAST F300) Y2", "G1 X10 (FAST F300) Y2"}, // comments stay as written
        {"G1 X10 ; F300", "G1 X10 ; F300"},
        {"M117 OFF3", "M117 OFF3"},                       // F inside a word
        {"G1 X5 F", "G1 X5 F"},                           // no number, no feed word
        {"G21", "G21"},
        {"g1 x1 f300 y1", "g1 x1 F450 y1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(substituteFeed(QString::fromLatin1(c.line), 450), QString::fromLatin1(c.sent)) << c.line;
    // A settings file without a speed leaves the file's feed alone.
    for (const char *line : {"G1 X10 Y20 F300", "G1 F300 X1"})
        EXPECT_EQ(substituteFeed(QString::fromLatin1(line), 0), QString::fromLatin1(line));
}

TEST(Preview, PlotsOnlyLinesWithBothAxes)
{
    struct Case { const char *line; bool plotted; double x, y; };
    const Case cases[] = {
        {"G1 X10 Y-20", true, 10, 20},
        {"G1 X10.5 Y20 F300", true, 10.5, 20},
        {"G1 X-3 Y4", true, -3, 4},
        {"G1 X10", false, 0, 0},
        {"G1 X0 Y5", false, 0, 0},
        {"G1 Y5", false, 0, 0},
        {"M114", false, 0, 0},
    };
    for (const Case &c : cases) {
        const auto p = previewPoint(QString::fromLatin1(c.line));
        ASSERT_EQ(p.has_value(), c.plotted) << c.line;
        if (p) {
            EXPECT_DOUBLE_EQ(p->x(), c.x) << c.line;
            EXPECT_DOUBLE_EQ(p->y(), c.y) << c.line;
        }
    }
}

TEST(Preview, DiagnosticPositionsAreOneBased)
{
    EXPECT_EQ(textPosition("X:0 Count X:0ok", "ok"), 14);
    EXPECT_EQ(textPosition("X:0 Count", "Count"), 5);
    EXPECT_EQ(textPosition("busy", "ok"), 0);
}

namespace {

std::vector<platform::SerialPortEntry> ports(std::initializer_list<const char *> labels)
{
    std::vector<platform::SerialPortEntry> out;
    int n = 0;
    for (const char *l : labels)
        out.push_back({++n, QStringLiteral("/dev/x%1").arg(n), QString::fromLatin1(l)});
    return out;
}

} // namespace

TEST(PortDetection, FollowsTheFriendlyNames)
{
    struct Case { std::vector<platform::SerialPortEntry> list; int number; const char *status; };
    const Case cases[] = {
        {ports({"Arduino Uno (COM1)"}), 1, ""},                                   // COM1 never chosen…
        {ports({"Arduino Uno (COM1)", "Foo (COM2)"}), 2, ""},                     // …the last port is left
        {ports({" Serial (COM1)", "Arduino LLC Arduino Uno (COM2)", "Prolific x (COM3)"}), 2,
         "Arduino LLC Arduino Uno (COM2)"},
        {ports({"Prolific USB-Serial (COM7)"}), 7, "Prolific USB-Serial (COM7)"},
        {ports({"Arduino (COM4)", "Bluetooth"}), 4, "Arduino (COM4)"},
        {ports({"Foo (COM3)", "Bluetooth"}), 0, "Desconectado"},
        {{}, 0, ""},
    };
    for (const Case &c : cases) {
        const PortChoice choice = detectPort(c.list);
        EXPECT_EQ(choice.number, c.number) << c.status;
        EXPECT_EQ(choice.statusText, QString::fromLatin1(c.status));
    }
}

TEST(PortDetection, NumbersTtyS0AsCom1AndNamesCarryTheNumber)
{
    std::vector<platform::SerialPortEntry> list = {
        {0, "/dev/ttyUSB0", "Prolific Technology Inc. USB-Serial Controller"},
        {0, "/dev/ttyACM0", "Arduino (www.arduino.cc) Arduino Uno"},
        {0, "/dev/ttyS1", " "},
        {0, "/dev/ttyS0", " "},
    };
    platform::numberSerialPorts(list);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].location, "/dev/ttyS0");
    EXPECT_EQ(list[0].friendlyName, "(COM1)");
    EXPECT_EQ(list[1].location, "/dev/ttyACM0");
    EXPECT_EQ(list[1].friendlyName, "Arduino (www.arduino.cc) Arduino Uno (COM2)");
    EXPECT_EQ(detectPort(list).number, 2);
}
