#include "platform/disk.h"

#include <fcntl.h>
#include <linux/hdreg.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace varnet::platform {
namespace {

// The first disk: the first whole block device, by name, that sits on a device (not a loop,
// RAM, mapper or RAID device) and is not removable (not a CD drive or a USB stick).
std::optional<std::string> firstDisk() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/block", error)) {
    if (!std::filesystem::exists(entry.path() / "device", error))
      continue;
    std::ifstream removable(entry.path() / "removable");
    int flag = 0;
    if (removable >> flag && flag == 1)
      continue;
    names.push_back(entry.path().filename().string());
  }
  if (names.empty())
    return std::nullopt;
  return "/dev/" + *std::min_element(names.begin(), names.end());
}

// ATA IDENTIFY DEVICE through the SCSI generic ATA PASS-THROUGH (16) command: PIO data-in,
// one 512-byte block, transfer length in the sector count field.
bool identifyByPassThrough(int fd, std::array<uint8_t, 512>& data) {
  unsigned char cdb[16] = {};
  cdb[0] = 0x85;    // ATA PASS-THROUGH (16)
  cdb[1] = 4 << 1;  // protocol: PIO data-in
  cdb[2] = 0x0E;    // data from the device, length in blocks, given by the sector count
  cdb[6] = 1;       // sector count
  cdb[13] = 0xA0;   // device
  cdb[14] = 0xEC;   // IDENTIFY DEVICE
  unsigned char sense[32] = {};
  sg_io_hdr_t request = {};
  request.interface_id = 'S';
  request.dxfer_direction = SG_DXFER_FROM_DEV;
  request.cmd_len = sizeof cdb;
  request.cmdp = cdb;
  request.mx_sb_len = sizeof sense;
  request.sbp = sense;
  request.dxfer_len = data.size();
  request.dxferp = data.data();
  request.timeout = 5000;
  return ioctl(fd, SG_IO, &request) == 0 && request.status == 0 && request.host_status == 0 &&
         request.driver_status == 0 && request.resid == 0;
}

}  // namespace

IdentifyResult readFirstDiskIdentify() {
  IdentifyResult result;
  std::optional<std::string> disk = firstDisk();
  int fd = disk ? open(disk->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  if (fd < 0)
    return result;
  // HDIO_GET_IDENTITY hands back the block the driver read at start-up (libata and the old IDE
  // driver keep it); other controllers may still pass the command through.
  bool ok = ioctl(fd, HDIO_GET_IDENTITY, result.data.data()) == 0 ||
            identifyByPassThrough(fd, result.data);
  close(fd);
  result.status = ok ? IdentifyStatus::Ok : IdentifyStatus::RequestFailed;
  if (!ok)
    result.data.fill(0);
  return result;
}

}  // namespace varnet::platform
