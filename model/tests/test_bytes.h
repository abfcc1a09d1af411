// Builds expected file bytes by hand, independently of the archive code.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testbytes {

struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes& u8(std::uint8_t b) {
        v.push_back(b);
        return *this;
    }
    Bytes& u16(std::uint16_t w) { return u8(w & 0xFF).u8(w >> 8); }
    Bytes& u32(std::uint32_t d) { return u16(d & 0xFFFF).u16(d >> 16); }
    Bytes& i32(std::int32_t d) { return u32(static_cast<std::uint32_t>(d)); }
    Bytes& f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return u32(bits);
    }
    Bytes& f64(double d) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        return u32(bits & 0xFFFFFFFF).u32(bits >> 32);
    }
    // ASCII text in the UTF-16 string form.
    Bytes& str(const std::string& ascii) {
        u8(0xFF).u16(0xFFFE);
        if (ascii.size() < 0xFF) {
            u8(static_cast<std::uint8_t>(ascii.size()));
        } else {
            u8(0xFF).u16(static_cast<std::uint16_t>(ascii.size()));
        }
        for (char c : ascii) u16(static_cast<unsigned char>(c));
        return *this;
    }
};

}  // namespace testbytes
