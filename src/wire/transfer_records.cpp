#include "wire/transfer_records.h"

#include <algorithm>
#include <cstring>

namespace kvel::p2p {
namespace {

void Put32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put64(uint8_t* out, uint64_t value) {
  Put32(out, static_cast<uint32_t>(value));
  Put32(out + 4, static_cast<uint32_t>(value >> 32));
}

uint32_t Get32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

uint64_t Get64(const uint8_t* in) {
  return static_cast<uint64_t>(Get32(in)) | static_cast<uint64_t>(Get32(in + 4)) << 32;
}

}  // namespace

Word PackWord(uint32_t value) {
  Word out{};
  Put32(out.data(), value);
  return out;
}

std::optional<uint32_t> UnpackWord(std::span<const uint8_t> bytes) {
  if (bytes.size() < kWordSize) return std::nullopt;
  return Get32(bytes.data());
}

FileInfoBytes PackFileInfo(const FileInfo& info) {
  FileInfoBytes out{};
  Put32(&out[0], info.attributes);
  Put64(&out[4], info.creationTime);
  Put64(&out[12], info.lastAccessTime);
  Put64(&out[20], info.lastWriteTime);
  Put32(&out[28], info.sizeHigh);
  Put32(&out[32], info.sizeLow);
  const size_t length = std::min(info.name.size(), kFileNameField - 1);
  std::memcpy(&out[kFileNameOffset], info.name.data(), length);
  return out;
}

std::optional<FileInfo> UnpackFileInfo(std::span<const uint8_t> bytes) {
  if (bytes.size() < kFileInfoSize) return std::nullopt;
  const uint8_t* in = bytes.data();
  FileInfo info;
  info.attributes = Get32(in);
  info.creationTime = Get64(in + 4);
  info.lastAccessTime = Get64(in + 12);
  info.lastWriteTime = Get64(in + 20);
  info.sizeHigh = Get32(in + 28);
  info.sizeLow = Get32(in + 32);
  const uint8_t* name = in + kFileNameOffset;
  const uint8_t* end = std::find(name, name + kFileNameField, 0);
  info.name.assign(reinterpret_cast<const char*>(name), static_cast<size_t>(end - name));
  return info;
}

OfferBytes PackOffer(const FileInfo& info) {
  OfferBytes out{};
  Put32(out.data(), kOfferInfo);
  const FileInfoBytes record = PackFileInfo(info);
  std::copy(record.begin(), record.end(), out.begin() + 3 * kWordSize);
  return out;
}

OfferReplyBytes PackOfferReply(uint32_t code) {
  OfferReplyBytes out{};
  Put32(out.data(), code);
  return out;
}

std::optional<uint32_t> UnpackOfferReply(std::span<const uint8_t> bytes) {
  if (bytes.size() < kOfferReplySize) return std::nullopt;
  return Get32(bytes.data());
}

ChunkHeaderBytes PackChunkHeader(const ChunkHeader& header) {
  ChunkHeaderBytes out{};
  Put32(&out[0], header.type);
  Put32(&out[4], static_cast<uint32_t>(header.length));
  return out;
}

std::optional<ChunkHeader> UnpackChunkHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kChunkHeaderSize) return std::nullopt;
  ChunkHeader header;
  header.type = Get32(bytes.data());
  header.length = static_cast<int32_t>(Get32(bytes.data() + 4));
  return header;
}

}  // namespace kvel::p2p
