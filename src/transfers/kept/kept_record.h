// What is kept beside a part that a cut transfer left, so that the same
// transfer is known when its file is offered again: a small text file.
//
//   kvel kept record 1
//   contact=1001
//   name=raport.pdf
//   size=40000
//   target=C:\Pobrane\raport.pdf
//   kept=12000
//   written=133781508000000000
//   at=1733745600
//
// One line each, in this order, ending in "\n". Pure: a value in, bytes out,
// and back; damaged bytes decode to nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvel::transfers {

// A record is never longer: the two texts are bounded.
inline constexpr size_t kMaxKeptRecordSize = 1024;

struct KeptRecord {
  uint32_t uin = 0;      // the contact that sent it
  std::string name;      // the offered name, sanitised
  int64_t size = 0;      // the size the offer announced
  std::string target;    // the path the user chose to save into
  int64_t kept = 0;      // bytes of the file in the part, from its start
  uint64_t written = 0;  // the part's last write time when it was kept (file time)
  uint32_t at = 0;       // when it was kept, in seconds since 1970

  bool operator==(const KeptRecord&) const = default;
};

std::string EncodeKeptRecord(const KeptRecord& record);
// Nothing unless `bytes` is exactly one record: every line, key and number
// as written, the name a sanitised one, the target a path within the
// platform's limit, and 0 < kept <= size.
std::optional<KeptRecord> DecodeKeptRecord(std::string_view bytes);

}  // namespace kvel::transfers
