// Arbitrary bytes through the engine's photo-reading path. The first byte
// picks the format the rest claims to be (BMP, PNG, JPEG or PNM); a missing signature is
// put in front so that the decoders, not the format sniffing, get exercised.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "photo_io.h"

namespace {

constexpr std::uint8_t kBmpSignature[] = {'B', 'M'};
constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint8_t kJpegSignature[] = {0xFF, 0xD8, 0xFF};
constexpr std::uint8_t kPnmSignature[] = {'P', '6'};

template <std::size_t N>
std::vector<std::uint8_t> WithSignature(const std::uint8_t (&signature)[N], const std::uint8_t* data,
                                        std::size_t size) {
    std::vector<std::uint8_t> bytes;
    if (size < N || !std::equal(signature, signature + N, data)) bytes.assign(signature, signature + N);
    bytes.insert(bytes.end(), data, data + size);
    return bytes;
}

// Decoded pictures are used the way the engine uses them.
void UsePicture(const cv::Mat& picture) {
    if (picture.empty()) return;
    if (picture.channels() == 3) (void)vantiscore::ToGrey(picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::vector<std::uint8_t> bytes;
    switch (data[0] & 3) {
        case 0:
            bytes = WithSignature(kBmpSignature, data + 1, size - 1);
            break;
        case 1:
            bytes = WithSignature(kPngSignature, data + 1, size - 1);
            break;
        case 2:
            bytes = WithSignature(kJpegSignature, data + 1, size - 1);
            break;
        default:
            bytes = WithSignature(kPnmSignature, data + 1, size - 1);
            break;
    }

    UsePicture(vantiscore::DecodePhoto(bytes, vantiscore::PhotoColour::kColour));
    UsePicture(vantiscore::DecodePhoto(bytes, vantiscore::PhotoColour::kGrey));

    // The same bytes as a photo file, as the engine's operations read them.
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("vantiscore-fuzz-" + std::to_string(::getpid()) + ".img"))
            .string();
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        UsePicture(vantiscore::ReadPhoto(path, vantiscore::PhotoColour::kColour));
        std::remove(path.c_str());
    }
    return 0;
}
