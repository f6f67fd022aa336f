#include "messaging/standard_codec_serializer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "messaging/diagnostics.h"

namespace flutter {
namespace {

enum WireTag : uint8_t {
  kNullTag = 0,
  kTrueTag = 1,
  kFalseTag = 2,
  kInt32Tag = 3,
  kInt64Tag = 4,
  kLargeIntTag = 5,
  kDoubleTag = 6,
  kStringTag = 7,
  kByteListTag = 8,
  kInt32ListTag = 9,
  kInt64ListTag = 10,
  kDoubleListTag = 11,
  kListTag = 12,
  kMapTag = 13,
  kFloatListTag = 14,
};

// How deep the decode running on this thread is, so that a hostile message cannot exhaust
// the stack.
thread_local int decode_depth = 0;
// Everything decodes on this thread have made up past the ends of their messages.
thread_local size_t made_up_on_thread = 0;

class DepthGuard {
 public:
  DepthGuard() { ++decode_depth; }
  ~DepthGuard() { --decode_depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  bool too_deep() const { return decode_depth > StandardCodecSerializer::kMaxNesting; }
};

size_t BudgetLeft(const ByteStreamReader& stream) {
  const size_t made_up = stream.made_up();
  return made_up < StandardCodecSerializer::kMaxOverrun
             ? StandardCodecSerializer::kMaxOverrun - made_up
             : 0;
}

void MakeUp(ByteStreamReader* stream, size_t count) {
  stream->AddMadeUp(count);
  made_up_on_thread += count;
}

// Whether a payload of `count` elements of `element_size` bytes can be decoded. One that runs
// past the end of the message reads nothing and decodes as zeros, so all of it is made up and
// is taken from the message's budget whole.
bool PayloadFits(size_t count, size_t element_size, ByteStreamReader* stream) {
  const size_t remaining = stream->Remaining();
  if (remaining == SIZE_MAX || count <= remaining / element_size) return true;
  if (count > BudgetLeft(*stream) / element_size) return false;
  MakeUp(stream, count * element_size);
  return true;
}

// Whether a container of `count` entries of `entry_values` values each may be decoded: the
// entries past the end of the message must fit in what is left of the budget.
bool ContainerFits(size_t count, size_t entry_values, const ByteStreamReader& stream) {
  const size_t remaining = stream.Remaining();
  if (remaining == SIZE_MAX) return true;
  return count <= (remaining + BudgetLeft(stream)) / entry_values;
}

// Whether one more entry may be read: past the end of the message each of its values reads
// as null with its own diagnostic line, and is made up.
bool MayReadEntry(ByteStreamReader* stream, size_t entry_values) {
  if (stream->Remaining() != 0) return true;
  if (BudgetLeft(*stream) < entry_values) return false;
  MakeUp(stream, entry_values);
  return true;
}

void ReportImplausibleCount(ByteStreamReader* stream) {
  if (stream->refused()) return;
  stream->SetRefused();
  WriteDiagnosticLine("Invalid read in StandardCodecByteStreamReader");
}

void ReportTooDeep() {
  WriteDiagnosticLine("Nesting limit of " + std::to_string(StandardCodecSerializer::kMaxNesting) +
                      " exceeded in StandardCodecSerializer::ReadValueOfType");
}

// Containers grow as their elements arrive beyond this, so that nested declared counts cannot
// reserve memory the message could never fill.
constexpr size_t kMaxReserve = 1024;

template <typename T>
EncodableValue ReadTypedList(ByteStreamReader* stream, size_t count) {
  if (sizeof(T) > 1) stream->ReadAlignment(static_cast<uint8_t>(sizeof(T)));
  if (!PayloadFits(count, sizeof(T), stream)) {
    ReportImplausibleCount(stream);
    return EncodableValue(std::vector<T>());
  }
  if constexpr (sizeof(T) == 1) {
    if (const uint8_t* bytes = stream->ReadInPlace(count)) {
      return EncodableValue(std::vector<T>(bytes, bytes + count));
    }
  }
  std::vector<T> list(count);
  if (count != 0) stream->ReadBytes(reinterpret_cast<uint8_t*>(list.data()), count * sizeof(T));
  return EncodableValue(std::move(list));
}

template <typename T>
void WriteTypedList(const std::vector<T>& list, const StandardCodecSerializer& serializer,
                    ByteStreamWriter* stream) {
  serializer.WriteSize(list.size(), stream);
  // Written even for an empty list: the reader skips it unconditionally.
  if (sizeof(T) > 1) stream->WriteAlignment(static_cast<uint8_t>(sizeof(T)));
  if (!list.empty()) {
    stream->WriteBytes(reinterpret_cast<const uint8_t*>(list.data()), list.size() * sizeof(T));
  }
}

template <typename T>
void WriteNumber(T number, ByteStreamWriter* stream) {
  stream->WriteBytes(reinterpret_cast<const uint8_t*>(&number), sizeof(T));
}

template <typename T>
T ReadNumber(ByteStreamReader* stream) {
  T number{};
  stream->ReadBytes(reinterpret_cast<uint8_t*>(&number), sizeof(T));
  return number;
}

}  // namespace

const StandardCodecSerializer& StandardCodecSerializer::GetInstance() {
  // Never destroyed, like the codecs that point at it.
  static const auto* instance = new StandardCodecSerializer();
  return *instance;
}

size_t StandardCodecSerializer::MadeUpOnThisThread() { return made_up_on_thread; }

EncodableValue StandardCodecSerializer::ReadValue(ByteStreamReader* stream) const {
  uint8_t type = stream->ReadByte();
  return ReadValueOfType(type, stream);
}

EncodableValue StandardCodecSerializer::ReadValueOfType(uint8_t type,
                                                        ByteStreamReader* stream) const {
  switch (type) {
    case kNullTag:
      return EncodableValue();
    case kTrueTag:
      return EncodableValue(true);
    case kFalseTag:
      return EncodableValue(false);
    case kInt32Tag:
      return EncodableValue(ReadNumber<int32_t>(stream));
    case kInt64Tag:
      return EncodableValue(ReadNumber<int64_t>(stream));
    case kDoubleTag:
      stream->ReadAlignment(8);
      return EncodableValue(ReadNumber<double>(stream));
    case kLargeIntTag:
    case kStringTag: {
      size_t size = ReadSize(stream);
      if (!PayloadFits(size, 1, stream)) {
        ReportImplausibleCount(stream);
        return EncodableValue(std::string());
      }
      if (const uint8_t* bytes = stream->ReadInPlace(size)) {
        return EncodableValue(std::string(reinterpret_cast<const char*>(bytes), size));
      }
      std::string text(size, '\0');
      if (size != 0) stream->ReadBytes(reinterpret_cast<uint8_t*>(text.data()), size);
      return EncodableValue(std::move(text));
    }
    case kByteListTag:
      return ReadTypedList<uint8_t>(stream, ReadSize(stream));
    case kInt32ListTag:
      return ReadTypedList<int32_t>(stream, ReadSize(stream));
    case kInt64ListTag:
      return ReadTypedList<int64_t>(stream, ReadSize(stream));
    case kDoubleListTag:
      return ReadTypedList<double>(stream, ReadSize(stream));
    case kFloatListTag:
      return ReadTypedList<float>(stream, ReadSize(stream));
    case kListTag: {
      DepthGuard depth;
      size_t count = ReadSize(stream);
      if (depth.too_deep()) {
        ReportTooDeep();
        return EncodableValue(EncodableList());
      }
      if (!ContainerFits(count, 1, *stream)) {
        ReportImplausibleCount(stream);
        return EncodableValue(EncodableList());
      }
      EncodableList list;
      list.reserve(std::min(count, kMaxReserve));
      for (size_t i = 0; i < count && MayReadEntry(stream, 1); ++i) {
        list.push_back(ReadValue(stream));
      }
      return EncodableValue(std::move(list));
    }
    case kMapTag: {
      DepthGuard depth;
      size_t count = ReadSize(stream);
      if (depth.too_deep()) {
        ReportTooDeep();
        return EncodableValue(EncodableMap());
      }
      if (!ContainerFits(count, 2, *stream)) {
        ReportImplausibleCount(stream);
        return EncodableValue(EncodableMap());
      }
      EncodableMap map;
      for (size_t i = 0; i < count && MayReadEntry(stream, 2); ++i) {
        EncodableValue key = ReadValue(stream);
        EncodableValue value = ReadValue(stream);
        // The first occurrence of a key wins.
        map.emplace(std::move(key), std::move(value));
      }
      return EncodableValue(std::move(map));
    }
    default:
      WriteDiagnosticLine("Unknown type in StandardCodecSerializer::ReadValueOfType: " +
                          std::to_string(type));
      return EncodableValue();
  }
}

void StandardCodecSerializer::WriteValue(const EncodableValue& value,
                                         ByteStreamWriter* stream) const {
  switch (value.type()) {
    case EncodableType::kNull:
      stream->WriteByte(kNullTag);
      return;
    case EncodableType::kBool:
      stream->WriteByte(std::get<bool>(value) ? kTrueTag : kFalseTag);
      return;
    case EncodableType::kInt32:
      stream->WriteByte(kInt32Tag);
      WriteNumber(std::get<int32_t>(value), stream);
      return;
    case EncodableType::kInt64:
      stream->WriteByte(kInt64Tag);
      WriteNumber(std::get<int64_t>(value), stream);
      return;
    case EncodableType::kDouble:
      stream->WriteByte(kDoubleTag);
      stream->WriteAlignment(8);
      WriteNumber(std::get<double>(value), stream);
      return;
    case EncodableType::kString: {
      stream->WriteByte(kStringTag);
      const auto& text = std::get<std::string>(value);
      WriteSize(text.size(), stream);
      if (!text.empty()) {
        stream->WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
      }
      return;
    }
    case EncodableType::kByteList:
      stream->WriteByte(kByteListTag);
      WriteTypedList(std::get<std::vector<uint8_t>>(value), *this, stream);
      return;
    case EncodableType::kInt32List:
      stream->WriteByte(kInt32ListTag);
      WriteTypedList(std::get<std::vector<int32_t>>(value), *this, stream);
      return;
    case EncodableType::kInt64List:
      stream->WriteByte(kInt64ListTag);
      WriteTypedList(std::get<std::vector<int64_t>>(value), *this, stream);
      return;
    case EncodableType::kDoubleList:
      stream->WriteByte(kDoubleListTag);
      WriteTypedList(std::get<std::vector<double>>(value), *this, stream);
      return;
    case EncodableType::kFloatList:
      stream->WriteByte(kFloatListTag);
      WriteTypedList(std::get<std::vector<float>>(value), *this, stream);
      return;
    case EncodableType::kList: {
      stream->WriteByte(kListTag);
      const auto& list = std::get<EncodableList>(value);
      WriteSize(list.size(), stream);
      for (const auto& element : list) WriteValue(element, stream);
      return;
    }
    case EncodableType::kMap: {
      stream->WriteByte(kMapTag);
      const auto& map = std::get<EncodableMap>(value);
      WriteSize(map.size(), stream);
      for (const auto& [key, element] : map) {
        WriteValue(key, stream);
        WriteValue(element, stream);
      }
      return;
    }
    case EncodableType::kCustom:
      // Nothing follows the tag, so the value reads back as null.
      stream->WriteByte(kNullTag);
      WriteDiagnosticLine(
          "Unhandled custom type in StandardCodecSerializer::WriteValue. "
          "Custom types require codec extensions.");
      return;
  }
}

size_t StandardCodecSerializer::ReadSize(ByteStreamReader* stream) const {
  uint8_t byte = stream->ReadByte();
  if (byte < 254) return byte;
  if (byte == 254) return ReadNumber<uint16_t>(stream);
  return ReadNumber<uint32_t>(stream);
}

void StandardCodecSerializer::WriteSize(size_t size, ByteStreamWriter* stream) const {
  if (size < 254) {
    stream->WriteByte(static_cast<uint8_t>(size));
  } else if (size <= 0xFFFF) {
    stream->WriteByte(254);
    WriteNumber(static_cast<uint16_t>(size), stream);
  } else {
    stream->WriteByte(255);
    WriteNumber(static_cast<uint32_t>(size), stream);
  }
}

}  // namespace flutter
