#include <gtest/gtest.h>

#include "tools/nvxcall/table_format.h"

namespace nvxcall {
namespace {

TEST(NvxcallTable, ColumnsAlignByCharactersNotBytes)
{
    const Table table{{"Id", "Name"},
                      {"1", "Gr\xC3\xBC\xC3\x9F"
                            "e"},
                      {"22", "a\nb"}};
    EXPECT_EQ(AlignedColumns(table), "Id  Name\n"
                                     "--  -----\n"
                                     "1   Gr\xC3\xBC\xC3\x9F"
                                     "e\n"
                                     "22  a b\n");
    EXPECT_EQ(AlignedColumns({{"Id", "Name", "Price"}}), "Id  Name  Price\n--  ----  -----\n");
    EXPECT_EQ(AlignedColumns({}), "");
}

TEST(NvxcallTable, CsvQuotesOnlyWhatNeedsIt)
{
    const Table table{
        {"Id", "Note"}, {"1", "plain"}, {"2", "a,b"}, {"3", "say \"hi\""}, {"4", "two\r\nlines"}};
    EXPECT_EQ(Csv(table), "Id,Note\r\n"
                          "1,plain\r\n"
                          "2,\"a,b\"\r\n"
                          "3,\"say \"\"hi\"\"\"\r\n"
                          "4,\"two\r\nlines\"\r\n");
}

}  // namespace
}  // namespace nvxcall
