// The exports against the generated catalogue files, used the way the
// parameter window builds its model: per group the count, the first address
// and the attribute list, in both editions.
#include "tests/database/fixture_catalogue.h"

#include <gtest/gtest.h>

#include <vector>

namespace vq::test {
namespace {

struct GroupModel {
    int count = 0;
    int firstAddress = 0;
    std::vector<ParameterAttribute> attributes;
};

std::vector<GroupModel> buildModel(const char *path)
{
    DatabaseSession session;
    MessageRecorder messages;
    EXPECT_TRUE(DB_FileOpen(widen(path)));
    std::vector<GroupModel> model(8);
    for (int g = 0; g < 8; ++g) {
        GroupModel &m = model[static_cast<std::size_t>(g)];
        m.count = DB_GetPrmCntInGrp(g);
        m.firstAddress = DB_GetFrPrmAddrInGrp(g);
        m.attributes.resize(static_cast<std::size_t>(m.count));
        EXPECT_TRUE(m.count > 0 && DB_GetParamAttr(g, m.attributes.data(), m.count)) << "group " << g;
    }
    EXPECT_TRUE(messages.texts.empty()) << narrow(messages.texts.front());
    return model;
}

TEST(GeneratedCatalogue, BothEditionsBuildTheSameModel)
{
    const std::vector<GroupModel> english = buildModel(TARVEX_CATALOGUE_ENG);
    const std::vector<GroupModel> korean = buildModel(TARVEX_CATALOGUE_KOR);

    for (std::size_t g = 0; g < 8; ++g) {
        ASSERT_EQ(english[g].count, korean[g].count) << "group " << g;
        EXPECT_EQ(english[g].firstAddress, korean[g].firstAddress);
        EXPECT_EQ(english[g].firstAddress, english[g].attributes.front().Param_Address);
        for (std::size_t i = 0; i < english[g].attributes.size(); ++i) {
            const ParameterAttribute &e = english[g].attributes[i];
            const ParameterAttribute &k = korean[g].attributes[i];
            EXPECT_EQ(e.Param_Group_ID, static_cast<int>(g));
            EXPECT_EQ(e.Param_ID, k.Param_ID);
            EXPECT_EQ(e.Param_Num, k.Param_Num);
            EXPECT_EQ(e.Param_Address, k.Param_Address);
            EXPECT_EQ(e.Param_Bit_Type, k.Param_Bit_Type);
            EXPECT_NE(e.Param_Name, k.Param_Name) << narrow(e.Param_Name) << " is not translated";
        }
    }
}

TEST(GeneratedCatalogue, KoreanTextsSurviveTheWayToUtf16)
{
    DatabaseSession session;
    ASSERT_TRUE(DB_FileOpen(widen(TARVEX_CATALOGUE_KOR)));
    const int count = DB_GetPrmCntInGrp(4);
    ASSERT_GT(count, 0);
    std::vector<ParameterAttribute> speed(static_cast<std::size_t>(count));
    ASSERT_TRUE(DB_GetParamAttr(4, speed.data(), count));
    EXPECT_EQ(speed.front().Param_Group_Name, u"속도 운전");
    bool jogFound = false;
    for (const ParameterAttribute &r : speed) {
        if (r.Param_Num == u"0x2305") {
            EXPECT_EQ(r.Param_Name, u"조그 속도");
            jogFound = true;
        }
    }
    EXPECT_TRUE(jogFound);
}

TEST(GeneratedCatalogue, CountsAddUpAndServosAreListed)
{
    DatabaseSession session;
    ASSERT_TRUE(DB_FileOpen(widen(TARVEX_CATALOGUE_ENG)));
    int sum = 0;
    for (int g = 0; g < 8; ++g)
        sum += DB_GetPrmCntInGrp(g);
    EXPECT_EQ(DB_GetAllParamCnt(), sum);
    EXPECT_LE(sum, 400);

    const int servos = DB_GetPrvServoCnt();
    ASSERT_GT(servos, 0);
    std::vector<ServoAttribute> list(static_cast<std::size_t>(servos));
    ASSERT_TRUE(DB_GetAllServoAttr(list.data(), servos));
    for (const ServoAttribute &s : list) {
        EXPECT_EQ(s.Param_Group_Cnt, 8);
        EXPECT_EQ(s.Servo_ID.rfind(u"M9A", 0), 0u);
    }
}

} // namespace
} // namespace vq::test
