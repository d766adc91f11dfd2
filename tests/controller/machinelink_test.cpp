#include "controller/machinelink.h"

#include "fakeline.h"

#include <gtest/gtest.h>

using namespace cutdeck;

namespace {

struct LinkRig
{
    LinkRig()
    {
        auto fake = std::make_unique<test::FakeLine>();
        line = fake.get();
        link = std::make_unique<MachineLink>(std::move(fake));
        link->setWait([this](int ms) { line->calls << QStringLiteral("wait %1").arg(ms); });
        link->setPortLister([this] { return ports; });
    }
    test::FakeLine *line = nullptr;
    std::unique_ptr<MachineLink> link;
    std::vector<platform::SerialPortEntry> ports = {
        {1, "/dev/ttyS0", "(COM1)"}, {2, "/dev/ttyACM0", "Arduino Uno (COM2)"}, {3, "/dev/ttyUSB0", "x (COM3)"}};
};

} // namespace

TEST(MachineLink, OpensThePortTheSettingsChoose)
{
    struct Case { int number; const char *device; const char *location; const char *status; bool ok; };
    const Case cases[] = {
        {0, "", "/dev/ttyACM0", "Arduino Uno (COM2)", true},
        {3, "", "/dev/ttyUSB0", "Dispositivo conectado en COM3", true},
        {1, "", "/dev/ttyS0", "Dispositivo conectado en COM1", true}, // chosen by hand, COM1 is allowed
        {9, "", "", "Dispositivo conectado en COM9", false},
        {3, "/dev/pts/4", "/dev/pts/4", "Dispositivo conectado en /dev/pts/4", true},
    };
    for (const Case &c : cases) {
        LinkRig rig;
        MachineSettings s;
        s.portNumber = c.number;
        s.devicePath = QString::fromLatin1(c.device);
        EXPECT_EQ(rig.link->openPort(s), c.ok) << c.number;
        EXPECT_EQ(rig.link->location(), QString::fromLatin1(c.location));
        EXPECT_EQ(rig.link->statusText(), QString::fromLatin1(c.status));
        if (c.ok) {
            EXPECT_EQ(rig.line->calls, QStringList({QStringLiteral("open ") + c.location, "DTR 1", "RTS 1"}));
        }
    }
}

TEST(MachineLink, RefusedOpenLeavesThePortClosed)
{
    LinkRig rig;
    rig.line->openSucceeds = false;
    MachineSettings s;
    s.devicePath = "/dev/nothing";
    EXPECT_FALSE(rig.link->openPort(s));
    EXPECT_FALSE(rig.link->isOpen());
    EXPECT_FALSE(rig.link->send("M106"));
    EXPECT_EQ(rig.line->calls, QStringList({"open /dev/nothing"}));
}

TEST(MachineLink, DtrPulsesResetTheBoard)
{
    struct Case { void (MachineLink::*pulse)(); QStringList calls; };
    const Case cases[] = {
        {&MachineLink::pulseAfterCancel, {"DTR 1", "wait 100", "DTR 0", "wait 1000", "DTR 1", "wait 100"}},
        {&MachineLink::pulseOnExit, {"DTR 0", "wait 250", "DTR 1", "wait 250"}},
        {&MachineLink::pulseReset, {"DTR 0", "wait 100", "DTR 1", "wait 100", "DTR 0"}},
    };
    for (const Case &c : cases) {
        LinkRig rig;
        MachineSettings s;
        s.devicePath = "/dev/x";
        ASSERT_TRUE(rig.link->openPort(s));
        rig.line->calls.clear();
        (rig.link.get()->*c.pulse)();
        EXPECT_EQ(rig.line->calls, c.calls);
    }
}
