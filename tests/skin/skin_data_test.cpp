// The .SHE skin data: what is accepted, and every way of being refused.

#include "skin/SkinData.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace quilbex::skin {
namespace {

using Bytes = std::vector<std::uint8_t>;

SkinError refusal(const Bytes& data) {
    auto result = unpack_skin(data);
    return std::holds_alternative<SkinError>(result) ? std::get<SkinError>(result) : SkinError::None;
}

TEST(SkinData, packed_sheet_unpacks_to_the_same_text) {
    std::string sheet = "button { color: #123456; }\n";
    Bytes data = pack_skin(sheet);
    ASSERT_EQ(data.size(), kSkinHeaderSize + sheet.size() + 4);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 5), (Bytes{'.', 'S', 'H', 'E', 0}));
    auto result = unpack_skin(data);
    ASSERT_TRUE(std::holds_alternative<std::string>(result));
    EXPECT_EQ(std::get<std::string>(result), sheet);
    EXPECT_EQ(std::get<std::string>(unpack_skin(pack_skin(""))), "");
}

TEST(SkinData, checksum_is_the_standard_crc32) {
    std::string check = "123456789";
    EXPECT_EQ(crc32({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xCBF43926u);
}

TEST(SkinData, refuses_foreign_cut_padded_and_altered_data) {
    Bytes good = pack_skin("window { background-color: #e3e3e3; }");
    EXPECT_EQ(refusal(good), SkinError::None);
    EXPECT_EQ(refusal({}), SkinError::NoData);

    Bytes foreign = good;
    foreign[1] = 's';
    EXPECT_EQ(refusal(foreign), SkinError::BadSignature);
    EXPECT_EQ(refusal(Bytes{'.', 'S', 'H'}), SkinError::BadSignature);
    EXPECT_EQ(refusal(Bytes{'M', 'Z', 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0}), SkinError::BadSignature);

    Bytes version = good;
    version[5] = 2;
    EXPECT_EQ(refusal(version), SkinError::UnsupportedVersion);

    for (std::size_t n = 5; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        SkinError error = refusal(cut);
        EXPECT_TRUE(error == SkinError::BadLength || error == SkinError::UnsupportedVersion) << n;
    }
    Bytes padded = good;
    padded.push_back(0);
    EXPECT_EQ(refusal(padded), SkinError::BadLength);
    Bytes huge = good;
    huge[9] = huge[10] = huge[11] = huge[12] = 0xFF;
    EXPECT_EQ(refusal(huge), SkinError::BadLength);

    for (std::size_t at : {kSkinHeaderSize, good.size() - 5, good.size() - 1}) {
        Bytes altered = good;
        altered[at] ^= 0x20;
        EXPECT_EQ(refusal(altered), SkinError::BadChecksum) << at;
    }
}

TEST(SkinData, program_skin_built_from_its_style_sheet_is_valid) {
    std::ifstream file(QUILBEX_SKIN_DATA, std::ios::binary);
    ASSERT_TRUE(file) << QUILBEX_SKIN_DATA;
    Bytes data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto result = unpack_skin(data);
    ASSERT_TRUE(std::holds_alternative<std::string>(result));
    EXPECT_NE(std::get<std::string>(result).find("#e3e3e3"), std::string::npos);
}

}  // namespace
}  // namespace quilbex::skin
