#include "transfers/kept/kept_record.h"

#include <gtest/gtest.h>

#include <string>

namespace kvel::transfers {
namespace {

KeptRecord Sample() {
  KeptRecord record;
  record.uin = 1001;
  record.name = "raport.pdf";
  record.size = 40000;
  record.target = "C:\\Pobrane\\raport.pdf";
  record.kept = 12000;
  record.written = 133781508000000000ull;
  record.at = 1733745600;
  return record;
}

const char kSampleBytes[] =
    "kvel kept record 1\n"
    "contact=1001\n"
    "name=raport.pdf\n"
    "size=40000\n"
    "target=C:\\Pobrane\\raport.pdf\n"
    "kept=12000\n"
    "written=133781508000000000\n"
    "at=1733745600\n";

TEST(KeptRecord, ReadsBackAsWritten) {
  EXPECT_EQ(EncodeKeptRecord(Sample()), kSampleBytes);
  KeptRecord extreme = Sample();
  extreme.uin = UINT32_MAX;
  extreme.name = std::string(255, 'n');
  extreme.size = INT64_MAX;
  extreme.target = "/" + std::string(258, 't');
  extreme.kept = INT64_MAX;
  extreme.written = UINT64_MAX;
  extreme.at = UINT32_MAX;
  for (const KeptRecord& record : {Sample(), extreme}) {
    const std::string bytes = EncodeKeptRecord(record);
    EXPECT_LE(bytes.size(), kMaxKeptRecordSize);
    EXPECT_EQ(DecodeKeptRecord(bytes), record);
  }
}

TEST(KeptRecord, DamagedRecordsReadAsNothing) {
  const std::string good = kSampleBytes;
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string bytes = good;
    bytes.replace(bytes.find(from), from.size(), to);
    return bytes;
  };
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"another header", replaced("kvel kept record 1", "kvel kept record 2")},
      {"bytes after the record", good + "x"},
      {"a line more", good + "extra=1\n"},
      {"lines out of order",
       replaced("contact=1001\nname=raport.pdf", "name=raport.pdf\ncontact=1001")},
      {"a key renamed", replaced("kept=", "kapt=")},
      {"carriage returns", replaced("\n", "\r\n")},
      {"a sign", replaced("size=40000", "size=+40000")},
      {"a negative size", replaced("size=40000", "size=-40000")},
      {"a leading zero", replaced("kept=12000", "kept=012000")},
      {"no digits", replaced("kept=12000", "kept=")},
      {"a letter among digits", replaced("kept=12000", "kept=12a00")},
      {"a size past 63 bits", replaced("size=40000", "size=9223372036854775808")},
      {"a contact past 32 bits", replaced("contact=1001", "contact=4294967296")},
      {"a time past 64 bits",
       replaced("written=133781508000000000", "written=18446744073709551616")},
      {"nothing kept", replaced("kept=12000", "kept=0")},
      {"more kept than announced", replaced("kept=12000", "kept=40001")},
      {"a name with a folder", replaced("name=raport.pdf", "name=..\\raport.pdf")},
      {"a device name", replaced("name=raport.pdf", "name=CON")},
      {"no name", replaced("name=raport.pdf", "name=")},
      {"no target", replaced("target=C:\\Pobrane\\raport.pdf", "target=")},
      {"a target past the limit", replaced("C:\\Pobrane\\raport.pdf", std::string(260, 't'))},
      {"a control byte in the target", replaced("Pobrane", std::string("Pob\x01rane"))},
      {"a zero byte in the target", replaced("Pobrane", std::string("Pob\0rane", 8))},
      {"longer than a record can be", good + std::string(kMaxKeptRecordSize, '\n')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeKeptRecord(c.bytes), std::nullopt) << c.name;
  }
}

TEST(KeptRecord, EveryCutOfARecordReadsAsNothing) {
  const std::string good = kSampleBytes;
  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_EQ(DecodeKeptRecord(good.substr(0, length)), std::nullopt) << length;
  }
}

}  // namespace
}  // namespace kvel::transfers
