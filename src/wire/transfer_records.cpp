#include "wire/transfer_records.h"

#include <algorithm>

#include "wire/le_bytes.h"

namespace kvel::wire {
namespace {
// Fields of the file description.
constexpr size_t kAttributes = 0;
constexpr size_t kCreationTime = 4;
constexpr size_t kLastAccessTime = 12;
constexpr size_t kLastWriteTime = 20;
constexpr size_t kSizeHigh = 28;
constexpr size_t kSizeLow = 32;
// Words of the offer reply and the chunk header.
constexpr size_t kReplyCode = 0;
constexpr size_t kReplyOffset = 4;
constexpr size_t kChunkType = 0;
constexpr size_t kChunkLength = 4;
}  // namespace

FileInfoBytes EncodeFileInfo(const FileInfo& info) {
  FileInfoBytes out{};
  WriteLe32(out, kAttributes, info.attributes);
  WriteLe64(out, kCreationTime, info.creationTime);
  WriteLe64(out, kLastAccessTime, info.lastAccessTime);
  WriteLe64(out, kLastWriteTime, info.lastWriteTime);
  WriteLe32(out, kSizeHigh, info.sizeHigh);
  WriteLe32(out, kSizeLow, info.sizeLow);
  const size_t length = std::min(info.name.size(), kFileNameField - 1);
  std::copy_n(info.name.begin(), length, out.begin() + kFileNameOffset);
  return out;
}

std::optional<FileInfo> DecodeFileInfo(std::span<const uint8_t> bytes) {
  if (bytes.size() < kFileInfoSize) return std::nullopt;
  FileInfo info;
  info.attributes = ReadLe32(bytes, kAttributes);
  info.creationTime = ReadLe64(bytes, kCreationTime);
  info.lastAccessTime = ReadLe64(bytes, kLastAccessTime);
  info.lastWriteTime = ReadLe64(bytes, kLastWriteTime);
  info.sizeHigh = ReadLe32(bytes, kSizeHigh);
  info.sizeLow = ReadLe32(bytes, kSizeLow);
  std::span<const uint8_t> name = bytes.subspan(kFileNameOffset, kFileNameField);
  auto end = std::find(name.begin(), name.end(), uint8_t{0});
  info.name.assign(name.begin(), end);
  return info;
}

OfferBytes EncodeOffer(const FileInfo& info) {
  OfferBytes out{};
  WriteLe32(out, 0, kOfferInfo);
  const FileInfoBytes record = EncodeFileInfo(info);
  std::copy(record.begin(), record.end(), out.begin() + 3 * kWordSize);
  return out;
}

OfferReplyBytes EncodeOfferReply(uint32_t code, uint32_t offset) {
  OfferReplyBytes out{};
  WriteLe32(out, kReplyCode, code);
  WriteLe32(out, kReplyOffset, offset);
  return out;
}

std::optional<OfferReply> DecodeOfferReply(std::span<const uint8_t> bytes) {
  if (bytes.size() < kOfferReplySize) return std::nullopt;
  return OfferReply{ReadLe32(bytes, kReplyCode), ReadLe32(bytes, kReplyOffset)};
}

ChunkHeaderBytes EncodeChunkHeader(const ChunkHeader& header) {
  ChunkHeaderBytes out{};
  WriteLe32(out, kChunkType, header.type);
  WriteLe32(out, kChunkLength, static_cast<uint32_t>(header.length));
  return out;
}

std::optional<ChunkHeader> DecodeChunkHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kChunkHeaderSize) return std::nullopt;
  return ChunkHeader{ReadLe32(bytes, kChunkType),
                     static_cast<int32_t>(ReadLe32(bytes, kChunkLength))};
}

}  // namespace kvel::wire
