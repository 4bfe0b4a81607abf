#pragma once

#include <cstdint>
#include <span>
#include <string>

// The SHA-256 digest of the bytes, in lower-case hex (64 characters).
std::string sha256Hex(std::span<const std::uint8_t> bytes);
