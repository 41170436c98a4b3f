// The records of the file-transfer stream that follows the handshake: the
// offer words, the 320-byte file description, the reply and the chunk header.
// All integers are 32-bit little-endian. Pure codecs: spans in, values out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "wire/word.h"

namespace kvel::wire {

// Words of the offer (sender to receiver, before the file description).
inline constexpr uint32_t kOfferStart = 1;
inline constexpr uint32_t kOfferInfo = 3;
// Reply codes (receiver to sender).
inline constexpr uint32_t kReplyAccept = 6;
inline constexpr uint32_t kReplyRefuse = 7;
// Chunk types: more chunks follow, or this is the last one.
inline constexpr uint32_t kChunkMore = 3;
inline constexpr uint32_t kChunkLast = 2;

// Every chunk but the last carries exactly this many bytes.
inline constexpr int kSendChunkSize = 4096;
// The sender reads the file in blocks of this size and writes whole chunks
// (header and data) in writes of at most kSendWriteMax bytes.
inline constexpr size_t kFileBlockSize = 256 * 1024;
inline constexpr size_t kSendWriteMax = 64 * 1024;
// The most one receive asks for; the receiver writes the file in blocks of
// kFileBlockSize.
inline constexpr size_t kReceiveBufferSize = 64 * 1024;

inline constexpr size_t kFileInfoSize = 320;
inline constexpr size_t kOfferReplySize = 12;
inline constexpr size_t kChunkHeaderSize = 12;
// The name field of the file description: offset and width.
inline constexpr size_t kFileNameOffset = 44;
inline constexpr size_t kFileNameField = 260;

// The file description (the layout of the platform's find-data record and
// two bytes of padding). Times are FILETIME values.
struct FileInfo {
  uint32_t attributes = 0;
  uint64_t creationTime = 0;
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  uint32_t sizeHigh = 0;
  uint32_t sizeLow = 0;
  // The offered name as it came: up to the first zero of its field, or the
  // whole 260-byte field when it holds none. Untrusted.
  std::string name;

  uint64_t Size() const { return (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow; }
};

using FileInfoBytes = std::array<uint8_t, kFileInfoSize>;
// Bytes the record leaves undefined are written as zero; the name is cut to
// 259 bytes so that its terminating zero fits the field.
FileInfoBytes EncodeFileInfo(const FileInfo& info);
// Nullopt when fewer than 320 bytes are given.
std::optional<FileInfo> DecodeFileInfo(std::span<const uint8_t> bytes);

// The offer's second item, written whole once the file is chosen:
// OfferInfo, two reserved zero words and the file description.
inline constexpr size_t kOfferSize = 3 * kWordSize + kFileInfoSize;
using OfferBytes = std::array<uint8_t, kOfferSize>;
OfferBytes EncodeOffer(const FileInfo& info);

// The receiver's answer: {code, offset, 0}. An acceptance's offset is the
// byte the receiver wants the file from (0: the whole file), so that a
// receiver that kept the start of a cut transfer gets only the rest.
// Offsets are 32-bit: no offset reaches past 4 GiB - 1.
struct OfferReply {
  uint32_t code = kReplyRefuse;
  uint32_t offset = 0;
};
using OfferReplyBytes = std::array<uint8_t, kOfferReplySize>;
OfferReplyBytes EncodeOfferReply(uint32_t code, uint32_t offset = 0);
// The code and the offset; the third word is not read.
std::optional<OfferReply> DecodeOfferReply(std::span<const uint8_t> bytes);

struct ChunkHeader {
  uint32_t type = kChunkLast;
  int32_t length = 0;  // data bytes after the header; 0 or less means none
};
using ChunkHeaderBytes = std::array<uint8_t, kChunkHeaderSize>;
ChunkHeaderBytes EncodeChunkHeader(const ChunkHeader& header);
// The reserved third word is not read.
std::optional<ChunkHeader> DecodeChunkHeader(std::span<const uint8_t> bytes);

}  // namespace kvel::wire
