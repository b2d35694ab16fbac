#include "platform/disk.h"

#include <windows.h>

#include <winioctl.h>

#include <cstddef>
#include <cstring>

namespace varnet::platform {
namespace {

constexpr DWORD kQueryLength = sizeof(SENDCMDINPARAMS) - 1;           // 32: without the data byte
constexpr DWORD kAnswerHeader = offsetof(SENDCMDOUTPARAMS, bBuffer);  // 16
constexpr DWORD kAnswerLength = kAnswerHeader + 512;                  // 528
static_assert(kQueryLength == 32 && kAnswerHeader == 16, "the SMART request's packed layout");

}  // namespace

IdentifyResult readFirstDiskIdentify() {
  IdentifyResult result;
  HANDLE drive =
      CreateFileW(L"\\\\.\\PHYSICALDRIVE0", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (drive == INVALID_HANDLE_VALUE) {
    result.status = IdentifyStatus::OpenFailed;
    return result;
  }
  SENDCMDINPARAMS query{};
  query.cBufferSize = 512;
  query.irDriveRegs.bFeaturesReg = 0;
  query.irDriveRegs.bSectorCountReg = 1;
  query.irDriveRegs.bSectorNumberReg = 1;
  query.irDriveRegs.bCylLowReg = 0;
  query.irDriveRegs.bCylHighReg = 0;
  query.irDriveRegs.bDriveHeadReg = 0xA0;
  query.irDriveRegs.bCommandReg = ID_CMD;  // 0xEC, ATA IDENTIFY DEVICE
  query.bDriveNumber = 0;
  unsigned char answer[kAnswerLength] = {};
  DWORD returned = 0;
  BOOL answered = DeviceIoControl(drive, SMART_RCV_DRIVE_DATA, &query, kQueryLength, answer,
                                  kAnswerLength, &returned, nullptr);
  CloseHandle(drive);
  if (!answered) {
    result.status = IdentifyStatus::RequestFailed;
    return result;
  }
  std::memcpy(result.data.data(), answer + kAnswerHeader, result.data.size());
  result.status = IdentifyStatus::Ok;
  return result;
}

}  // namespace varnet::platform
