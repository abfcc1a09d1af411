#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "photo_io.h"
#include "synthetic_photos.h"

namespace {

using namespace vantiscore;

std::vector<std::uint8_t> Encode(const std::string& extension, const cv::Mat& picture) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(cv::imencode(extension, picture, bytes));
    return bytes;
}

TEST(PhotoDecode, BmpAndPngInColourAndGrey) {
    cv::Mat picture(6, 8, CV_8UC3, cv::Scalar(10, 20, 30));
    for (const std::string ext : {".bmp", ".png"}) {
        const std::vector<std::uint8_t> bytes = Encode(ext, picture);
        const cv::Mat colour = DecodePhoto(bytes, PhotoColour::kColour);
        ASSERT_EQ(colour.size(), cv::Size(8, 6)) << ext;
        EXPECT_EQ(colour.type(), CV_8UC3);
        EXPECT_EQ(colour.at<cv::Vec3b>(0, 0), cv::Vec3b(10, 20, 30));
        EXPECT_EQ(DecodePhoto(bytes, PhotoColour::kGrey).type(), CV_8UC1);
    }
}

// The detection scales only the channel's region of each pattern photo: it
// must see there the very pixels the whole picture scaled would give, at the
// picture's edges too; a photo of another scale is scaled whole.
TEST(PhotoWorkSize, PartScaledAroundARectangleEqualsTheWholePictureScaled) {
    cv::Mat photo(kWorkHeight / 3, kWorkWidth / 3, CV_8UC3);
    cv::randu(photo, cv::Scalar::all(0), cv::Scalar::all(256));
    const cv::Mat whole = ToWorkSize(photo);
    for (const cv::Rect rect : {cv::Rect(1001, 700, 1375, 893), cv::Rect(0, 0, 40, 31),
                                cv::Rect(kWorkWidth - 50, kWorkHeight - 7, 50, 7)}) {
        cv::Mat part;
        ToWorkSize(photo, rect, &part);
        ASSERT_EQ(part.size(), whole.size());
        EXPECT_EQ(cv::norm(part(rect), whole(rect), cv::NORM_INF), 0.0) << rect;
    }
    const cv::Mat odd(photo(cv::Rect(0, 0, 1000, 700)).clone());
    cv::Mat part;
    ToWorkSize(odd, cv::Rect(10, 10, 100, 100), &part);
    EXPECT_EQ(cv::norm(part, ToWorkSize(odd), cv::NORM_INF), 0.0);
}

TEST(PhotoDecode, GreyConversionWeighsTheFirstChannelAsRed) {
    // B = 100, G = 0, R = 0 as stored: the RGB weights put 0.299 on it.
    const cv::Mat blue(1, 1, CV_8UC3, cv::Scalar(100, 0, 0));
    EXPECT_EQ(ToGrey(blue).at<uchar>(0, 0), 30);
}

TEST(PhotoDecode, ForgedGiantHeaderIsRefusedBeforeDecoding) {
    std::vector<std::uint8_t> bmp = Encode(".bmp", cv::Mat(2, 2, CV_8UC3, cv::Scalar::all(1)));
    bmp[18] = 0xff;  // width 0x7fff00ff
    bmp[21] = 0x7f;
    EXPECT_TRUE(DecodePhoto(bmp, PhotoColour::kColour).empty());
    std::vector<std::uint8_t> png = Encode(".png", cv::Mat(2, 2, CV_8UC3, cv::Scalar::all(1)));
    // 16384 x 16384: within the decoder's own limits, far beyond any camera.
    png[16] = png[17] = png[19] = 0;
    png[18] = 0x40;
    png[20] = png[21] = png[23] = 0;
    png[22] = 0x40;
    EXPECT_TRUE(DecodePhoto(png, PhotoColour::kColour).empty());
    EXPECT_TRUE(DecodePhoto({'B', 'M', 0}, PhotoColour::kColour).empty());
    EXPECT_TRUE(DecodePhoto({}, PhotoColour::kGrey).empty());
}

TEST(PhotoDecode, JpegIsDecodedAndItsForgedSizeRefusedWhateverTheName) {
    const cv::Mat picture(6, 8, CV_8UC3, cv::Scalar(60, 60, 60));
    std::vector<std::uint8_t> jpeg = Encode(".jpg", picture);
    EXPECT_EQ(DecodePhoto(jpeg, PhotoColour::kColour).size(), cv::Size(8, 6));
    // The frame header's height and width become 30000 each: a few hundred bytes
    // that would make the decoder allocate gigabytes.
    std::size_t at = 2;
    while (at + 9 < jpeg.size() && !(jpeg[at] == 0xFF && jpeg[at + 1] >= 0xC0 && jpeg[at + 1] <= 0xC2)) ++at;
    ASSERT_LT(at + 9, jpeg.size());
    jpeg[at + 5] = jpeg[at + 7] = 0x75;
    jpeg[at + 6] = jpeg[at + 8] = 0x30;
    EXPECT_TRUE(DecodePhoto(jpeg, PhotoColour::kColour).empty());
    synthetic::TempFolder folder;
    EXPECT_TRUE(
        ReadPhoto(folder.WriteBytes("bomb.bmp", std::string(jpeg.begin(), jpeg.end())), PhotoColour::kGrey)
            .empty());
    // A format whose header is not checked is not decoded at all.
    if (cv::haveImageWriter(".tiff")) {
        EXPECT_TRUE(DecodePhoto(Encode(".tiff", picture), PhotoColour::kColour).empty());
    }
}

TEST(PhotoRead, FilesThatAreNoPhotosGiveEmptyImages) {
    synthetic::TempFolder folder;
    EXPECT_TRUE(ReadPhoto(folder.Path("missing.bmp"), PhotoColour::kColour).empty());
    EXPECT_TRUE(ReadPhoto(folder.WriteBytes("empty.png", ""), PhotoColour::kColour).empty());
    EXPECT_TRUE(ReadPhoto(folder.Path(""), PhotoColour::kColour).empty());  // the folder itself
    EXPECT_TRUE(ReadPhoto("", PhotoColour::kColour).empty());
    const std::string good = folder.Write("good.bmp", cv::Mat(3, 4, CV_8UC3, cv::Scalar::all(9)));
    EXPECT_EQ(ReadPhoto(good, PhotoColour::kColour).size(), cv::Size(4, 3));
    EXPECT_EQ(ReadWorkPhoto(good).size(), cv::Size(kWorkWidth, kWorkHeight));
}

}  // namespace
