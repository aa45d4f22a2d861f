// m9ctl's parameter commands against a virtual drive holding the real
// catalogue's defaults: what ends up on the drive is read from the drive.
#include "tests/m9ctl/m9ctl_support.h"

#include "simulator/src/catalogue_defaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace m9test;

namespace {

// Catalogue facts the cases lean on (System group).
constexpr std::uint16_t kOverspeedAddress = 100;    // 0x200A, 0..6500, default 6000
constexpr std::uint16_t kParameterLock = 442;       // 2 locks, 1 unlocks

class M9ctlParams : public DriveTest {};

} // namespace

TEST_F(M9ctlParams, SaveDiffChangeDiffAndLoadVerifyRestoresTheDrive)
{
    const Outcome save = ctl({"params", "save", "backup.mpa"});
    ASSERT_EQ(save.code, 0) << save.err;
    const std::string saved = readText(dir + "/backup.mpa");
    EXPECT_EQ(saved.rfind("M9AServio Drive version: \t0132\r\n", 0), 0u);
    EXPECT_NE(saved.find("0x2001\t0.\t100\r\n"), std::string::npos);

    const Outcome same = ctl({"params", "diff", "backup.mpa"});
    EXPECT_EQ(same.code, 0) << same.err;
    EXPECT_EQ(same.out, "no differences\n");

    writeRegister(device, kInertiaRatioAddress, 250);
    const Outcome changed = ctl({"params", "diff", "backup.mpa"});
    EXPECT_EQ(changed.code, 1) << changed.err;
    EXPECT_EQ(changed.out, "0x2001 Inertia Ratio: drive 250, file 100\n");
    const Outcome json = ctl({"params", "diff", "backup.mpa", "--json"});
    EXPECT_EQ(json.code, 1);
    EXPECT_EQ(json.out, "[{\"group\":\"System\",\"object\":\"0x2001\",\"name\":\"Inertia Ratio\",\"drive\":\"250\","
                        "\"file\":\"100\",\"unit\":\"%\"}]\n");

    const Outcome load = ctl({"params", "load", "backup.mpa", "--verify"});
    EXPECT_EQ(load.code, 0) << load.err;
    EXPECT_NE(load.out.find("wrote 1 parameters"), std::string::npos) << load.out;
    EXPECT_NE(load.out.find("verified"), std::string::npos) << load.out;
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 100);
    EXPECT_EQ(ctl({"params", "diff", "backup.mpa"}).code, 0);
}

TEST_F(M9ctlParams, LoadWritesWhatDiffersOrEveryRowItHoldsWithAll)
{
    ASSERT_EQ(ctl({"params", "save", "backup.mpa"}).code, 0);
    writeRegister(device, kMotorIdAddress, 5);
    writeRegister(device, kInertiaRatioAddress, 250);
    const Outcome load = ctl({"params", "load", "backup.mpa"});
    EXPECT_EQ(load.code, 0) << load.err;
    EXPECT_NE(load.out.find("wrote 2 parameters"), std::string::npos) << load.out;
    // Motor ID takes effect after the control power was cycled.
    EXPECT_NE(load.out.find("switch the control power off and on"), std::string::npos) << load.out;
    EXPECT_EQ(drive->registerValue(kMotorIdAddress), 0);
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 100);

    // A file cut after the first three settings: --all writes those three
    // although the drive holds them already.
    const auto all = lines(readText(dir + "/backup.mpa"));
    std::string head;
    for (const std::string &line : all) {
        head += line + "\n";
        if (line.rfind("0x2002\t", 0) == 0)
            break;
    }
    writeText(dir + "/head.mpa", head);
    const Outcome loadAll = ctl({"params", "load", "head.mpa", "--all", "--verify"});
    EXPECT_EQ(loadAll.code, 0) << loadAll.err;
    EXPECT_NE(loadAll.out.find("wrote 3 parameters"), std::string::npos) << loadAll.out;
}

TEST_F(M9ctlParams, GetAndSetFindParametersByNameOrObjectNumber)
{
    const Outcome get = ctl({"params", "get", "0x2001", "overspeed detection level"});
    EXPECT_EQ(get.code, 0) << get.err;
    EXPECT_EQ(get.out, "0x2001 Inertia Ratio = 100 %\n0x200A Overspeed Detection Level = 6000 rpm\n");

    const Outcome set = ctl({"params", "set", "Inertia Ratio=300", "0x200a=5000"});
    EXPECT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 300);
    EXPECT_EQ(drive->registerValue(kOverspeedAddress), 5000);
}

TEST_F(M9ctlParams, ALockedDriveRefusesWithExit4AndKeepsItsValues)
{
    ASSERT_EQ(ctl({"params", "save", "backup.mpa"}).code, 0);
    writeRegister(device, kInertiaRatioAddress, 250);
    writeRegister(device, kParameterLock, 2);
    ASSERT_TRUE(drive->parameterLocked());

    const Outcome set = ctl({"params", "set", "0x2001=300"});
    EXPECT_EQ(set.code, 4);
    EXPECT_NE(set.err.find("Parameter Lock"), std::string::npos) << set.err;
    const Outcome load = ctl({"params", "load", "backup.mpa"});
    EXPECT_EQ(load.code, 4);
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 250);
}

TEST_F(M9ctlParams, RangeAndServoChecksRefuseBeforeAnythingIsWritten)
{
    // The second value is out of range: the first is not written either.
    const Outcome range = ctl({"params", "set", "0x200A=5000", "0x2001=30001"});
    EXPECT_EQ(range.code, 4);
    EXPECT_NE(range.err.find("0x2001 Inertia Ratio: 30001 is outside its range 0 .. 30000"), std::string::npos)
        << range.err;
    EXPECT_EQ(drive->registerValue(kOverspeedAddress), 6000);

    writeRegister(device, kOperationCommand, 1);
    const Outcome servo = ctl({"params", "set", "0x2001=120", "0x2000=5"});
    EXPECT_EQ(servo.code, 4);
    EXPECT_NE(servo.err.find("0x2000 Motor ID can only be changed with the servo off"), std::string::npos)
        << servo.err;
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 100);
    EXPECT_EQ(drive->registerValue(kMotorIdAddress), 0);
    // A parameter that takes effect at once may still be set.
    EXPECT_EQ(ctl({"params", "set", "0x2001=120"}).code, 0);
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 120);
    writeRegister(device, kOperationCommand, 6);
}

TEST_F(M9ctlParams, BadNamesValuesAndFilesAreRefusedWithNothingWritten)
{
    const Outcome unknown = ctl({"params", "get", "no such parameter"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("no parameter is named \"no such parameter\""), std::string::npos);
    EXPECT_EQ(ctl({"params", "set", "0x2001"}).code, 2);
    const Outcome malformed = ctl({"params", "set", "0x2001=12x"});
    EXPECT_EQ(malformed.code, 2);
    EXPECT_NE(malformed.err.find("\"12x\" is not a decimal integer from 0 to 30000 %"), std::string::npos)
        << "the parameter's own range and unit: " << malformed.err;
    const Outcome comma = ctl({"params", "set", "0x2001=1,5"});
    EXPECT_EQ(comma.code, 2);
    EXPECT_NE(comma.err.find("\"1,5\" is not a decimal integer from 0 to 30000 %"), std::string::npos) << comma.err;
    EXPECT_EQ(ctl({"params", "set", "0x2600=5"}).code, 2) << "status values are not written";
    EXPECT_EQ(ctl({"params", "frobnicate"}).code, 2);
    EXPECT_EQ(ctl({"params", "save"}).code, 2);

    EXPECT_EQ(ctl({"params", "diff", "missing.mpa"}).code, 5);
    EXPECT_EQ(ctl({"params", "save", "no/such/dir/x.mpa"}).code, 5);
    writeText(dir + "/garbage.mpa", "this is not\na parameter file\n");
    EXPECT_EQ(ctl({"params", "load", "garbage.mpa"}).code, 5);

    // A saved file with one value damaged and one from another catalogue's
    // numbering: both refused, the drive untouched.
    ASSERT_EQ(ctl({"params", "save", "backup.mpa"}).code, 0);
    const std::string text = readText(dir + "/backup.mpa");
    const auto replaced = [](std::string in, const std::string &from, const std::string &to) {
        const std::size_t at = in.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? in : in.replace(at, from.size(), to);
    };
    writeText(dir + "/damaged.mpa", replaced(text, "0x2001\t0.\t100\r", "0x2001\t0.\t1e3\r"));
    writeText(dir + "/renumbered.mpa", replaced(replaced(text, "0x200A\t", "0x3333\t"), "0x2001\t0.\t100\r",
                                                "0x2001\t0.\t200\r"));
    const Outcome damaged = ctl({"params", "load", "damaged.mpa", "--all"});
    EXPECT_EQ(damaged.code, 5);
    EXPECT_NE(damaged.err.find("\"1e3\""), std::string::npos) << damaged.err;
    const Outcome renumbered = ctl({"params", "load", "renumbered.mpa"});
    EXPECT_EQ(renumbered.code, 5);
    EXPECT_NE(renumbered.err.find("0x3333"), std::string::npos) << renumbered.err;
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 100);
}

namespace {

// Each parameter register of the settings groups, as the drive holds it.
std::map<std::uint16_t, std::uint16_t> settingsRegisters(vq::sim::VirtualDrive &drive)
{
    static const vq::sim::CatalogueDefaults catalogue = [] {
        vq::sim::CatalogueDefaults d;
        std::string error;
        EXPECT_TRUE(vq::sim::loadCatalogueDefaults(TARVEX_REAL_CATALOGUE, d, error)) << error;
        return d;
    }();
    std::map<std::uint16_t, std::uint16_t> values;
    for (const vq::sim::ParameterDefault &p : catalogue.parameters) {
        if (p.group == 0)
            continue; // status values move on their own
        values[p.address] = drive.registerValue(p.address);
        if (p.twoRegisters)
            values[static_cast<std::uint16_t>(p.address + 2)] = drive.registerValue(static_cast<std::uint16_t>(p.address + 2));
    }
    return values;
}

} // namespace

TEST_F(M9ctlParams, AnObjectOfSeveralSubIndicesIsNamedWithItsSubIndexAndNeverGuessed)
{
    constexpr std::uint16_t kInternalSpeed5 = 152; // 0x2304 sub-index 5, default 1000
    const std::string subIndexList = "0x2304:1  Internal Speed 1\n  0x2304:2  Internal Speed 2\n"
                                     "  0x2304:3  Internal Speed 3\n  0x2304:4  Internal Speed 4\n"
                                     "  0x2304:5  Internal Speed 5\n  0x2304:6  Internal Speed 6\n"
                                     "  0x2304:7  Internal Speed 7";
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out;       // the whole standard output
        std::string errHas;    // a part of standard error
        std::map<std::uint16_t, std::uint16_t> writes; // every register the command changes
    };
    const std::vector<Case> cases = {
        {{"params", "set", "0x2304:5=1200"}, 0, "0x2304:5 Internal Speed 5 = 1200\n", "", {{kInternalSpeed5, 1200}}},
        {{"params", "get", "0x2304:05", "0X2304:1"}, 0,
         "0x2304:5 Internal Speed 5 = 1200 rpm\n0x2304:1 Internal Speed 1 = 0 rpm\n", "", {}},
        {{"params", "set", "0x2304=1300"}, 2, "", "object 0x2304 has 7 sub-indices; name one as OBJECT:SUBINDEX:\n  " + subIndexList, {}},
        {{"params", "get", "0x2304"}, 2, "", subIndexList, {}},
        {{"params", "set", "0x2001=150", "0x2304=1300"}, 2, "", "object 0x2304 has 7", {}},
        {{"params", "set", "0x2304:8=5"}, 2, "", "no parameter is named \"0x2304:8\"", {}},
        {{"params", "set", "0x2304:x=5"}, 2, "", "no parameter is named \"0x2304:x\"", {}},
        {{"params", "set", "0x2304:=5"}, 2, "", "no parameter is named \"0x2304:\"", {}},
        {{"params", "set", "0x2304:5=6001"}, 4, "", "0x2304:5 Internal Speed 5: 6001 is outside its range -6000 .. 6000", {}},
        // An object of one sub-index is found bare and with it.
        {{"params", "set", "0x2001:0=150"}, 0, "0x2001 Inertia Ratio = 150\n", "", {{kInertiaRatioAddress, 150}}},
        {{"params", "get", "0x2001"}, 0, "0x2001 Inertia Ratio = 150 %\n", "", {}},
    };
    for (const Case &c : cases) {
        std::string joined;
        for (const std::string &a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        std::map<std::uint16_t, std::uint16_t> expected = settingsRegisters(*drive);
        for (const auto &[address, value] : c.writes)
            expected[address] = value;
        const Outcome run = ctl(c.args);
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
        EXPECT_EQ(settingsRegisters(*drive), expected) << "only the named sub-index is written";
    }
}
