#pragma once

// The first physical disk's ATA IDENTIFY DEVICE data.

#include <array>
#include <cstdint>

namespace varnet::platform {

enum class IdentifyStatus { Ok, OpenFailed, RequestFailed };

struct IdentifyResult {
  IdentifyStatus status = IdentifyStatus::OpenFailed;
  std::array<uint8_t, 512> data{};  // 256 little-endian 16-bit words, valid when status is Ok
};

// SMART IDENTIFY on \\.\PHYSICALDRIVE0 on Windows; ATA IDENTIFY of the first disk on Linux.
IdentifyResult readFirstDiskIdentify();

}  // namespace varnet::platform
