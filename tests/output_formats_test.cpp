// Encoder lookup, the output format table and the parameter blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/gdiputil.h"
#include "imaging/output_formats.h"

using namespace orvelle;

namespace {

const GUID kUntouched = {0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

TEST(FindEncoderByMime, ExactMatchOnly) {
    GUID clsid{};
    const int32_t jpeg = FindEncoderByMime("image/jpeg", clsid);
    ASSERT_GE(jpeg, 0);
    const GUID jpegClsid = {0x557CF401, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    EXPECT_EQ(clsid, jpegClsid);
    for (const char* wrong : {"IMAGE/JPEG", "image/jpg", "image/jpeg ", "", "image/tif"}) {
        GUID untouched = kUntouched;
        EXPECT_EQ(FindEncoderByMime(wrong, untouched), -1) << wrong;
        EXPECT_EQ(untouched, kUntouched);
    }
    for (int i = 0; i < kOutputFormatCount; ++i) {
        GUID found{};
        EXPECT_GE(FindEncoderByMime(OutputFormatTable[i].MimeType, found), 0);
    }
}

// A fake encoder list: two encoders share a MIME type.
int g_listCalls = 0;
GpStatus fakeSize(UINT* count, UINT* size) {
    *count = 3;
    *size = 3 * sizeof(ImageCodecInfo) + 64;
    return Ok;
}
GpStatus fakeList(UINT, UINT, ImageCodecInfo* buffer) {
    ++g_listCalls;
    static const char16_t tiff[] = u"image/tiff", png[] = u"image/png";
    const char16_t* mimes[] = {tiff, png, tiff};
    for (uint32_t i = 0; i < 3; ++i) {
        buffer[i].Clsid = {i + 1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
        buffer[i].MimeType = mimes[i];
    }
    return Ok;
}
GpStatus emptySize(UINT* count, UINT* size) {
    *count = 5;
    *size = 0;
    return Ok;
}

TEST(FindEncoderByMime, LastOfEqualTypesWins) {
    const EncoderListSource fake{&fakeSize, &fakeList};
    GUID clsid{};
    EXPECT_EQ(FindEncoderByMime("image/tiff", clsid, fake), 2);
    EXPECT_EQ(clsid.Data1, 3u);
    EXPECT_EQ(FindEncoderByMime("image/png", clsid, fake), 1);
}

TEST(FindEncoderByMime, NoListNoAllocation) {
    const EncoderListSource empty{&emptySize, &fakeList};
    g_listCalls = 0;
    GUID clsid = kUntouched;
    EXPECT_EQ(FindEncoderByMime("image/tiff", clsid, empty), -1);
    EXPECT_EQ(g_listCalls, 0);
    EXPECT_EQ(clsid, kUntouched);
}

// The controls and the command line choose a format at the edge; the jobs take the value.
TEST(OutputFormatTable, ControlsMapToTheSameFormats) {
    for (int box = 0; box < kOutputFormatCount; ++box) {
        const auto format = exportFormatOfBox(box);
        ASSERT_TRUE(format.has_value());
        EXPECT_EQ(exportFormatOfFilter(box + 1), format);
        EXPECT_EQ(formatByBoxIndex(box).MimeType, formatRow(*format).MimeType);
    }
    EXPECT_FALSE(exportFormatOfBox(-1).has_value());
    EXPECT_FALSE(exportFormatOfBox(6).has_value());
    EXPECT_FALSE(exportFormatOfFilter(0).has_value());
    EXPECT_STREQ(formatRow(ExportFormat::Tiff).Extension, ".TIF");
}

TEST(OutputFormatTable, BoxIndices) {
    EXPECT_EQ(formatByBoxIndex(2).Extension, ".GIF");
    EXPECT_EQ(formatByBoxIndex(2).MimeType, "image/gif");
    for (int outside : {-1, 6, 100}) {
        EXPECT_TRUE(formatByBoxIndex(outside).Extension.empty());
        EXPECT_TRUE(formatByBoxIndex(outside).MimeType.empty());
    }
    EXPECT_STREQ(OutputFormatTable[0].Label, "JPEG格式");
    EXPECT_STREQ(OutputFormatTable[4].FilterMask, "*.TIF");
}

TEST(ParameterBlocks, OneLongParameterPointingAtItsValue) {
    QualityParams quality;
    const EncoderParameters* block = quality.block();
    EXPECT_EQ(block->Count, 1u);
    EXPECT_EQ(block->Parameter[0].Guid, EncoderQuality);
    EXPECT_EQ(block->Parameter[0].NumberOfValues, 1u);
    EXPECT_EQ(block->Parameter[0].Type, 4u);
    EXPECT_EQ(*static_cast<const uint32_t*>(block->Parameter[0].Value), 80u);

    SaveFlagParams flags;
    EXPECT_EQ(flags.block()->Parameter[0].Guid, EncoderSaveFlag);
    EXPECT_EQ(*static_cast<const uint32_t*>(flags.block()->Parameter[0].Value), 18u);
    flags.setValue(EncoderValueFrameDimensionPage);
    EXPECT_EQ(*static_cast<const uint32_t*>(flags.block()->Parameter[0].Value), 23u);
}

}  // namespace
