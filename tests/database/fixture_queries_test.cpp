// The queries against small catalogues that show their rules: which rows
// are counted, how lists are filled and bounded, and how every kind of cell
// is carried into the records.
#include "tests/database/fixture_catalogue.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace vq::test {
namespace {

class CatalogueQueries : public ::testing::Test {
protected:
    void SetUp() override { catalogue.createTables(); }

    void open()
    {
        ASSERT_TRUE(DB_FileOpen(catalogue.widePath()));
        ASSERT_TRUE(messages.texts.empty()) << narrow(messages.texts.front());
    }

    FixtureCatalogue catalogue;
    DatabaseSession session;
    MessageRecorder messages;
};

// A record whose every field shows that it was never assigned.
ParameterAttribute untouchedRecord()
{
    ParameterAttribute r;
    r.Param_ID = -999;
    r.Param_Num = u"untouched";
    r.Param_Address = 1;
    return r;
}

TEST_F(CatalogueQueries, CountsLeaveOutDashNumbersButListsDoNot)
{
    catalogue.addParameter(10, 2, "-", 300);
    catalogue.addParameter(11, 2, "-", 302);
    catalogue.addParameter(20, 3, "0x2200", 400);
    catalogue.addParameter(21, 3, "-", 402);
    catalogue.addParameter(22, 3, "0x2202", 404);
    open();

    EXPECT_EQ(DB_GetPrmCntInGrp(2), 0);
    EXPECT_EQ(DB_GetPrmCntInGrp(3), 2);
    EXPECT_EQ(DB_GetAllParamCnt(), 2);

    // The all-"-" group still lists its first row.
    ParameterAttribute first = untouchedRecord();
    ASSERT_TRUE(DB_GetParamAttr(2, &first, 1));
    EXPECT_EQ(first.Param_ID, 10);
    EXPECT_EQ(first.Param_Num, u"-");

    // With the count as capacity the list is the first rows, "-" included.
    std::array<ParameterAttribute, 2> rows;
    ASSERT_TRUE(DB_GetParamAttr(3, rows.data(), DB_GetPrmCntInGrp(3)));
    EXPECT_EQ(rows[0].Param_Num, u"0x2200");
    EXPECT_EQ(rows[1].Param_Num, u"-");
}

TEST_F(CatalogueQueries, ListsFillAtMostTheCapacity)
{
    for (int i = 0; i < 5; ++i)
        catalogue.addParameter(100 + i, 1, "0x200" + std::to_string(i), 80 + 2 * i);
    catalogue.addParameter(200, 2, "0x2100", 200);
    catalogue.addParameter(201, 2, "0x2101", 202);
    open();

    std::array<ParameterAttribute, 4> more;
    more.fill(untouchedRecord());
    ASSERT_TRUE(DB_GetParamAttr(1, more.data(), 3));
    EXPECT_EQ(more[0].Param_ID, 100);
    EXPECT_EQ(more[2].Param_ID, 102);
    EXPECT_EQ(more[3].Param_ID, -999) << "the record past the capacity must not be written";

    std::array<ParameterAttribute, 4> fewer;
    fewer.fill(untouchedRecord());
    ASSERT_TRUE(DB_GetParamAttr(2, fewer.data(), 4));
    EXPECT_EQ(fewer[1].Param_ID, 201);
    EXPECT_EQ(fewer[2].Param_ID, -999);
    EXPECT_EQ(fewer[2].Param_Num, u"untouched");
    EXPECT_EQ(fewer[3].Param_Address, 1);
}

TEST_F(CatalogueQueries, RowsComeInParamIdOrder)
{
    catalogue.addParameter(30, 4, "0x2302", 140);
    catalogue.addParameter(10, 4, "0x2300", 136);
    catalogue.addParameter(20, 4, "0x2301", 138);
    open();

    EXPECT_EQ(DB_GetFrPrmAddrInGrp(4), 136);
    std::array<ParameterAttribute, 3> rows;
    ASSERT_TRUE(DB_GetParamAttr(4, rows.data(), 3));
    EXPECT_EQ(rows[0].Param_ID, 10);
    EXPECT_EQ(rows[1].Param_ID, 20);
    EXPECT_EQ(rows[2].Param_ID, 30);
}

TEST_F(CatalogueQueries, EveryFieldIsCopied)
{
    catalogue.addParameter("7, '3', 5, 'PositionOperation', 'In-Position Width', '10', 'pulse', '60000', '-5', "
                           "444, 2, 2, 1, '0x2404'");
    open();

    ParameterAttribute r;
    ASSERT_TRUE(DB_GetParamAttr(5, &r, 1));
    EXPECT_EQ(r.Param_ID, 7);
    EXPECT_EQ(r.Servo_ID, u"3");
    EXPECT_EQ(r.Param_Group_ID, 5);
    EXPECT_EQ(r.Param_Group_Name, u"PositionOperation");
    EXPECT_EQ(r.Param_Name, u"In-Position Width");
    EXPECT_EQ(r.Param_Value, u"10");
    EXPECT_EQ(r.Param_Unit, u"pulse");
    EXPECT_EQ(r.Param_Max_Value, u"60000");
    EXPECT_EQ(r.Param_Min_Value, u"-5");
    EXPECT_EQ(r.Param_Address, 444);
    EXPECT_EQ(r.Param_DataType, 2);
    EXPECT_EQ(r.Param_Bit_Type, 2);
    EXPECT_EQ(r.Param_Change, 1);
    EXPECT_EQ(r.Param_Num, u"0x2404");
}

TEST_F(CatalogueQueries, FirstAddressOfAnEmptyGroupIsOneReportedError)
{
    catalogue.addParameter(1, 1, "0x2000", 80);
    open();

    EXPECT_EQ(DB_GetFrPrmAddrInGrp(6), 0);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find(u"no current record"), std::u16string::npos) << narrow(messages.texts[0]);

    // The empty group's count and list are no error.
    messages.texts.clear();
    EXPECT_EQ(DB_GetPrmCntInGrp(6), 0);
    ParameterAttribute r = untouchedRecord();
    EXPECT_TRUE(DB_GetParamAttr(6, &r, 1));
    EXPECT_EQ(r.Param_ID, -999);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(CatalogueQueries, AddressesAboveSignedRangeStayPositive)
{
    catalogue.addParameter(1, 1, "0x2000", 40000);
    catalogue.addParameter(2, 1, "0x2001", 65534);
    open();

    EXPECT_EQ(DB_GetFrPrmAddrInGrp(1), 40000);
    std::array<ParameterAttribute, 2> rows;
    ASSERT_TRUE(DB_GetParamAttr(1, rows.data(), 2));
    EXPECT_EQ(rows[0].Param_Address, 40000);
    EXPECT_EQ(rows[1].Param_Address, 65534);
}

// Numeric cells keep the low bits of whatever the file holds.
TEST_F(CatalogueQueries, NumericCellsKeepTheirLowBits)
{
    // Param_ID, Param_Group_ID, Param_Address, Param_DataType, Param_Bit_Type, Param_Change
    catalogue.addParameter("70000, '0', 1, 'G', 'wide', '0', '-', '0', '0', -2, 300, 258, -1, '0x1'");     // ints
    catalogue.addParameter("70001, '0', 1, 'G', 'real', '0', '-', '0', '0', 123.9, 8.7, -1.5, 1e30, '0x2'"); // reals
    catalogue.addParameter("70002, '0', 1, 'G', 'text', '0', '-', '0', '0', '12abc', 'x', '2', ' 7', '0x3'"); // texts
    catalogue.addParameter("70003, '0', 1, 'G', 'null', '0', '-', '0', '0', NULL, NULL, X'01', NULL, '0x4'"); // NULL, blob
    catalogue.addParameter("9223372036854775807, '0', 65537, 'G', 'huge', '0', '-', '0', '0', 4294967295, "
                           "-9223372036854775808, 0, 0, '0x5'");
    open();

    EXPECT_EQ(DB_GetFrPrmAddrInGrp(1), 65534);
    std::array<ParameterAttribute, 4> rows;
    ASSERT_TRUE(DB_GetParamAttr(1, rows.data(), 4));

    EXPECT_EQ(rows[0].Param_ID, static_cast<std::int16_t>(70000 & 0xFFFF));
    EXPECT_EQ(rows[0].Param_Address, 65534);
    EXPECT_EQ(rows[0].Param_DataType, 300 & 0xFF);
    EXPECT_EQ(rows[0].Param_Bit_Type, 258 & 0xFF);
    EXPECT_EQ(rows[0].Param_Change, 0xFF);

    EXPECT_EQ(rows[1].Param_Address, 123) << "reals are truncated towards zero";
    EXPECT_EQ(rows[1].Param_DataType, 8);
    EXPECT_EQ(rows[1].Param_Bit_Type, 0xFF);
    EXPECT_EQ(rows[1].Param_Change, 0xFF) << "a real beyond the 64-bit range saturates";

    EXPECT_EQ(rows[2].Param_Address, 12) << "a text gives its leading digits";
    EXPECT_EQ(rows[2].Param_DataType, 0);
    EXPECT_EQ(rows[2].Param_Bit_Type, 2);
    EXPECT_EQ(rows[2].Param_Change, 7);

    EXPECT_EQ(rows[3].Param_Address, 0);
    EXPECT_EQ(rows[3].Param_DataType, 0);
    EXPECT_EQ(rows[3].Param_Bit_Type, 0) << "a blob gives 0";
    EXPECT_EQ(rows[3].Param_Change, 0);

    // Group 65537 is group 1 only by its low bits; the query asks for 65537.
    ParameterAttribute huge;
    ASSERT_TRUE(DB_GetParamAttr(65537, &huge, 1));
    EXPECT_EQ(huge.Param_ID, -1);
    EXPECT_EQ(huge.Param_Group_ID, 1);
    EXPECT_EQ(huge.Param_Address, 0xFFFF);
    EXPECT_EQ(huge.Param_DataType, 0);
}

TEST_F(CatalogueQueries, TextCellsArriveAsUtf16)
{
    catalogue.addParameter("1, '0', 1, '속도 운전', '조그 속도', '500', '℃', '6000', '0', 80, 3, 1, 0, '0x2305'");
    catalogue.addParameter("2, NULL, 1, 'G', CAST(X'41FF42' AS TEXT), 12.5, '\xF0\x9F\x94\xA7', 6000, 0, 82, 3, 1, 0, "
                           "'0x2306'");
    open();

    std::array<ParameterAttribute, 2> rows;
    ASSERT_TRUE(DB_GetParamAttr(1, rows.data(), 2));
    EXPECT_EQ(rows[0].Param_Group_Name, u"속도 운전");
    EXPECT_EQ(rows[0].Param_Name, u"조그 속도");
    EXPECT_EQ(rows[0].Param_Unit, u"℃");

    EXPECT_EQ(rows[1].Servo_ID, u"") << "NULL text is empty";
    EXPECT_EQ(rows[1].Param_Name, u"A\uFFFDB") << "a malformed byte becomes U+FFFD";
    EXPECT_EQ(rows[1].Param_Value, u"12.5") << "a number in a text field is taken as its text";
    EXPECT_EQ(rows[1].Param_Unit, u"\U0001F527") << "characters beyond the BMP become surrogate pairs";
    EXPECT_EQ(rows[1].Param_Max_Value, u"6000");
}

TEST_F(CatalogueQueries, ListsRefuseNoArrayOrNoCapacity)
{
    catalogue.addParameter(1, 1, "0x2000", 80);
    catalogue.addServo("M9A-01", "M9A 100W", 8);
    open();

    ParameterAttribute r = untouchedRecord();
    EXPECT_FALSE(DB_GetParamAttr(1, &r, 0));
    EXPECT_FALSE(DB_GetParamAttr(1, &r, -1));
    EXPECT_EQ(r.Param_ID, -999) << "a capacity below 1 asks for no record";
    EXPECT_FALSE(DB_GetParamAttr(1, nullptr, 5));

    ServoAttribute s;
    s.Servo_ID = u"untouched";
    EXPECT_FALSE(DB_GetAllServoAttr(&s, 0));
    EXPECT_FALSE(DB_GetAllServoAttr(nullptr, 3));
    EXPECT_EQ(s.Servo_ID, u"untouched");
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(CatalogueQueries, ServoListComesInServoIdOrder)
{
    catalogue.addServo("M9A-04", "M9A 400W", 8);
    catalogue.addServo("M9A-01", "M9A 100W", 8);
    catalogue.addServo("M9A-02", "M9A 200W", 65544); // 65544 = 65536 + 8
    open();

    EXPECT_EQ(DB_GetPrvServoCnt(), 3);
    std::array<ServoAttribute, 3> servos;
    servos[2].Servo_ID = u"untouched";
    ASSERT_TRUE(DB_GetAllServoAttr(servos.data(), 2));
    EXPECT_EQ(servos[0].Servo_ID, u"M9A-01");
    EXPECT_EQ(servos[0].Servo_Name, u"M9A 100W");
    EXPECT_EQ(servos[0].Param_Group_Cnt, 8);
    EXPECT_EQ(servos[1].Servo_ID, u"M9A-02");
    EXPECT_EQ(servos[1].Param_Group_Cnt, 8);
    EXPECT_EQ(servos[2].Servo_ID, u"untouched");
}

TEST_F(CatalogueQueries, ColumnsAreFoundByName)
{
    FixtureCatalogue shuffled;
    shuffled.execute("CREATE TABLE Provided_Servo (Param_Group_Cnt, Servo_Name, Servo_ID);"
                     "CREATE TABLE Parameter (Param_Num, Param_Change, Param_Bit_Type, Param_DataType, "
                     "Param_Address, Param_Min_Value, Param_Max_Value, Param_Unit, Param_Value, Param_Name, "
                     "Param_Group_Name, Param_Group_ID, Servo_ID, Param_ID, Extra);"
                     "INSERT INTO Parameter VALUES ('0x2000', 1, 1, 3, 80, '0', '999', '-', '0', 'Motor ID', "
                     "'System', 1, '0', 101, 'ignored');"
                     "INSERT INTO Provided_Servo VALUES (8, 'M9A 100W', 'M9A-01');");
    ASSERT_TRUE(DB_FileOpen(shuffled.widePath()));

    ParameterAttribute r;
    ASSERT_TRUE(DB_GetParamAttr(1, &r, 1));
    EXPECT_EQ(r.Param_ID, 101);
    EXPECT_EQ(r.Param_Num, u"0x2000");
    EXPECT_EQ(r.Param_Address, 80);
    EXPECT_EQ(r.Param_Name, u"Motor ID");
    ServoAttribute s;
    ASSERT_TRUE(DB_GetAllServoAttr(&s, 1));
    EXPECT_EQ(s.Servo_ID, u"M9A-01");
    EXPECT_EQ(s.Param_Group_Cnt, 8);
}

TEST_F(CatalogueQueries, AnOverlongCellFailsItsQueryOnce)
{
    catalogue.addParameter("1, '0', 1, 'G', printf('%.100000c', 'x'), '0', '-', '0', '0', 80, 3, 1, 0, '0x2000'");
    open();

    EXPECT_EQ(DB_GetPrmCntInGrp(1), 1);
    ParameterAttribute r;
    EXPECT_FALSE(DB_GetParamAttr(1, &r, 1));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find(u"too big"), std::u16string::npos) << narrow(messages.texts[0]);
}

// A catalogue that changes under the open connection (here: loses its table)
// fails each query with one message and a 0 or false answer.
TEST_F(CatalogueQueries, AnEngineErrorDuringAQueryIsReportedOnce)
{
    catalogue.addParameter(1, 1, "0x2000", 80);
    catalogue.addServo("M9A-01", "M9A 100W", 8);
    open();
    catalogue.execute("DROP TABLE Parameter; DROP TABLE Provided_Servo;");

    const auto expectOneMessage = [this](const char *operation) {
        ASSERT_EQ(messages.texts.size(), 1u) << operation;
        EXPECT_NE(messages.texts[0].find(u"no such table"), std::u16string::npos) << narrow(messages.texts[0]);
        messages.texts.clear();
    };
    EXPECT_EQ(DB_GetPrmCntInGrp(1), 0);
    expectOneMessage("count");
    EXPECT_EQ(DB_GetFrPrmAddrInGrp(1), 0);
    expectOneMessage("first address");
    EXPECT_EQ(DB_GetAllParamCnt(), 0);
    expectOneMessage("all count");
    ParameterAttribute r;
    EXPECT_FALSE(DB_GetParamAttr(1, &r, 1));
    expectOneMessage("list");
    EXPECT_EQ(DB_GetPrvServoCnt(), 0);
    expectOneMessage("servo count");
    ServoAttribute s;
    EXPECT_FALSE(DB_GetAllServoAttr(&s, 1));
    expectOneMessage("servo list");
}

} // namespace
} // namespace vq::test
