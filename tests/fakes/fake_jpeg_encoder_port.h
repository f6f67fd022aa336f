// A JPEG encoder port for the capture engine tests, whose "JPEG" is the text
// "JPEG <w>x<h> q<quality> s<subsampling>" of what the frame was told; GUIDs
// are logged as data1:data4[7].
#ifndef TESSO_TESTS_FAKES_FAKE_JPEG_ENCODER_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_JPEG_ENCODER_PORT_H_

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "desktop_host/jpeg_encoder_port.h"
#include "tests/fakes/shared_log.h"

namespace tesso_test {

struct FakeJpegEncoderPort : tesso::JpegEncoderPort, Recorder<tesso::WicObject> {
  using Object = tesso::WicObject;
  using Recorder::Recorder;

  bool Holds(Object object) override { return held.count(object) != 0; }
  void Release(Object object) override {
    static const char* const kNames[] = {"WicFactory", "Bitmap",  "Scaler", "Converter",
                                         "Stream",     "Encoder", "Frame",  "PropertyBag"};
    Drop(object, kNames[static_cast<int>(object)]);
  }
  int32_t CoCreateInstance(const tesso::Guid& id, uint32_t context,
                           const tesso::Guid& interface_id) override {
    return Call({Object::Factory}, "CoCreateInstance", G(id), context, G(interface_id));
  }
  int32_t CreateBitmapFromMemory(uint32_t w, uint32_t h, const tesso::Guid& format, uint32_t stride,
                                 uint32_t bytes, const uint8_t* data) override {
    pixels.assign(data, data + bytes);
    return Call({Object::Bitmap}, "CreateBitmapFromMemory", w, h, G(format), stride, bytes);
  }
  int32_t CreateBitmapScaler() override { return Make("CreateBitmapScaler", {Object::Scaler}); }
  int32_t InitializeScaler(Object source, uint32_t w, uint32_t h, uint32_t mode) override {
    return Call({}, "InitializeScaler", int(source), w, h, mode);
  }
  int32_t CreateFormatConverter() override {
    return Make("CreateFormatConverter", {Object::Converter});
  }
  int32_t InitializeConverter(Object source, const tesso::Guid& format, uint32_t dither,
                              double alpha, uint32_t palette) override {
    return Call({}, "InitializeConverter", int(source), G(format), dither, alpha, palette);
  }
  int32_t CreateStreamOnHGlobal(bool delete_on_release) override {
    return Call({Object::Stream}, "CreateStreamOnHGlobal", delete_on_release);
  }
  int32_t CreateEncoder(const tesso::Guid& container) override {
    return Call({Object::Encoder}, "CreateEncoder", G(container));
  }
  int32_t InitializeEncoder(uint32_t cache) override {
    return Call({}, "InitializeEncoder", cache);
  }
  int32_t CreateNewFrame() override {
    return Make("CreateNewFrame", {Object::Frame, Object::PropertyBag});
  }
  int32_t WriteOption(const std::u16string& name, const tesso::OptionValue& value) override {
    char text[48];
    std::snprintf(text, sizeof(text), "%d %g %d", value.type, double(value.r4), value.ui1);
    const bool is_quality = name == u"ImageQuality";
    (is_quality ? quality : subsampling) = text;
    return Make(std::string("WriteOption ") + (is_quality ? "q " : "s ") + text);
  }
  int32_t InitializeFrame() override { return Make("InitializeFrame"); }
  int32_t SetSize(uint32_t w, uint32_t h) override {
    size = std::to_string(w) + "x" + std::to_string(h);
    return Call({}, "SetSize", size);
  }
  int32_t SetPixelFormat(tesso::Guid* format) override {
    const std::string call = "SetPixelFormat " + G(*format);
    *format = tesso::Guid();  // the encoder's own choice
    return Make(call);
  }
  int32_t WriteSource(Object source) override { return Call({}, "WriteSource", int(source)); }
  int32_t CommitFrame() override { return Make("CommitFrame"); }
  int32_t CommitEncoder() override {
    file = "JPEG " + size + " q" + quality.substr(2, quality.rfind(' ') - 2) + " s" +
           subsampling.substr(subsampling.rfind(' ') + 1);
    return Make("CommitEncoder");
  }
  int32_t Stat(uint32_t flags, uint64_t* bytes) override {
    *bytes = file.size();
    return Call({}, "Stat", flags);
  }
  int32_t Seek(int64_t offset, uint32_t origin) override {
    return Call({}, "Seek", offset, origin);
  }
  int32_t Read(uint8_t* buffer, uint32_t count, uint32_t* read) override {
    *read = std::min<uint32_t>(count, uint32_t(file.size()));
    std::copy(file.begin(), file.begin() + *read, buffer);
    return Call({}, "Read", count);
  }

  static std::string G(const tesso::Guid& guid) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X:%02X", guid.data1, guid.data4[7]);
    return text;
  }

  std::vector<uint8_t> pixels;                   // the last bitmap's
  std::string size, quality, subsampling, file;  // what the frame was told
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_JPEG_ENCODER_PORT_H_
