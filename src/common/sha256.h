#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex {

// The SHA-256 of bytes handed over in pieces of any size.
class Sha256 {
public:
    // With the processor's SHA instructions where it has them, unless `instructions` is false.
    explicit Sha256(bool instructions = true);
    void Update(const void* data, std::size_t size);
    // The hash of all that was handed over, 32 bytes; the object is spent.
    std::array<unsigned char, 32> Digest();
    // The same in 64 hex digits.
    std::string Hex();

private:
    void Compress(const unsigned char* block);

    std::array<std::uint32_t, 8> h_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<unsigned char, 64> block_{};
    std::size_t used_ = 0;
    std::uint64_t length_ = 0;
    bool instructions_ = false;
};

// The SHA-256 of `bytes`, 64 hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace quorvex
