// Emptying the image folder never deletes outside it.
#include <gtest/gtest.h>

#include <fstream>

#include "calibration/image_folder.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace vantis::calibration {
namespace {

void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
}

TEST(ImageFolder, OnlyPlainVendorWords) {
    EXPECT_TRUE(IsPlainFolderWord("Vendor"));
    EXPECT_TRUE(IsPlainFolderWord("my vendor.1"));
    for (const char* bad : {"", ".", "..", "../x", "/etc", "a/b", "x/"})
        EXPECT_FALSE(IsPlainFolderWord(bad)) << bad;
}

TEST(ImageFolder, UnsafeWordsDeleteNothing) {
    testing::TempFolder t("folder-words");
    const fs::path home = t.path() / "data";
    const fs::path keep = home / "keep.txt";
    const fs::path sibling = t.path() / "ImageData" / "keep.bmp";
    Touch(keep);
    Touch(sibling);
    std::string error;
    for (const std::string& word : std::vector<std::string>{"", ".", "..", "../..", t.path().string()}) {
        const fs::path folder = home / word / "ImageData";
        EXPECT_FALSE(EmptyImageFolder(home, word, folder, &error)) << word;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(fs::exists(keep));
    EXPECT_TRUE(fs::exists(sibling));
    // A folder that is not the word's image folder is refused too.
    EXPECT_FALSE(EmptyImageFolder(home, "Vendor", home, &error));
    EXPECT_FALSE(
        EmptyImageFolder("relative", "Vendor", fs::path("relative") / "Vendor" / "ImageData", &error));
    EXPECT_TRUE(fs::exists(keep));
}

TEST(ImageFolder, EmptiesFilesAndFoldersButNeverFollowsLinks) {
    testing::TempFolder t("folder-links");
    const fs::path home = t.path() / "data";
    const fs::path images = ImageFolderOf(home, "Vendor");
    const fs::path outside = t.path() / "outside";
    Touch(outside / "precious.txt");
    Touch(outside / "deeper" / "precious.txt");
    Touch(images / "CameraImage000.bmp");
    Touch(images / "old" / "nested" / "CameraImage001.bmp");
    fs::create_directory_symlink(outside, images / "link-to-folder");
    fs::create_symlink(outside / "precious.txt", images / "link-to-file");
    fs::create_directory_symlink(outside, images / "old" / "inner-link");

    std::string error;
    ASSERT_TRUE(EmptyImageFolder(home, "Vendor", images.string() + "/", &error)) << error;
    EXPECT_TRUE(fs::is_empty(images));
    EXPECT_TRUE(fs::exists(outside / "precious.txt"));
    EXPECT_TRUE(fs::exists(outside / "deeper" / "precious.txt"));
}

TEST(ImageFolder, ALinkedImageOrVendorFolderIsRefused) {
    testing::TempFolder t("folder-linked");
    const fs::path home = t.path() / "data";
    const fs::path outside = t.path() / "outside";
    Touch(outside / "precious.txt");
    fs::create_directories(home / "Vendor");
    fs::create_directory_symlink(outside, home / "Vendor" / "ImageData");
    std::string error;
    EXPECT_FALSE(EmptyImageFolder(home, "Vendor", ImageFolderOf(home, "Vendor"), &error));
    EXPECT_NE(error.find("symbolic link"), std::string::npos);
    fs::create_directory_symlink(outside, home / "Other");
    EXPECT_FALSE(EmptyImageFolder(home, "Other", ImageFolderOf(home, "Other"), &error));
    EXPECT_TRUE(fs::exists(outside / "precious.txt"));
}

TEST(ImageFolder, AMissingFolderIsCreated) {
    testing::TempFolder t("folder-missing");
    const fs::path home = t.path() / "data";
    std::string error;
    ASSERT_TRUE(EmptyImageFolder(home, "Vendor", ImageFolderOf(home, "Vendor"), &error)) << error;
    EXPECT_TRUE(fs::is_directory(ImageFolderOf(home, "Vendor")));
}

}  // namespace
}  // namespace vantis::calibration
