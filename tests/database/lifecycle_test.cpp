// Context and opened-flag rules of the exports: what every function does
// without a context, before a catalogue is open, and across reopening and
// destruction.
#include "tests/database/fixture_catalogue.h"

#include <gtest/gtest.h>

namespace vq::test {
namespace {

// A catalogue with group 1 holding `rows` counted parameters from address 100.
void buildCatalogue(const FixtureCatalogue &catalogue, int rows)
{
    catalogue.createTables();
    for (int i = 0; i < rows; ++i)
        catalogue.addParameter(100 + i, 1, "0x20" + std::to_string(10 + i), 100 + 2 * i);
    catalogue.addServo("M9A-01", "M9A 100W", 8);
}

// Every query answers its failure value and leaves the records as they were.
void expectQueriesAnswerNothing()
{
    EXPECT_EQ(DB_GetPrmCntInGrp(1), 0);
    EXPECT_EQ(DB_GetFrPrmAddrInGrp(1), 0);
    EXPECT_EQ(DB_GetAllParamCnt(), 0);
    EXPECT_EQ(DB_GetPrvServoCnt(), 0);

    ParameterAttribute parameter;
    parameter.Param_ID = 77;
    parameter.Param_Name = u"untouched";
    EXPECT_FALSE(DB_GetParamAttr(1, &parameter, 1));
    EXPECT_EQ(parameter.Param_ID, 77);
    EXPECT_EQ(parameter.Param_Name, u"untouched");

    ServoAttribute servo;
    servo.Servo_Name = u"untouched";
    EXPECT_FALSE(DB_GetAllServoAttr(&servo, 1));
    EXPECT_EQ(servo.Servo_Name, u"untouched");
}

TEST(CatalogueLifecycle, CreateAndDestroyPairUp)
{
    ASSERT_TRUE(DB_Create());
    EXPECT_FALSE(DB_Create()) << "a second context must be refused";
    EXPECT_TRUE(DB_Destroy());
    EXPECT_FALSE(DB_Destroy()) << "there is no context left to destroy";
    EXPECT_TRUE(DB_Create()) << "a destroyed context can be created anew";
    EXPECT_TRUE(DB_Destroy());
}

TEST(CatalogueLifecycle, WithoutContextEverythingFailsSilently)
{
    FixtureCatalogue catalogue;
    buildCatalogue(catalogue, 2);
    MessageRecorder messages;

    EXPECT_FALSE(DB_FileOpen(catalogue.widePath()));
    expectQueriesAnswerNothing();
    EXPECT_TRUE(messages.texts.empty());
}

TEST(CatalogueLifecycle, BeforeOpeningQueriesFailSilently)
{
    DatabaseSession session;
    MessageRecorder messages;
    expectQueriesAnswerNothing();
    EXPECT_TRUE(messages.texts.empty());
}

TEST(CatalogueLifecycle, OpenedCatalogueAnswers)
{
    FixtureCatalogue catalogue;
    buildCatalogue(catalogue, 3);
    DatabaseSession session;
    MessageRecorder messages;

    ASSERT_TRUE(DB_FileOpen(catalogue.widePath()));
    EXPECT_EQ(DB_GetPrmCntInGrp(1), 3);
    EXPECT_EQ(DB_GetFrPrmAddrInGrp(1), 100);
    EXPECT_EQ(DB_GetAllParamCnt(), 3);
    EXPECT_EQ(DB_GetPrvServoCnt(), 1);
    EXPECT_TRUE(messages.texts.empty());
}

TEST(CatalogueLifecycle, OpeningAgainReplacesTheCatalogue)
{
    FixtureCatalogue first;
    buildCatalogue(first, 2);
    FixtureCatalogue second;
    buildCatalogue(second, 5);
    DatabaseSession session;

    ASSERT_TRUE(DB_FileOpen(first.widePath()));
    ASSERT_EQ(DB_GetPrmCntInGrp(1), 2);
    ASSERT_TRUE(DB_FileOpen(second.widePath()));
    EXPECT_EQ(DB_GetPrmCntInGrp(1), 5);
}

TEST(CatalogueLifecycle, FailedReopeningLeavesTheCatalogueClosed)
{
    FixtureCatalogue catalogue;
    buildCatalogue(catalogue, 2);
    DatabaseSession session;
    ASSERT_TRUE(DB_FileOpen(catalogue.widePath()));
    ASSERT_EQ(DB_GetPrmCntInGrp(1), 2);

    MessageRecorder messages;
    EXPECT_TRUE(DB_FileOpen(widen((catalogue.directory() / "missing.mdb").string())));
    EXPECT_EQ(messages.texts.size(), 2u);

    // The old connection is gone: queries answer nothing, and say nothing.
    messages.texts.clear();
    expectQueriesAnswerNothing();
    EXPECT_TRUE(messages.texts.empty());
}

TEST(CatalogueLifecycle, DestroyingAnOpenedContextEndsTheQueries)
{
    FixtureCatalogue catalogue;
    buildCatalogue(catalogue, 2);
    ASSERT_TRUE(DB_Create());
    ASSERT_TRUE(DB_FileOpen(catalogue.widePath()));
    ASSERT_TRUE(DB_Destroy());
    expectQueriesAnswerNothing();

    // A new context starts closed, whatever the old one had open.
    DatabaseSession session;
    MessageRecorder messages;
    expectQueriesAnswerNothing();
    EXPECT_TRUE(messages.texts.empty());
}

TEST(CatalogueLifecycle, WithoutCallbackTextsGoToStandardError)
{
    FixtureCatalogue catalogue;
    DatabaseSession session;
    DB_SetMessageCallback(nullptr, nullptr);

    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(DB_FileOpen(catalogue.widePath())); // the file was never written
    const std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("unable to open database file"), std::string::npos) << written;
    EXPECT_NE(written.find(catalogue.path().string()), std::string::npos) << written;
}

} // namespace
} // namespace vq::test
