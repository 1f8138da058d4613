#include "platform/posix/hive_registry.h"

#include <gtest/gtest.h>


namespace {

using platform::posix::HiveRegistry;
using platform::HKey;
using platform::kHKeyLocalMachine;

constexpr HKey kHKeyCurrentUser = 0x80000001u;
// Every right but deleting: what a reader that asks for too much requests.
constexpr std::uint32_t kAllAccessButDelete = 0x2003F;
const std::u16string kMsinfo = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

class HiveRegistryTest : public ::testing::Test {
 protected:
  HiveRegistryTest()
      : hive_({{kHKeyLocalMachine, kMsinfo, u"PATH", platform::kRegSz, Bytes(std::string("C:\\msinfo32.exe\0", 16))},
               {kHKeyLocalMachine, kMsinfo, u"Bare", platform::kRegSz, Bytes("abc")},
               {kHKeyLocalMachine, kMsinfo, u"Number", platform::kRegDword, {5, 1, 0, 0}}}) {}

  std::int32_t Open(const std::u16string& key, std::uint32_t access = platform::kKeyRead, HKey root = kHKeyLocalMachine) {
    return hive_.RegOpenKeyExA(root, key, 0, access, handle_);
  }

  // Reads into a buffer of `size`; the bytes come back only on success.
  std::int32_t Query(const std::u16string& name, std::uint32_t& size, std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t> buffer(size, 0xEE);
    const auto result = hive_.RegQueryValueExA(handle_, name, 0, type_, buffer.data(), size);
    out.assign(buffer.begin(), buffer.begin() + (result == 0 ? size : 0));
    return result;
  }

  HiveRegistry hive_;
  HKey handle_ = 0;
  std::uint32_t type_ = 0;
};

TEST_F(HiveRegistryTest, KeysOpenForReadingOnly) {
  EXPECT_EQ(Open(kMsinfo), platform::kErrorSuccess);
  EXPECT_EQ(Open(u"software\\MICROSOFT\\shared tools\\msinfo"), platform::kErrorSuccess);
  EXPECT_EQ(Open(u"SOFTWARE\\Microsoft"), platform::kErrorSuccess) << "a parent key exists too";
  EXPECT_EQ(Open(kMsinfo, 0x0001), platform::kErrorSuccess);  // query value alone

  for (std::uint32_t write : {kAllAccessButDelete, 0x2u, 0x4u, 0x20u, 0x10000u}) {
    EXPECT_EQ(Open(kMsinfo, write), platform::kErrorAccessDenied) << write;
  }
  EXPECT_EQ(Open(u"SOFTWARE\\Micro"), platform::kErrorFileNotFound);
  EXPECT_EQ(Open(u"SOFTWARE\\Microsoft\\Shared Tools Location"), platform::kErrorFileNotFound);
  EXPECT_EQ(Open(kMsinfo, platform::kKeyRead, kHKeyCurrentUser), platform::kErrorFileNotFound);
}

TEST_F(HiveRegistryTest, ValuesComeBackByteForByte) {
  ASSERT_EQ(Open(kMsinfo), 0);
  std::vector<std::uint8_t> out;
  std::uint32_t size = 1024;
  EXPECT_EQ(Query(u"path", size, out), 0);
  EXPECT_EQ(type_, platform::kRegSz);
  EXPECT_EQ(out, Bytes(std::string("C:\\msinfo32.exe\0", 16))) << "final zero kept";

  size = 1024;
  EXPECT_EQ(Query(u"Bare", size, out), 0);
  EXPECT_EQ(out, Bytes("abc")) << "no zero added";
  size = 3;
  EXPECT_EQ(Query(u"Bare", size, out), 0) << "an exact fit is enough";

  size = 1024;
  EXPECT_EQ(Query(u"Number", size, out), 0);
  EXPECT_EQ(type_, platform::kRegDword);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{5, 1, 0, 0}));

  size = 15;
  EXPECT_EQ(Query(u"PATH", size, out), platform::kErrorMoreData);
  EXPECT_EQ(size, 16u) << "the size needed";
  size = 1024;
  EXPECT_EQ(Query(u"MSINFO", size, out), platform::kErrorFileNotFound);
}

TEST_F(HiveRegistryTest, HandlesLiveUntilClosed) {
  ASSERT_EQ(Open(u"SOFTWARE\\Microsoft"), 0);
  const HKey parent = handle_;
  ASSERT_EQ(Open(u"Shared Tools\\MSINFO", platform::kKeyRead, parent), 0) << "relative to an open key";
  std::vector<std::uint8_t> out;
  std::uint32_t size = 1024;
  EXPECT_EQ(Query(u"Bare", size, out), 0);

  EXPECT_EQ(hive_.RegCloseKey(handle_), 0);
  EXPECT_EQ(Query(u"Bare", size, out), HiveRegistry::kErrorInvalidHandle);
  EXPECT_EQ(hive_.RegCloseKey(handle_), HiveRegistry::kErrorInvalidHandle);
  EXPECT_EQ(hive_.RegCloseKey(parent), 0);
  EXPECT_EQ(hive_.RegOpenKeyExA(0x1234, kMsinfo, 0, platform::kKeyRead, handle_), HiveRegistry::kErrorInvalidHandle);
}

}  // namespace
