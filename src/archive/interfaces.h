#pragma once

// The 7-Zip library's interfaces that the binding calls or implements, slot for slot. IUnknown
// has no virtual destructor (the layout of 7-Zip 23 and later on every OS, checked at load time),
// so none of these structs may declare one.

#include "archive/com_types.h"

namespace varnet::archive {

// 7-Zip's interface ids: {23170F69-40C1-278A-0000-00GG00SS0000}.
constexpr GUID interfaceId(uint8_t group, uint8_t sub) {
  return GUID{0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, sub, 0, 0}};
}

// Format handler class ids: {23170F69-40C1-278A-1000-000110XX0000}.
constexpr GUID handlerClassId(uint8_t formatId) {
  return GUID{0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, formatId, 0x00, 0x00}};
}

struct IUnknown7z {
  static constexpr GUID kIid = {0x00000000,
                                0x0000,
                                0x0000,
                                {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT VARNET_7Z_CALL QueryInterface(const GUID& iid, void** out) = 0;
  virtual uint32_t VARNET_7Z_CALL AddRef() = 0;
  virtual uint32_t VARNET_7Z_CALL Release() = 0;
};

struct ISequentialInStream : IUnknown7z {
  static constexpr GUID kIid = interfaceId(0x03, 0x01);
  virtual HRESULT VARNET_7Z_CALL Read(void* data, uint32_t size, uint32_t* processed) = 0;
};

struct IInStream : ISequentialInStream {
  static constexpr GUID kIid = interfaceId(0x03, 0x03);
  virtual HRESULT VARNET_7Z_CALL Seek(int64_t offset, uint32_t origin, uint64_t* newPosition) = 0;
};

struct ISequentialOutStream : IUnknown7z {
  static constexpr GUID kIid = interfaceId(0x03, 0x02);
  virtual HRESULT VARNET_7Z_CALL Write(const void* data, uint32_t size, uint32_t* processed) = 0;
};

struct IProgress : IUnknown7z {
  static constexpr GUID kIid = interfaceId(0x00, 0x05);
  virtual HRESULT VARNET_7Z_CALL SetTotal(uint64_t total) = 0;
  virtual HRESULT VARNET_7Z_CALL SetCompleted(const uint64_t* completed) = 0;
};

struct IArchiveOpenCallback : IUnknown7z {
  static constexpr GUID kIid = interfaceId(0x06, 0x10);
  virtual HRESULT VARNET_7Z_CALL SetTotal(const uint64_t* files, const uint64_t* bytes) = 0;
  virtual HRESULT VARNET_7Z_CALL SetCompleted(const uint64_t* files, const uint64_t* bytes) = 0;
};

struct IArchiveExtractCallback : IProgress {
  static constexpr GUID kIid = interfaceId(0x06, 0x20);
  virtual HRESULT VARNET_7Z_CALL GetStream(uint32_t index,
                                           ISequentialOutStream** out,
                                           int32_t askMode) = 0;
  virtual HRESULT VARNET_7Z_CALL PrepareOperation(int32_t askMode) = 0;
  virtual HRESULT VARNET_7Z_CALL SetOperationResult(int32_t result) = 0;
};

struct ICryptoGetTextPassword : IUnknown7z {
  static constexpr GUID kIid = interfaceId(0x05, 0x10);
  virtual HRESULT VARNET_7Z_CALL CryptoGetTextPassword(BSTR* password) = 0;
};

struct ISetProperties : IUnknown7z {
  static constexpr GUID kIid = interfaceId(0x06, 0x03);
  virtual HRESULT VARNET_7Z_CALL SetProperties(const OLECHAR* const* names,
                                               const PROPVARIANT* values,
                                               uint32_t count) = 0;
};

struct IArchiveOpenVolumeCallback : IUnknown7z {
  static constexpr GUID kIid = interfaceId(0x06, 0x30);
  virtual HRESULT VARNET_7Z_CALL GetProperty(PROPID id, PROPVARIANT* value) = 0;
  virtual HRESULT VARNET_7Z_CALL GetStream(const OLECHAR* name, IInStream** stream) = 0;
};

struct IInArchive : IUnknown7z {
  static constexpr GUID kIid = interfaceId(0x06, 0x60);
  virtual HRESULT VARNET_7Z_CALL Open(IInStream* stream,
                                      const uint64_t* maxCheckStartPosition,
                                      IArchiveOpenCallback* callback) = 0;
  virtual HRESULT VARNET_7Z_CALL Close() = 0;
  virtual HRESULT VARNET_7Z_CALL GetNumberOfItems(uint32_t* count) = 0;
  virtual HRESULT VARNET_7Z_CALL GetProperty(uint32_t index, PROPID id, PROPVARIANT* value) = 0;
  virtual HRESULT VARNET_7Z_CALL Extract(const uint32_t* indices,
                                         uint32_t count,
                                         int32_t testMode,
                                         IArchiveExtractCallback* callback) = 0;
  virtual HRESULT VARNET_7Z_CALL GetArchiveProperty(PROPID id, PROPVARIANT* value) = 0;
  virtual HRESULT VARNET_7Z_CALL GetNumberOfProperties(uint32_t* count) = 0;
  virtual HRESULT VARNET_7Z_CALL GetPropertyInfo(uint32_t index,
                                                 BSTR* name,
                                                 PROPID* id,
                                                 VARTYPE* type) = 0;
  virtual HRESULT VARNET_7Z_CALL GetNumberOfArchiveProperties(uint32_t* count) = 0;
  virtual HRESULT VARNET_7Z_CALL GetArchivePropertyInfo(uint32_t index,
                                                        BSTR* name,
                                                        PROPID* id,
                                                        VARTYPE* type) = 0;
};

// Item and archive property ids (7-Zip's PropID.h).
enum : PROPID {
  kpidPath = 3,
  kpidName = 4,
  kpidIsDir = 6,
  kpidSize = 7,
  kpidAttrib = 9,
  kpidMTime = 12,
  kpidEncrypted = 15,
  kpidSplitBefore = 16,
  kpidBlock = 27,
  kpidIsVolume = 35,
  kpidCharacts = 47,
  kpidErrorFlags = 71,
  kpidSymLink = 54,
  kpidError = 55,
  kpidVolumeIndex = 80,
  kpidHardLink = 90,
};

// Exported functions of the library.
using CreateObjectFunction = HRESULT(VARNET_7Z_CALL*)(const GUID* classId,
                                                      const GUID* iid,
                                                      void** out);
using GetModulePropFunction = HRESULT(VARNET_7Z_CALL*)(PROPID id, PROPVARIANT* value);

// Extraction's askMode and per-item operation results.
constexpr int32_t kAskExtract = 0;
constexpr int32_t kResultOk = 0;
constexpr int32_t kResultWrongPassword = 9;

}  // namespace varnet::archive
