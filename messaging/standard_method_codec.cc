#include "messaging/standard_method_codec.h"

#include <map>
#include <mutex>

#include "messaging/byte_buffer_stream_reader.h"
#include "messaging/byte_buffer_stream_writer.h"
#include "messaging/diagnostics.h"

namespace flutter {
namespace {
constexpr uint8_t kSuccessEnvelope = 0;
constexpr uint8_t kErrorEnvelope = 1;

// An upper bound of the encoded size of `value` (tag, size, padding, payload), so that an
// envelope is allocated once: growing a frame-sized buffer step by step costs far more than
// the copy itself. Only a hint; an extended serializer may write more.
size_t EncodedSizeBound(const EncodableValue& value) {
  constexpr size_t kHeader = 1 + 5 + 7;  // tag, largest size, largest padding
  switch (value.type()) {
    case EncodableType::kString:
      return kHeader + std::get<std::string>(value).size();
    case EncodableType::kByteList:
      return kHeader + std::get<std::vector<uint8_t>>(value).size();
    case EncodableType::kInt32List:
      return kHeader + 4 * std::get<std::vector<int32_t>>(value).size();
    case EncodableType::kInt64List:
      return kHeader + 8 * std::get<std::vector<int64_t>>(value).size();
    case EncodableType::kDoubleList:
      return kHeader + 8 * std::get<std::vector<double>>(value).size();
    case EncodableType::kFloatList:
      return kHeader + 4 * std::get<std::vector<float>>(value).size();
    case EncodableType::kList: {
      size_t size = kHeader;
      for (const auto& element : std::get<EncodableList>(value)) size += EncodedSizeBound(element);
      return size;
    }
    case EncodableType::kMap: {
      size_t size = kHeader;
      for (const auto& [key, element] : std::get<EncodableMap>(value)) {
        size += EncodedSizeBound(key) + EncodedSizeBound(element);
      }
      return size;
    }
    default:
      return kHeader + 8;
  }
}
// Writes the value in place: `value ? *value : EncodableValue()` would copy a frame-sized
// value before writing it.
void WriteValueOrNull(const StandardCodecSerializer& serializer, const EncodableValue* value,
                      ByteStreamWriter* stream) {
  if (value != nullptr) {
    serializer.WriteValue(*value, stream);
  } else {
    serializer.WriteValue(EncodableValue(), stream);
  }
}
}  // namespace

const StandardMethodCodec& StandardMethodCodec::GetInstance(
    const StandardCodecSerializer* serializer) {
  if (serializer == nullptr) serializer = &StandardCodecSerializer::GetInstance();
  // Deliberately never destroyed: a channel may still encode during static destruction.
  static auto* mutex = new std::mutex;
  static auto* cache = new std::map<const StandardCodecSerializer*, const StandardMethodCodec*>;
  std::lock_guard<std::mutex> lock(*mutex);
  auto [it, inserted] = cache->emplace(serializer, nullptr);
  if (inserted) it->second = new StandardMethodCodec(serializer);
  return *it->second;
}

std::unique_ptr<MethodCall<EncodableValue>> StandardMethodCodec::DecodeMethodCallInternal(
    const uint8_t* message, size_t size) const {
  ByteBufferStreamReader stream(message, size);
  EncodableValue name = serializer_->ReadValue(&stream);
  const auto* method_name = std::get_if<std::string>(&name);
  if (method_name == nullptr) {
    WriteDiagnosticLine("Invalid method call; method name is not a string.");
    return nullptr;
  }
  auto arguments = std::make_unique<EncodableValue>(serializer_->ReadValue(&stream));
  return std::make_unique<MethodCall<EncodableValue>>(*method_name, std::move(arguments));
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeMethodCallInternal(
    const MethodCall<EncodableValue>& call) const {
  auto bytes = std::make_unique<std::vector<uint8_t>>();
  bytes->reserve(13 + call.method_name().size() +
                 (call.arguments() ? EncodedSizeBound(*call.arguments()) : 1));
  ByteBufferStreamWriter stream(bytes.get());
  serializer_->WriteValue(EncodableValue(call.method_name()), &stream);
  WriteValueOrNull(*serializer_, call.arguments(), &stream);
  return bytes;
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeSuccessEnvelopeInternal(
    const EncodableValue* result) const {
  auto bytes = std::make_unique<std::vector<uint8_t>>();
  bytes->reserve(1 + (result ? EncodedSizeBound(*result) : 1));
  ByteBufferStreamWriter stream(bytes.get());
  stream.WriteByte(kSuccessEnvelope);
  WriteValueOrNull(*serializer_, result, &stream);
  return bytes;
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeErrorEnvelopeInternal(
    const std::string& error_code, const std::string& error_message,
    const EncodableValue* error_details) const {
  auto bytes = std::make_unique<std::vector<uint8_t>>();
  bytes->reserve(1 + 2 * 13 + error_code.size() + error_message.size() +
                 (error_details ? EncodedSizeBound(*error_details) : 1));
  ByteBufferStreamWriter stream(bytes.get());
  stream.WriteByte(kErrorEnvelope);
  serializer_->WriteValue(EncodableValue(error_code), &stream);
  serializer_->WriteValue(error_message.empty() ? EncodableValue() : EncodableValue(error_message),
                          &stream);
  WriteValueOrNull(*serializer_, error_details, &stream);
  return bytes;
}

bool StandardMethodCodec::DecodeAndProcessResponseEnvelopeInternal(
    const uint8_t* response, size_t response_size, MethodResult<EncodableValue>* result) const {
  ByteBufferStreamReader stream(response, response_size);
  switch (stream.ReadByte()) {
    case kSuccessEnvelope: {
      EncodableValue value = serializer_->ReadValue(&stream);
      if (value.IsNull()) {
        result->Success();
      } else {
        result->Success(value);
      }
      return true;
    }
    case kErrorEnvelope: {
      EncodableValue code = serializer_->ReadValue(&stream);
      EncodableValue message = serializer_->ReadValue(&stream);
      EncodableValue details = serializer_->ReadValue(&stream);
      const auto* code_text = std::get_if<std::string>(&code);
      const auto* message_text = std::get_if<std::string>(&message);
      if (code_text == nullptr || !(message.IsNull() || message_text != nullptr)) return false;
      const std::string& message_or_empty = message_text ? *message_text : std::string();
      if (details.IsNull()) {
        result->Error(*code_text, message_or_empty);
      } else {
        result->Error(*code_text, message_or_empty, details);
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace flutter
