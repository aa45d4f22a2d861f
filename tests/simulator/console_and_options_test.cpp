// The console commands a person types at m9sim and its command-line
// options: what they switch, and how they refuse what they cannot take.
#include "simulator/src/console_commands.h"
#include "simulator/src/m9sim_options.h"
#include "tests/simulator/sim_test_support.h"
#include "link/virtual_drive_link.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

using namespace vq::sim;

TEST(ConsoleCommands, SwitchFaultsAndBehaviour)
{
    VirtualDrive drive(DriveOptions{});
    EXPECT_TRUE(runConsoleCommand(drive, "drop 3").ok);
    EXPECT_TRUE(runConsoleCommand(drive, "badcrc 2").ok);
    EXPECT_TRUE(runConsoleCommand(drive, "cut 5 4").ok);
    EXPECT_TRUE(runConsoleCommand(drive, "othernode 1").ok);
    EXPECT_TRUE(runConsoleCommand(drive, "late 250").ok);
    EXPECT_TRUE(runConsoleCommand(drive, "silence on").ok);
    const FaultPlan plan = drive.faults();
    EXPECT_EQ(plan.dropReplies, 3);
    EXPECT_EQ(plan.corruptCrcReplies, 2);
    EXPECT_EQ(plan.cutReplies, 4);
    EXPECT_EQ(plan.cutKeepBytes, 5);
    EXPECT_EQ(plan.otherNodeReplies, 1);
    EXPECT_EQ(plan.lateMs, 250);
    EXPECT_TRUE(plan.silent);

    EXPECT_TRUE(runConsoleCommand(drive, "alarm 14").ok); // hexadecimal: over current
    EXPECT_EQ(drive.activeAlarm(), 0x14);
    EXPECT_TRUE(runConsoleCommand(drive, "reset").ok);
    EXPECT_EQ(drive.activeAlarm(), 0);
    EXPECT_TRUE(runConsoleCommand(drive, "alarm 0x41 30").ok);
    EXPECT_EQ(drive.activeAlarm(), 0) << "not before its time";

    EXPECT_TRUE(runConsoleCommand(drive, "version B1.05.2").ok);
    EXPECT_EQ(drive.registerValue(62), 0x8000 | (105 << 5) | 2);
    EXPECT_TRUE(runConsoleCommand(drive, "inputs 0x3").ok);
    EXPECT_EQ(drive.registerValue(4160), 3);
    EXPECT_NE(runConsoleCommand(drive, "status").reply.find("servo off"), std::string::npos);
    EXPECT_NE(runConsoleCommand(drive, "help").reply.find("badcrc N"), std::string::npos);
    EXPECT_TRUE(runConsoleCommand(drive, "quit").quit);
}

TEST(ConsoleCommands, LateRepliesCanBeKeptAndTurnedIntoExceptions)
{
    VirtualDrive drive(DriveOptions{});
    EXPECT_TRUE(runConsoleCommand(drive, "late 360 keep").ok);
    EXPECT_EQ(drive.faults().lateMs, 360);
    EXPECT_TRUE(drive.faults().lateKeepsEvery);
    EXPECT_EQ(drive.faults().lateExceptionCode, -1);
    EXPECT_TRUE(runConsoleCommand(drive, "late 0 exception 0").ok);
    EXPECT_FALSE(drive.faults().lateKeepsEvery);
    EXPECT_EQ(drive.faults().lateExceptionCode, 0);
    EXPECT_TRUE(runConsoleCommand(drive, "late 20 exception 6 keep").ok);
    EXPECT_TRUE(drive.faults().lateKeepsEvery);
    EXPECT_EQ(drive.faults().lateExceptionCode, 6);
    EXPECT_NE(runConsoleCommand(drive, "status").reply.find("late 20 ms, keep, exception 6"), std::string::npos);
    for (const char *line : {"late 10 kept", "late 10 exception", "late 10 exception 256", "late 10 exception -1",
                             "late 10 keep keep", "late 10 exception 1 exception 2"}) {
        EXPECT_FALSE(runConsoleCommand(drive, line).ok) << line;
    }
    EXPECT_EQ(drive.faults().lateExceptionCode, 6) << "a refused line changes nothing";
    EXPECT_TRUE(runConsoleCommand(drive, "late 0").ok);
    EXPECT_EQ(drive.faults().lateExceptionCode, -1);
    EXPECT_FALSE(drive.faults().lateKeepsEvery);
}

TEST(ConsoleCommands, RefuseWhatTheyCannotTake)
{
    VirtualDrive drive(DriveOptions{});
    for (const char *line : {"alarm", "alarm zz", "alarm 100", "alarm 14 -1", "drop -1", "drop 1x",
                             "late 99999999", "cut", "resonance maybe", "resonance on 5000", "silence",
                             "version C0.1.2", "version A10.5.1", "inputs 10000", "frobnicate"}) {
        const ConsoleResult r = runConsoleCommand(drive, line);
        EXPECT_FALSE(r.ok) << line;
        EXPECT_FALSE(r.reply.empty()) << line;
    }
    EXPECT_EQ(drive.faults().dropReplies, 0);
    EXPECT_TRUE(runConsoleCommand(drive, "   ").ok);
    const std::string huge(5000, '9');
    EXPECT_FALSE(runConsoleCommand(drive, "drop " + huge).ok);
}

TEST(ProgramOptions, DefaultsAndValues)
{
    ProgramOptions o;
    std::string error;
    ASSERT_TRUE(parseProgramOptions({}, o, error));
    EXPECT_EQ(o.drive.node, 0);
    EXPECT_EQ(o.drive.lineSpeed, 19200u);
    EXPECT_EQ(o.drive.linkPath, tarvex::virtualDriveLink());
    EXPECT_TRUE(o.defaultLink);
    EXPECT_EQ(o.cataloguePath, "./DB/M9A_Tarvex-DATA_ENG.mdb");
    EXPECT_TRUE(o.drive.paced);

    ProgramOptions p;
    ASSERT_TRUE(parseProgramOptions({"--node", "7", "--baud", "38400", "--instant", "--no-link",
                                     "--drive-version", "A0.19.1", "--firmware", "0200", "--any-baud"},
                                    p, error));
    EXPECT_EQ(p.drive.node, 7);
    EXPECT_EQ(p.drive.lineSpeed, 38400u);
    EXPECT_FALSE(p.drive.paced);
    EXPECT_TRUE(p.drive.linkPath.empty());
    EXPECT_EQ(p.drive.identity.versionHundredths, 19);
    EXPECT_EQ(p.drive.identity.firmwareText, "0200");
    EXPECT_TRUE(p.drive.acceptAnySpeed);

    ProgramOptions line;
    ASSERT_TRUE(parseProgramOptions({"--nodes", "3,1-2"}, line, error));
    EXPECT_EQ(line.drive.node, 3);
    EXPECT_EQ(line.drive.otherNodes, (std::vector<std::uint8_t>{1, 2}));

    for (const std::vector<std::string> &bad :
         std::vector<std::vector<std::string>>{{"--node", "300"}, {"--baud", "12345"}, {"--node"},
                                               {"--nodes", "1,1"}, {"--nodes", "0-255"}, {"--nodes"},
                                               {"--firmware", "12345"}, {"--drive-version", "X"}, {"--what"}}) {
        ProgramOptions q;
        error.clear();
        EXPECT_FALSE(parseProgramOptions(bad, q, error)) << bad[0];
        EXPECT_FALSE(error.empty()) << bad[0];
    }
}

TEST(CatalogueDefaults, RefusesFilesThatAreNoCatalogue)
{
    CatalogueDefaults out;
    std::string error;
    EXPECT_FALSE(loadCatalogueDefaults("/nonexistent/M9A.mdb", out, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);

    const std::string text = "/tmp/vq_sim_not_a_catalogue.mdb";
    std::FILE *f = std::fopen(text.c_str(), "w");
    std::fputs("Standard Jet DB, or so it says", f);
    std::fclose(f);
    EXPECT_FALSE(loadCatalogueDefaults(text, out, error));
    EXPECT_NE(error.find("not an SQLite database"), std::string::npos);
    std::remove(text.c_str());

    // Odd addresses are skipped with a warning, the rest loads.
    const std::string path = vq::simtest::writeCatalogue({{1, "5", 101, 3, 1}, {1, "7", 100, 3, 1}, {1, "9", 65534, 3, 2}});
    ASSERT_TRUE(loadCatalogueDefaults(path, out, error)) << error;
    ASSERT_EQ(out.parameters.size(), 1u);
    EXPECT_EQ(out.parameters[0].address, 100);
    EXPECT_EQ(out.warnings.size(), 2u);
}

TEST(ConsoleCommands, FirmwareDumpWritesTheProgramMemoryAsIntelHex)
{
    VirtualDrive drive(DriveOptions{});
    const std::string path = ::testing::TempDir() + "firmware dump.hex";
    const ConsoleResult dump = runConsoleCommand(drive, "firmware-dump " + path);
    ASSERT_TRUE(dump.ok) << dump.reply;
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The factory reset jump (goto 0x000200 and its second word), each
    // instruction as low, high, upper and a zero byte; then the end record.
    EXPECT_EQ(text, ":080000000002040000000000F2\r\n:00000001FF\r\n");
    EXPECT_EQ(drive.registerValue(60), 0) << "no active alarm";
    drive.raiseAlarm(0x14);
    EXPECT_EQ(drive.registerValue(60), 0x14) << "the active alarm's code";

    EXPECT_FALSE(runConsoleCommand(drive, "firmware-dump").ok);
    EXPECT_FALSE(runConsoleCommand(drive, "firmware-dump /nonexistent/dir/x.hex").ok);
    std::remove(path.c_str());
}
