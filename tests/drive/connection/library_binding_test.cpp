// Binding the two libraries by name: what is reported when a library or a
// function is missing, and that nothing unresolved is ever called.
#include "drive/connection/drive_connection.h"
#include "drive/connection/link_statistics_text.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scratch_directory.h"
#include "tests/app/support/scripted_drive.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

struct Binding : ::testing::Test {
    FrameState frame;
    test::RecordingMessages messages;
};

TEST_F(Binding, TheRealLinkLibraryBindsSilently)
{
    DriveConnection drive(frame, messages);
    drive.BindLinkLibrary(TARVEX_LINK_LIBRARY);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(drive.link().isLoaded());
    EXPECT_TRUE(drive.link().hasInitDevice());
    EXPECT_FALSE(drive.isLinkOpen());
}

TEST_F(Binding, TheFastExchangeRunsWhereTheLibraryOffersItAndIsNeverMissed)
{
    test::ScriptedDrive scripted;
    scripted.set(4174, 0x3130);
    scripted.set(4176, 0x3233);
    for (const char *library : {TARVEX_LINK_LIBRARY, TARVEX_OLDER_LINK_LIBRARY}) {
        const bool offersProfiles = std::string(library) == TARVEX_LINK_LIBRARY;
        DriveConnection drive(frame, messages);
        drive.BindLinkLibrary(library);
        EXPECT_TRUE(messages.empty()) << library << ": the profiles are optional";
        drive.storeSettings({0, PortChoice{1, scripted.device()}, 19200, true});
        drive.Connect();
        EXPECT_TRUE(drive.isLinkOpen()) << library;
        EXPECT_EQ(drive.fastExchangeInEffect(), offersProfiles) << library;
        EXPECT_EQ(drive.versionText(), "0132") << library;

        // Switched off again, the next connection runs the specified timing.
        drive.Disconnect();
        drive.storeSettings({0, PortChoice{1, scripted.device()}, 19200, false});
        drive.Connect();
        EXPECT_FALSE(drive.fastExchangeInEffect()) << library;
        drive.Disconnect();
        EXPECT_TRUE(messages.empty()) << library << ": " << messages.texts().front();
        drive.StopWorkers({});
    }
}

// The statistics and the frame log are read where the library keeps them;
// an older library without them still binds and connects as before.
TEST_F(Binding, TheLinksStatisticsAreReadWhereTheLibraryKeepsThem)
{
    test::ScriptedDrive scripted;
    scripted.set(4174, 0x3130);
    scripted.set(4176, 0x3233);
    for (const char *library : {TARVEX_LINK_LIBRARY, TARVEX_OLDER_LINK_LIBRARY}) {
        const bool keepsThem = std::string(library) == TARVEX_LINK_LIBRARY;
        DriveConnection drive(frame, messages);
        drive.BindLinkLibrary(library);
        EXPECT_TRUE(messages.empty()) << library << ": the statistics are optional";
        drive.storeSettings({0, PortChoice{1, scripted.device()}, 19200, false});
        // The log outlives the connections of the library loaded before.
        const std::size_t logged = readFrameLog(drive.link()).size();
        drive.Connect();
        EXPECT_EQ(drive.versionText(), "0132") << library;
        VQLinkStatistics statistics{};
        EXPECT_EQ(drive.link().Statistics(statistics), keepsThem) << library;
        // The connection check and the two version reads.
        EXPECT_EQ(statistics.accepted, keepsThem ? 3u : 0u) << library;
        const std::vector<VQFrameLogEntry> log = readFrameLog(drive.link());
        ASSERT_EQ(log.size(), logged + (keepsThem ? 3u : 0u)) << library;
        for (std::size_t i = logged; i < log.size(); ++i)
            EXPECT_EQ(log[i].verdict, VQ_VERDICT_ACCEPTED) << library;
        drive.link().ResetStatistics();
        EXPECT_EQ(drive.link().Statistics(statistics), keepsThem);
        EXPECT_EQ(statistics.accepted, 0u) << library;
        drive.Disconnect();
        drive.StopWorkers({});
        EXPECT_TRUE(messages.empty()) << library << ": " << messages.texts().front();
    }
}

TEST_F(Binding, AMissingLinkLibraryIsReportedOnce)
{
    test::ScratchDirectory empty;
    test::WorkingDirectory inEmpty(empty.path());
    DriveConnection drive(frame, messages);
    drive.BindLinkLibrary(kLinkLibraryFile);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"COMM Library Load Error!!"});
    // The program goes on; the link simply stays closed.
    drive.Connect();
    EXPECT_FALSE(drive.isLinkOpen());
}

TEST_F(Binding, AnIncompleteLinkLibraryIsReportedOnceAndItsGapsAreNeverCalled)
{
    DriveConnection drive(frame, messages);
    drive.BindLinkLibrary(TARVEX_PARTIAL_LINK_LIBRARY);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"COMM Library Loading Error!!"});
    messages.clear();

    drive.storeSettings({0, PortChoice{1, ""}, 19200});
    drive.Connect(); // CommInit and CommConnect are missing
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"Communication Connect Error!(Check COMPORT, Cable, Control Power)"});
    std::uint8_t bytes[2] = {0xAA, 0xAA};
    std::uint8_t status = 0;
    EXPECT_EQ(drive.link().RdSgRegister(0, bytes, &status, 1), 0);
    EXPECT_EQ(status, VQ_STATUS_NOT_ATTEMPTED);
    EXPECT_EQ(bytes[0], 0xAA) << "nothing was written";
}

TEST_F(Binding, AMissingDatabaseLibraryIsReportedOnceAndTheCatalogueIsNotAskedFor)
{
    test::ScratchDirectory empty;
    test::WorkingDirectory inEmpty(empty.path());
    DriveConnection drive(frame, messages);
    drive.BindDatabaseLibrary(kDatabaseLibraryFile);
    drive.OpenCatalogue(catalogueFileFor(false));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"DataBase Library Load Error!!"});
    EXPECT_EQ(drive.databasePath(), "./DB/M9A_Tarvex-DATA_ENG.mdb");
    EXPECT_EQ(drive.database().GetAllParamCnt(), 0);
}

TEST_F(Binding, AnIncompleteDatabaseLibraryIsReportedOnce)
{
    DriveConnection drive(frame, messages);
    drive.BindDatabaseLibrary(TARVEX_PARTIAL_DATABASE_LIBRARY);
    drive.OpenCatalogue(catalogueFileFor(false));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"DataBase Library Loading Error!!"});
    EXPECT_EQ(drive.database().GetPrmCntInGrp(1), 0);
    ParameterAttribute record;
    EXPECT_FALSE(drive.database().GetParamAttr(1, &record, 1));
}

TEST(CatalogueChoice, TheSystemLanguageChoosesTheEdition)
{
    EXPECT_STREQ(catalogueFileFor(true), "./DB/M9A_Tarvex-DATA.mdb");
    EXPECT_STREQ(catalogueFileFor(false), "./DB/M9A_Tarvex-DATA_ENG.mdb");
}

#ifdef TARVEX_DATABASE_LIBRARY
TEST_F(Binding, TheRealCatalogueOpensFromTheRunDirectory)
{
    test::WorkingDirectory inRun(TARVEX_RUN_DIRECTORY);
    DriveConnection drive(frame, messages);
    drive.BindDatabaseLibrary(kDatabaseLibraryFile);
    drive.OpenCatalogue(catalogueFileFor(false));
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.texts().front());
    EXPECT_GT(drive.database().GetAllParamCnt(), 0);
}

TEST_F(Binding, AMissingCatalogueIsReportedAndTheProgramGoesOn)
{
    test::ScratchDirectory empty;
    empty.link("VQ_DatabaseManager.so", TARVEX_DATABASE_LIBRARY);
    test::WorkingDirectory inEmpty(empty.path());
    DriveConnection drive(frame, messages);
    drive.BindDatabaseLibrary(kDatabaseLibraryFile);
    drive.OpenCatalogue(catalogueFileFor(false));
    EXPECT_FALSE(messages.empty()) << "the library or the program reports the missing file";
    EXPECT_EQ(drive.database().GetAllParamCnt(), 0);
}
#endif

} // namespace
} // namespace tarvex
