#include "world_files.h"

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <random>
#include <vector>

#include "wait_until.h"

namespace kvel::e2e {
namespace {
// kSha256, hidden by the Windows XP target of the build.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;
}  // namespace

void MakeFile(const std::string& path, uint64_t size, uint32_t seed) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::mt19937 random(seed);
  std::vector<uint32_t> block(16384);
  while (size > 0) {
    for (uint32_t& word : block) word = random();
    uint64_t n = size < block.size() * 4 ? size : block.size() * 4;
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    size -= n;
  }
}

std::string FileSha256(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    return {};
  }
  std::string result;
  if (CryptCreateHash(provider, kSha256, 0, 0, &hash)) {
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
      CryptHashData(hash, reinterpret_cast<const BYTE*>(buffer.data()),
                    static_cast<DWORD>(in.gcount()), 0);
    }
    BYTE digest[32];
    DWORD length = sizeof digest;
    if (CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0)) {
      static const char kHex[] = "0123456789abcdef";
      for (DWORD i = 0; i < length; ++i) {
        result += kHex[digest[i] >> 4];
        result += kHex[digest[i] & 15];
      }
    }
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  return result;
}

uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

uint64_t ArrivingSize(const std::string& target) {
  // Beside the target under its long part name; else, where that would not
  // fit, under a short one ("~" and six digits, ".part") in its folder.
  const size_t separator = target.find_last_of("\\/");
  const std::string folder = separator == std::string::npos ? "" : target.substr(0, separator + 1);
  for (const std::string& pattern : {target + ".*.kvel-part", folder + "~??????.part"}) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) continue;
    FindClose(find);
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return 0;
}

bool WaitForSize(const std::string& path, uint64_t size, int ms) {
  return WaitUntil([&] { return FileSize(path) == size; }, ms, 50);
}

}  // namespace kvel::e2e
