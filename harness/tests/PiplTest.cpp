#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pipl.h"

using namespace frostel::hostsim;

namespace {

// Builds property lists the way the resource compiler lays them out.
class PiplBuilder {
public:
    PiplBuilder& Header(int16_t marker = 1, int32_t version = 0) {
        U16(uint16_t(marker));
        U32(uint32_t(version));
        countAt_ = bytes_.size();
        U32(0);
        return *this;
    }
    PiplBuilder& Property(uint32_t key, const std::vector<uint8_t>& data, uint32_t vendor = kPiplVendor,
                          bool pad = true) {
        U32(vendor);
        U32(key);
        U32(0);
        U32(uint32_t(data.size()));
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        // Data is padded to a multiple of 4; records follow the 10-byte header.
        while (pad && (bytes_.size() - 10) % 4 != 0) bytes_.push_back(0);
        SetCount(++count_);
        return *this;
    }
    PiplBuilder& Name(uint32_t key, const std::string& name) {
        std::vector<uint8_t> d(name.begin(), name.end());
        d.push_back(0);
        return Property(key, d);
    }
    std::vector<uint8_t> bytes() const { return bytes_; }
    void SetCount(int32_t n) {
        for (int i = 0; i < 4; ++i) bytes_[countAt_ + size_t(i)] = uint8_t(uint32_t(n) >> (8 * i));
    }

private:
    void U16(uint16_t v) {
        bytes_.push_back(uint8_t(v));
        bytes_.push_back(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t> bytes_;
    size_t countAt_ = 0;
    int32_t count_ = 0;
};

PiplEntry Find(const std::vector<uint8_t>& b, uint32_t key) { return FindPiplEntryName(b.data(), b.size(), key); }

}  // namespace

TEST(PiplTest, FourCharacterCodesAreStoredLittleEndian) {
    const std::vector<uint8_t> b = PiplBuilder().Header().Name(kPiplEntry64, "Go").bytes();
    // Vendor '8BIM' appears as "MIB8", key '8664' as "4668".
    EXPECT_EQ(std::string(b.begin() + 10, b.begin() + 14), "MIB8");
    EXPECT_EQ(std::string(b.begin() + 14, b.begin() + 18), "4668");
    EXPECT_EQ(FourCCText(kPiplEntry32), "wx86");
}

TEST(PiplTest, FindsTheEntryForEachProcessor) {
    const std::vector<uint8_t> b = PiplBuilder()
                                       .Header()
                                       .Property(kPiplKind, {'M', 'F', 'B', '8'})
                                       .Name(pi::FourCC("name"), "\x08" "Frostel.")
                                       .Name(kPiplEntry32, "Entry32")
                                       .Name(kPiplEntry64, "PluginMain")
                                       .bytes();
    const PiplEntry e64 = Find(b, kPiplEntry64);
    ASSERT_TRUE(e64.ok) << e64.error;
    EXPECT_EQ(e64.name, "PluginMain");
    const PiplEntry e32 = Find(b, kPiplEntry32);
    ASSERT_TRUE(e32.ok) << e32.error;
    EXPECT_EQ(e32.name, "Entry32");

    const PiplParse all = ParsePipl(b.data(), b.size());
    ASSERT_TRUE(all.ok);
    ASSERT_EQ(all.properties.size(), 4u);
    EXPECT_EQ(all.properties[0].key, kPiplKind);
    EXPECT_EQ(all.properties[0].data.size(), 4u);
}

TEST(PiplTest, PaddingAfterOddLengthsIsSkipped) {
    // "Main" + NUL is 5 bytes: the next record starts after 3 padding bytes.
    const std::vector<uint8_t> b =
        PiplBuilder().Header().Name(kPiplEntry32, "Main").Name(kPiplEntry64, "Main64").bytes();
    const PiplEntry e = Find(b, kPiplEntry64);
    ASSERT_TRUE(e.ok) << e.error;
    EXPECT_EQ(e.name, "Main64");
    // The last record may end without its padding.
    std::vector<uint8_t> unpadded = b;
    unpadded.resize(unpadded.size() - 1);
    EXPECT_TRUE(Find(unpadded, kPiplEntry64).ok);
}

TEST(PiplTest, OtherVendorsAreIgnored) {
    const std::vector<uint8_t> b = PiplBuilder()
                                       .Header()
                                       .Property(kPiplEntry64, {'X', 0, 0, 0}, pi::FourCC("ACME"))
                                       .Name(kPiplEntry64, "Real")
                                       .bytes();
    EXPECT_EQ(Find(b, kPiplEntry64).name, "Real");
}

TEST(PiplTest, RejectsDamagedLists) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;  // fragment of the message
    };
    std::vector<uint8_t> truncated = PiplBuilder().Header().Name(kPiplEntry64, "PluginMain").bytes();
    truncated.resize(truncated.size() - 8);
    PiplBuilder overCount;
    overCount.Header().Name(kPiplEntry64, "PluginMain").SetCount(2);
    std::vector<uint8_t> negative = PiplBuilder().Header().Name(kPiplEntry64, "P").bytes();
    for (int i = 0; i < 4; ++i) negative[22 + size_t(i)] = 0xFF;
    const Case cases[] = {
        {"empty", {}, "truncated"},
        {"bad marker", PiplBuilder().Header(2).Name(kPiplEntry64, "P").bytes(), "marker"},
        {"bad version", PiplBuilder().Header(1, 3).Name(kPiplEntry64, "P").bytes(), "version"},
        {"data past end", truncated, "past the end"},
        {"count too high", overCount.bytes(), "truncated"},
        {"negative length", negative, "negative length"},
        {"no entry", PiplBuilder().Header().Name(kPiplEntry32, "OnlyX86").bytes(), "no entry point"},
        {"unterminated", PiplBuilder().Header().Property(kPiplEntry64, {'A', 'B', 'C', 'D'}).bytes(),
         "not terminated"},
        {"empty name", PiplBuilder().Header().Property(kPiplEntry64, {0, 0, 0, 0}).bytes(), "empty"},
    };
    for (const Case& c : cases) {
        const PiplEntry e = Find(c.bytes, kPiplEntry64);
        EXPECT_FALSE(e.ok) << c.name;
        EXPECT_NE(e.error.find(c.error), std::string::npos) << c.name << ": " << e.error;
    }
    EXPECT_FALSE(FindPiplEntryName(nullptr, 0, kPiplEntry64).ok);
}
