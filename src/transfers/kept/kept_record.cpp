#include "transfers/kept/kept_record.h"

#include <limits>

#include "transfers/stream/offered_name.h"
#include "transfers/kept/part_names.h"

namespace kvel::transfers {
namespace {

constexpr char kHeader[] = "kvel kept record 1";

// Reads the lines of a record one after another.
class Lines {
 public:
  explicit Lines(std::string_view bytes) : rest_(bytes) {}

  // The value of the next line, which must be "<key>=<value>".
  std::optional<std::string_view> Value(std::string_view key) {
    const std::optional<std::string_view> line = Next();
    if (!line || line->size() <= key.size() || line->substr(0, key.size()) != key ||
        (*line)[key.size()] != '=')
      return std::nullopt;
    return line->substr(key.size() + 1);
  }
  std::optional<std::string_view> Next() {
    const size_t end = rest_.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = rest_.substr(0, end);
    rest_ = rest_.substr(end + 1);
    return line;
  }
  bool AtEnd() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// Decimal digits only, no sign, no leading zero but for 0 itself.
std::optional<uint64_t> Number(std::optional<std::string_view> text, uint64_t max) {
  if (!text || text->empty() || (text->size() > 1 && (*text)[0] == '0')) return std::nullopt;
  uint64_t value = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

bool Printable(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace

std::string EncodeKeptRecord(const KeptRecord& record) {
  return std::string(kHeader) + "\ncontact=" + std::to_string(record.uin) +
         "\nname=" + record.name + "\nsize=" + std::to_string(record.size) +
         "\ntarget=" + record.target + "\nkept=" + std::to_string(record.kept) +
         "\nwritten=" + std::to_string(record.written) + "\nat=" + std::to_string(record.at) + "\n";
}

std::optional<KeptRecord> DecodeKeptRecord(std::string_view bytes) {
  if (bytes.size() > kMaxKeptRecordSize) return std::nullopt;
  Lines lines(bytes);
  if (lines.Next() != std::string_view(kHeader)) return std::nullopt;
  constexpr uint64_t kMaxCount = std::numeric_limits<int64_t>::max();
  const std::optional<uint64_t> uin = Number(lines.Value("contact"), UINT32_MAX);
  const std::optional<std::string_view> name = lines.Value("name");
  const std::optional<uint64_t> size = Number(lines.Value("size"), kMaxCount);
  const std::optional<std::string_view> target = lines.Value("target");
  const std::optional<uint64_t> kept = Number(lines.Value("kept"), kMaxCount);
  const std::optional<uint64_t> written = Number(lines.Value("written"), UINT64_MAX);
  const std::optional<uint64_t> at = Number(lines.Value("at"), UINT32_MAX);
  if (!uin || !name || !size || !target || !kept || !written || !at || !lines.AtEnd())
    return std::nullopt;
  if (name->size() > kMaxOfferedNameLength || SanitizeOfferedName(*name) != *name)
    return std::nullopt;
  if (target->empty() || target->size() > kMaxPathLength || !Printable(*target))
    return std::nullopt;
  if (*kept == 0 || *kept > *size) return std::nullopt;
  KeptRecord record;
  record.uin = static_cast<uint32_t>(*uin);
  record.name = std::string(*name);
  record.size = static_cast<int64_t>(*size);
  record.target = std::string(*target);
  record.kept = static_cast<int64_t>(*kept);
  record.written = *written;
  record.at = static_cast<uint32_t>(*at);
  return record;
}

}  // namespace kvel::transfers
