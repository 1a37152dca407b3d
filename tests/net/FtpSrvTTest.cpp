// MDTM time stamps.
#include <gtest/gtest.h>

#include "net/FtpSrvT.h"

namespace {

TEST(MdtmToDateTimeTest, ReadsStampsAndRefusesWhatIsNoDate) {
    TDateTime expected = EncodeDate(2006, 1, 2) + EncodeTime(3, 4, 5, 0);
    EXPECT_DOUBLE_EQ(MdtmToDateTime("20060102030405"), expected);
    EXPECT_DOUBLE_EQ(MdtmToDateTime("20060102030405.678"), expected + EncodeTime(0, 0, 0, 678));
    EXPECT_DOUBLE_EQ(MdtmToDateTime("20060102030405.6"), expected);  // too short for milliseconds
    EXPECT_EQ(MdtmToDateTime("2006010203040"), 0);
    EXPECT_EQ(MdtmToDateTime("20061302030405"), 0);
    EXPECT_EQ(MdtmToDateTime("20060100030405"), 0);
    EXPECT_EQ(MdtmToDateTime("20060230030405"), -1);
    EXPECT_EQ(MdtmToDateTime("20060102250405"), -1);
    EXPECT_EQ(MdtmToDateTime("20060102036005"), -1);
}

TEST(MdtmToDateTimeTest, FieldsThatAreNotDigitsGiveNoDate) {
    EXPECT_EQ(MdtmToDateTime("2006-1-2 3:04:05"), 0);
    EXPECT_EQ(MdtmToDateTime("200601020304O5"), 0);
    EXPECT_EQ(MdtmToDateTime("20060102030405.6x8"), 0);
    EXPECT_EQ(MdtmToDateTime("+2006010203040"), 0);
}

}  // namespace
