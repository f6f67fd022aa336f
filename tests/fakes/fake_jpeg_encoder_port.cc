#include "tests/fakes/fake_jpeg_encoder_port.h"

#include <cstdio>
#include <cstring>

namespace tesso_test {
namespace {

using tesso::Guid;
using tesso::WicObject;

constexpr char kMagic[4] = {'F', 'J', 'P', 'G'};
constexpr size_t kFileSize = 4 + 4 + 4 + 4 + 1 + 1 + 8;

// The GUIDs by their published values, written out here rather than taken from the code under
// test.
struct NamedGuid {
  const char* name;
  Guid guid;
};
const NamedGuid kGuids[] = {
    {"CLSID_WICImagingFactory",
     {0x317D06E8, 0x5F24, 0x433D, {0xBD, 0xF7, 0x79, 0xCE, 0x68, 0xD8, 0xAB, 0xC2}}},
    {"IID_IWICImagingFactory",
     {0xEC5EC8A9, 0xC395, 0x4314, {0x9C, 0x77, 0x54, 0xD7, 0xA9, 0x35, 0xFF, 0x70}}},
    {"32bppBGR", {0x6FDDC324, 0x4E03, 0x4BFE, {0xB1, 0x85, 0x3D, 0x77, 0x76, 0x8D, 0xC9, 0x0E}}},
    {"24bppBGR", {0x6FDDC324, 0x4E03, 0x4BFE, {0xB1, 0x85, 0x3D, 0x77, 0x76, 0x8D, 0xC9, 0x0C}}},
    {"Jpeg", {0x19E4A5AA, 0x5662, 0x4FC5, {0xA0, 0xC0, 0x17, 0x58, 0x02, 0x8E, 0x10, 0x57}}},
};

template <typename T>
void Put(std::vector<uint8_t>* bytes, T value) {
  uint8_t raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));
  bytes->insert(bytes->end(), raw, raw + sizeof(T));
}

template <typename T>
T Get(const uint8_t** at) {
  T value;
  std::memcpy(&value, *at, sizeof(T));
  *at += sizeof(T);
  return value;
}

std::string Utf8(const std::u16string& text) {
  std::string ascii;
  for (char16_t c : text) ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return ascii;
}

}  // namespace

uint64_t HashPixels(const uint8_t* data, size_t size) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (size_t i = 0; i < size; ++i) {
    hash ^= data[i];
    hash *= 0x100000001B3ull;
  }
  return hash;
}

bool ParseFakeJpeg(const std::vector<uint8_t>& bytes, FakeJpeg* jpeg) {
  if (bytes.size() != kFileSize || std::memcmp(bytes.data(), kMagic, 4) != 0) return false;
  const uint8_t* at = bytes.data() + 4;
  jpeg->width = Get<uint32_t>(&at);
  jpeg->height = Get<uint32_t>(&at);
  jpeg->quality = Get<float>(&at);
  jpeg->subsampling = Get<uint8_t>(&at);
  jpeg->scaled = Get<uint8_t>(&at) != 0;
  jpeg->pixels_hash = Get<uint64_t>(&at);
  return true;
}

const char* WicObjectName(WicObject object) {
  switch (object) {
    case WicObject::Factory:
      return "Factory";
    case WicObject::Bitmap:
      return "Bitmap";
    case WicObject::Scaler:
      return "Scaler";
    case WicObject::Converter:
      return "Converter";
    case WicObject::Stream:
      return "Stream";
    case WicObject::Encoder:
      return "Encoder";
    case WicObject::Frame:
      return "Frame";
    case WicObject::PropertyBag:
      return "PropertyBag";
  }
  return "?";
}

std::string GuidName(const Guid& guid) {
  for (const NamedGuid& named : kGuids) {
    if (named.guid == guid) return named.name;
  }
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-...}", guid.data1, guid.data2, guid.data3);
  return text;
}

int32_t FakeJpegEncoderPort::Call(const std::string& name, const std::string& arguments,
                                  std::initializer_list<WicObject> needs) {
  calls.push_back(arguments.empty() ? name : name + " " + arguments);
  for (WicObject object : needs) {
    if (held_.count(object) == 0) misuse.push_back(name + " without " + WicObjectName(object));
  }
  return name == fail_call ? fail_hr : tesso::kSOk;
}

bool FakeJpegEncoderPort::Holds(WicObject object) { return held_.count(object) != 0; }

void FakeJpegEncoderPort::Release(WicObject object) {
  if (held_.erase(object) == 0) return;
  calls.push_back(std::string("Release ") + WicObjectName(object));
}

int32_t FakeJpegEncoderPort::CoCreateInstance(const Guid& class_id, uint32_t context,
                                              const Guid& interface_id) {
  const int32_t hr =
      Call("CoCreateInstance",
           GuidName(class_id) + " " + std::to_string(context) + " " + GuidName(interface_id), {});
  if (held_.count(WicObject::Factory) != 0) misuse.push_back("CoCreateInstance over a factory");
  if (hr >= 0) {
    held_.insert(WicObject::Factory);
    ++factories_made;
  }
  return hr;
}

int32_t FakeJpegEncoderPort::CreateBitmapFromMemory(uint32_t width, uint32_t height,
                                                    const Guid& format, uint32_t stride,
                                                    uint32_t buffer_size, const uint8_t* pixels) {
  const int32_t hr =
      Call("CreateBitmapFromMemory",
           std::to_string(width) + " " + std::to_string(height) + " " + GuidName(format) + " " +
               std::to_string(stride) + " " + std::to_string(buffer_size),
           {WicObject::Factory});
  if (hr < 0) return hr;
  pending_ = FakeJpeg();
  source_written_ = false;
  pending_.pixels_hash = HashPixels(pixels, buffer_size);
  held_.insert(WicObject::Bitmap);
  return hr;
}

int32_t FakeJpegEncoderPort::CreateBitmapScaler() {
  const int32_t hr = Call("CreateBitmapScaler", "", {WicObject::Factory});
  if (hr >= 0) held_.insert(WicObject::Scaler);
  return hr;
}

int32_t FakeJpegEncoderPort::InitializeScaler(WicObject source, uint32_t width, uint32_t height,
                                              uint32_t mode) {
  const int32_t hr = Call("InitializeScaler",
                          std::string(WicObjectName(source)) + " " + std::to_string(width) + " " +
                              std::to_string(height) + " " + std::to_string(mode),
                          {WicObject::Scaler, source});
  if (hr >= 0) pending_.scaled = true;
  return hr;
}

int32_t FakeJpegEncoderPort::CreateFormatConverter() {
  const int32_t hr = Call("CreateFormatConverter", "", {WicObject::Factory});
  if (hr >= 0) held_.insert(WicObject::Converter);
  return hr;
}

int32_t FakeJpegEncoderPort::InitializeConverter(WicObject source, const Guid& format,
                                                 uint32_t dither, double alpha_threshold,
                                                 uint32_t palette_type) {
  char threshold[32];
  std::snprintf(threshold, sizeof(threshold), "%g", alpha_threshold);
  return Call("InitializeConverter",
              std::string(WicObjectName(source)) + " " + GuidName(format) + " " +
                  std::to_string(dither) + " " + threshold + " " + std::to_string(palette_type),
              {WicObject::Converter, source});
}

int32_t FakeJpegEncoderPort::CreateStreamOnHGlobal(bool delete_on_release) {
  const int32_t hr = Call("CreateStreamOnHGlobal", delete_on_release ? "1" : "0", {});
  if (hr >= 0) {
    held_.insert(WicObject::Stream);
    stream_.clear();
    position_ = 0;
  }
  return hr;
}

int32_t FakeJpegEncoderPort::CreateEncoder(const Guid& container) {
  const int32_t hr = Call("CreateEncoder", GuidName(container), {WicObject::Factory});
  if (hr >= 0) held_.insert(WicObject::Encoder);
  return hr;
}

int32_t FakeJpegEncoderPort::InitializeEncoder(uint32_t cache_option) {
  return Call("InitializeEncoder", std::to_string(cache_option),
              {WicObject::Encoder, WicObject::Stream});
}

int32_t FakeJpegEncoderPort::CreateNewFrame() {
  const int32_t hr = Call("CreateNewFrame", "", {WicObject::Encoder});
  if (hr >= 0) {
    held_.insert(WicObject::Frame);
    held_.insert(WicObject::PropertyBag);
  }
  return hr;
}

int32_t FakeJpegEncoderPort::WriteOption(const std::u16string& name,
                                         const tesso::OptionValue& value) {
  char text[64];
  if (value.type == 4) {
    std::snprintf(text, sizeof(text), "4 %g", static_cast<double>(value.r4));
  } else {
    std::snprintf(text, sizeof(text), "%u %u", static_cast<unsigned>(value.type),
                  static_cast<unsigned>(value.ui1));
  }
  const int32_t hr = Call("WriteOption", Utf8(name) + " " + text, {WicObject::PropertyBag});
  if (hr >= 0 && name == u"ImageQuality") pending_.quality = value.r4;
  if (hr >= 0 && name == u"JpegYCrCbSubsampling") pending_.subsampling = value.ui1;
  return hr;
}

int32_t FakeJpegEncoderPort::InitializeFrame() {
  return Call("InitializeFrame", "", {WicObject::Frame, WicObject::PropertyBag});
}

int32_t FakeJpegEncoderPort::SetSize(uint32_t width, uint32_t height) {
  const int32_t hr =
      Call("SetSize", std::to_string(width) + " " + std::to_string(height), {WicObject::Frame});
  pending_.width = width;
  pending_.height = height;
  return hr;
}

int32_t FakeJpegEncoderPort::SetPixelFormat(Guid* format) {
  const int32_t hr = Call("SetPixelFormat", GuidName(*format), {WicObject::Frame});
  // The encoder may answer with a format of its own choice.
  *format = Guid();
  return hr;
}

int32_t FakeJpegEncoderPort::WriteSource(WicObject source) {
  const int32_t hr = Call("WriteSource", WicObjectName(source), {WicObject::Frame, source});
  if (hr >= 0) source_written_ = true;
  return hr;
}

int32_t FakeJpegEncoderPort::CommitFrame() { return Call("CommitFrame", "", {WicObject::Frame}); }

int32_t FakeJpegEncoderPort::CommitEncoder() {
  const int32_t hr = Call("CommitEncoder", "", {WicObject::Encoder});
  if (hr >= 0 && source_written_) {
    stream_.assign(kMagic, kMagic + 4);
    Put(&stream_, pending_.width);
    Put(&stream_, pending_.height);
    Put(&stream_, pending_.quality);
    Put(&stream_, pending_.subsampling);
    Put(&stream_, static_cast<uint8_t>(pending_.scaled ? 1 : 0));
    Put(&stream_, pending_.pixels_hash);
    position_ = stream_.size();
  }
  return hr;
}

int32_t FakeJpegEncoderPort::Stat(uint32_t flags, uint64_t* size) {
  const int32_t hr = Call("Stat", std::to_string(flags), {WicObject::Stream});
  if (hr >= 0) *size = stat_size ? *stat_size : stream_.size();
  return hr;
}

int32_t FakeJpegEncoderPort::Seek(int64_t offset, uint32_t origin) {
  const int32_t hr =
      Call("Seek", std::to_string(offset) + " " + std::to_string(origin), {WicObject::Stream});
  if (hr >= 0 && origin == 0) position_ = static_cast<uint64_t>(offset);
  return hr;
}

int32_t FakeJpegEncoderPort::Read(uint8_t* buffer, uint32_t size, uint32_t* read) {
  const int32_t hr = Call("Read", std::to_string(size), {WicObject::Stream});
  if (hr < 0) return hr;
  uint32_t count = 0;
  while (count < size && position_ < stream_.size()) buffer[count++] = stream_[position_++];
  *read = read_count ? *read_count : count;
  return *read < size ? 1 : hr;  // S_FALSE: fewer bytes than asked for
}

}  // namespace tesso_test
