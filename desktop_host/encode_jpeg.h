// One picture of 32-bit pixels to one JPEG file of the same size, through the imaging pipeline
// of the JPEG encoder port (bitmap, 24-bit converter, encoder on a memory stream). Capture
// worker only; the port's factory must already exist.
#ifndef TESSO_DESKTOP_HOST_ENCODE_JPEG_H_
#define TESSO_DESKTOP_HOST_ENCODE_JPEG_H_

#include <cstdint>
#include <vector>

#include "desktop_host/jpeg_encoder_port.h"

namespace tesso {

constexpr Guid kClsidWicImagingFactory = {
    0x317D06E8, 0x5F24, 0x433D, {0xBD, 0xF7, 0x79, 0xCE, 0x68, 0xD8, 0xAB, 0xC2}};
constexpr Guid kIidWicImagingFactory = {
    0xEC5EC8A9, 0xC395, 0x4314, {0x9C, 0x77, 0x54, 0xD7, 0xA9, 0x35, 0xFF, 0x70}};
constexpr Guid kWicPixelFormat32bppBgr = {
    0x6FDDC324, 0x4E03, 0x4BFE, {0xB1, 0x85, 0x3D, 0x77, 0x76, 0x8D, 0xC9, 0x0E}};
constexpr Guid kWicPixelFormat24bppBgr = {
    0x6FDDC324, 0x4E03, 0x4BFE, {0xB1, 0x85, 0x3D, 0x77, 0x76, 0x8D, 0xC9, 0x0C}};
constexpr Guid kContainerFormatJpeg = {
    0x19E4A5AA, 0x5662, 0x4FC5, {0xA0, 0xC0, 0x17, 0x58, 0x02, 0x8E, 0x10, 0x57}};

constexpr uint32_t kClsctxInprocServer = 1;
constexpr uint32_t kWicDitherNone = 0;
constexpr uint32_t kWicPaletteCustom = 0;
constexpr uint32_t kWicEncoderNoCache = 2;
constexpr uint16_t kVtR4 = 4;
constexpr uint16_t kVtUi1 = 17;
constexpr uint8_t kWicJpegSubsampling420 = 1;
constexpr uint8_t kWicJpegSubsampling444 = 3;
constexpr uint32_t kStatFlagNoName = 1;
constexpr uint32_t kStreamSeekSet = 0;

// Encodes `pixels` (width x height, blue-green-red-ignored, rows top down `stride` bytes
// apart, stride x height bytes in all) with `quality` (0.1 .. 1.0) into *bytes. False on any
// failure, with every object made for it released; *bytes is then unspecified.
bool EncodeJpeg(JpegEncoderPort& port, const uint8_t* pixels, int32_t width, int32_t height,
                int32_t stride, float quality, std::vector<uint8_t>* bytes);

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_ENCODE_JPEG_H_
