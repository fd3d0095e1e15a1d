// The shooting-time shift.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/jpegmeta/jpeg_commands.h"
#include "engine/jpegmeta/photo_info.h"
#include "support/jpeg_builder.h"
#include "support/temp_dir.h"

namespace pixmill::jpegmeta {
namespace {

using testing::ByteVector;
using testing::JpegBuilder;
using testing::TiffBuilder;

TEST(ShiftDateText, plainCalendarArithmetic) {
    struct Case {
        const char* from;
        long long hours;
        const char* to;  // nullptr: left alone
    };
    const Case cases[] = {
        {"2012:05:01 10:20:30", -11, "2012:04:30 23:20:30"},
        {"2012:05:31 10:20:30", 24, "2012:06:01 10:20:30"},
        {"2012:12:31 23:59:59", 1, "2013:01:01 00:59:59"},
        {"2012:02:28 12:00:00", 24, "2012:02:29 12:00:00"},
        {"2100:02:28 12:00:00", 24, "2100:03:01 12:00:00"},
        {"1965:03:01 00:30:00", -1, "1965:02:28 23:30:00"},  // before 1970 like any other
        {"2012:03:25 01:30:00", 1, "2012:03:25 02:30:00"},   // no daylight-saving gap
        {"2012:02:31 00:00:00", 0, "2012:03:02 00:00:00"},   // day 31 of February runs on
        {"0000:00:00 00:00:00", 5, nullptr},
        {"1899:12:31 23:00:00", 5, nullptr},
        {"2012:13:01 00:00:00", 5, nullptr},
        {"2012:01:32 00:00:00", 5, nullptr},
        {"2012:01:01 24:00:00", 5, nullptr},
        {"2012:01:01 00:60:00", 5, nullptr},
        {"2012:01:01 00:00", 5, nullptr},
        {"9999:12:31 23:00:00", 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        std::optional<std::string> shifted = shiftDateText(c.from, c.hours);
        if (c.to) {
            ASSERT_TRUE(shifted.has_value());
            EXPECT_EQ(*shifted, c.to);
        } else {
            EXPECT_FALSE(shifted.has_value());
        }
    }
}

class ShiftShootingTime : public ::testing::Test {
  protected:
    // A photo whose DateTimeOriginal value has `count` components; DateTime beside it.
    std::string photo(const std::string& name, const std::string& date, std::uint32_t count) {
        TiffBuilder tiff;
        tiff.ifd0().ascii(0x0132, "2012:05:01 10:20:30");
        ByteVector value(date.begin(), date.end());
        value.resize(count, 0);
        tiff.exifIfd().entry(0x9003, 2, count, value).ascii(0x9004, "2012:05:01 10:20:30");
        const std::string path = dir_.file(name);
        testing::writeBytes(path, JpegBuilder().exif(tiff.build()).image().build());
        return path;
    }
    testing::TempDir dir_;
};

TEST_F(ShiftShootingTime, overwritesOnlyTheValueItself) {
    for (std::uint32_t count : {20u, 19u}) {
        SCOPED_TRACE(count);
        const std::string path = photo("a.jpg", "2012:05:01 10:20:30", count);
        ByteVector before = testing::readBytes(path);
        PhotoInfoReader reader;
        (void)reader.parse(before);
        ASSERT_TRUE(reader.dateValue().has_value());
        const std::size_t at = reader.dateValue()->offset;
        // The byte after a 19-character value belongs to something else and must survive.
        if (count == 19)
            before[at + 19] = 'X';
        testing::writeBytes(path, before);

        ShiftResult result = shiftShootingTime(path, -11);
        ASSERT_EQ(result.status, JpegCommandStatus::Modified);
        EXPECT_EQ(result.newDate, "2012:04:30 23:20:30");
        const ByteVector after = testing::readBytes(path);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (after[i] != before[i]) {
                EXPECT_TRUE(i >= at && i < at + 19) << i;
            }
        }
        EXPECT_EQ(std::string(after.begin() + static_cast<long>(at),
                              after.begin() + static_cast<long>(at) + 19),
                  "2012:04:30 23:20:30");
        const std::string text(after.begin(), after.end());
        EXPECT_NE(text.find("2012:05:01 10:20:30"), std::string::npos);  // DateTime untouched
    }
}

TEST_F(ShiftShootingTime, leavesAloneWhatItCannotShiftSafely) {
    struct Case {
        const char* date;
        std::uint32_t count;
    };
    for (const Case& c :
         {Case{"0000:00:00 00:00:00", 20}, Case{"2012:05:01 10:20", 17}, Case{"2012:05:01", 11}}) {
        SCOPED_TRACE(c.date);
        const std::string path = photo("b.jpg", c.date, c.count);
        const ByteVector before = testing::readBytes(path);
        EXPECT_EQ(shiftShootingTime(path, 3).status, JpegCommandStatus::Unchanged);
        EXPECT_EQ(testing::readBytes(path), before);
    }
    const std::string png = dir_.file("p.jpg");
    testing::writeBytes(png, {0x89, 'P', 'N', 'G'});
    EXPECT_EQ(shiftShootingTime(png, 3).status, JpegCommandStatus::Unchanged);
}

}  // namespace
}  // namespace pixmill::jpegmeta
