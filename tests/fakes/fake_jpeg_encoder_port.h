// A JPEG encoder port for the capture engine tests. Its "JPEG" is a small record of what the
// pipeline was asked for (see FakeJpeg), so that a test can read back the size, the options and
// which pixels went in. Any call can be made to fail by name; Stat and Read can report other
// sizes; every call and every real release is recorded, and calls on objects not held are
// collected in `misuse`.
#ifndef TESSO_TESTS_FAKES_FAKE_JPEG_ENCODER_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_JPEG_ENCODER_PORT_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "desktop_host/jpeg_encoder_port.h"

namespace tesso_test {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

// What a fake JPEG file says.
struct FakeJpeg {
  uint32_t width = 0;  // SetSize
  uint32_t height = 0;
  float quality = 0.0f;      // the "ImageQuality" written
  uint8_t subsampling = 0;   // the "JpegYCrCbSubsampling" written
  uint64_t pixels_hash = 0;  // FNV-1a of the bitmap's bytes
  bool scaled = false;       // a scaler was in the chain
};

// False when `bytes` is not a fake JPEG file.
bool ParseFakeJpeg(const std::vector<uint8_t>& bytes, FakeJpeg* jpeg);
uint64_t HashPixels(const uint8_t* data, size_t size);

class FakeJpegEncoderPort : public tesso::JpegEncoderPort {
 public:
  // Script.
  std::string fail_call;  // the call (by its name, e.g. "CreateEncoder") that answers fail_hr
  int32_t fail_hr = kEFail;
  std::optional<uint64_t> stat_size;   // reported instead of the file's size
  std::optional<uint32_t> read_count;  // reported instead of the count read

  // Records.
  std::vector<std::string> calls;  // every call; a Release only when it released something
  std::vector<std::string> misuse;
  int factories_made = 0;
  const std::set<tesso::WicObject>& held() const { return held_; }
  void ClearRecords() { calls.clear(); }

  bool Holds(tesso::WicObject object) override;
  void Release(tesso::WicObject object) override;
  int32_t CoCreateInstance(const tesso::Guid& class_id, uint32_t context,
                           const tesso::Guid& interface_id) override;
  int32_t CreateBitmapFromMemory(uint32_t width, uint32_t height, const tesso::Guid& format,
                                 uint32_t stride, uint32_t buffer_size,
                                 const uint8_t* pixels) override;
  int32_t CreateBitmapScaler() override;
  int32_t InitializeScaler(tesso::WicObject source, uint32_t width, uint32_t height,
                           uint32_t mode) override;
  int32_t CreateFormatConverter() override;
  int32_t InitializeConverter(tesso::WicObject source, const tesso::Guid& format, uint32_t dither,
                              double alpha_threshold, uint32_t palette_type) override;
  int32_t CreateStreamOnHGlobal(bool delete_on_release) override;
  int32_t CreateEncoder(const tesso::Guid& container) override;
  int32_t InitializeEncoder(uint32_t cache_option) override;
  int32_t CreateNewFrame() override;
  int32_t WriteOption(const std::u16string& name, const tesso::OptionValue& value) override;
  int32_t InitializeFrame() override;
  int32_t SetSize(uint32_t width, uint32_t height) override;
  int32_t SetPixelFormat(tesso::Guid* format) override;
  int32_t WriteSource(tesso::WicObject source) override;
  int32_t CommitFrame() override;
  int32_t CommitEncoder() override;
  int32_t Stat(uint32_t flags, uint64_t* size) override;
  int32_t Seek(int64_t offset, uint32_t origin) override;
  int32_t Read(uint8_t* buffer, uint32_t size, uint32_t* read) override;

 private:
  // Records the call; its answer: fail_hr when it is the failing call, else S_OK.
  int32_t Call(const std::string& name, const std::string& arguments,
               std::initializer_list<tesso::WicObject> needs);

  std::set<tesso::WicObject> held_;
  FakeJpeg pending_;  // what the frame is being told
  bool source_written_ = false;
  std::vector<uint8_t> stream_;
  uint64_t position_ = 0;
};

const char* WicObjectName(tesso::WicObject object);
// The names of the GUIDs the pipeline uses ("CLSID_WICImagingFactory", "24bppBGR", ...), else
// the GUID in hex.
std::string GuidName(const tesso::Guid& guid);

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_JPEG_ENCODER_PORT_H_
