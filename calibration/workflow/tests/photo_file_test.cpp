// The workflows' photo reader: a forged header is refused before decoding.
#include "calibration/photo_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "test_support.h"

namespace vantis::calibration {
namespace {

TEST(PhotoFile, ReadsPhotosAndRefusesForgedSizesAndNonFiles) {
    testing::TempFolder folder("photo-file");
    auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = folder.path() / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    };
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(cv::imencode(".png", cv::Mat(3, 5, CV_8UC1, cv::Scalar(7)), png));
    const cv::Mat good =
        ReadPhotoFile(write("good.bmp", png), cv::IMREAD_GRAYSCALE);  // named .bmp, still read
    EXPECT_EQ(good.size(), cv::Size(5, 3));

    // The header claims 30000 x 30000 pixels.
    png[16] = png[20] = 0;
    png[17] = png[21] = 0;
    png[18] = png[22] = 0x75;
    png[19] = png[23] = 0x30;
    EXPECT_TRUE(ReadPhotoFile(write("bomb.png", png), cv::IMREAD_GRAYSCALE).empty());
    EXPECT_TRUE(ReadPhotoFile(folder.path().string(), cv::IMREAD_GRAYSCALE).empty());
    EXPECT_TRUE(ReadPhotoFile((folder.path() / "missing.bmp").string(), cv::IMREAD_GRAYSCALE).empty());
    EXPECT_TRUE(ReadPhotoFile("", cv::IMREAD_GRAYSCALE).empty());
}

}  // namespace
}  // namespace vantis::calibration
