// An IP Helper port for the inventory and wake service tests: answers from a script, logs
// every call as a short line, can throw as memory exhaustion does, and can hold the list
// query until the test releases it (to keep a query in flight).
#ifndef TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "wake/ip_helper_port.h"

namespace tesso_test {

// One listed interface and the answer of its GetIfEntry2.
struct FakeInterface {
  tesso::AdapterRecord record;
  uint32_t rc = tesso::kNoError;
  tesso::InterfaceRow row;  // copied out except interface_luid
};

// "{GUID-<luid>}", "Ethernet <last digit of luid>", up, hardware, Ethernet.
inline FakeInterface EthernetInterface(uint64_t luid, std::vector<uint8_t> mac, uint32_t rc = 0) {
  FakeInterface fake{
      {"{GUID-" + std::to_string(luid) + "}",
       u"Ethernet " + std::u16string(1, static_cast<char16_t>('0' + luid % 10)), luid},
      rc,
      {}};
  fake.row.physical_address_length = static_cast<uint32_t>(mac.size());
  std::copy(mac.begin(), mac.end(), fake.row.physical_address.begin());
  fake.row.type = 6;
  fake.row.interface_and_oper_status_flags = tesso::kHardwareInterfaceFlag;
  fake.row.oper_status = tesso::kIfOperStatusUp;
  return fake;
}

class FakeIpHelperPort : public tesso::IpHelperPort {
 public:
  // GetAdaptersAddresses answers {code, size written back (0: as given)} in order, the last
  // one repeating; none: kNoError.
  std::vector<std::pair<uint32_t, uint32_t>> list_answers;
  std::vector<FakeInterface> interfaces;
  bool throw_bad_alloc = false;  // ReadAdapterList throws std::bad_alloc
  // "GetAdaptersAddresses <family> <flags> <size> zeroed|dirty", "ReadAdapterList
  // written|other", "GetIfEntry2 <luid>". Read once the query is over.
  std::vector<std::string> calls;

  // While held, GetAdaptersAddresses waits for Release(); WaitUntilHeld until one waits.
  void Hold() { Set(true); }
  void Release() { Set(false); }
  void WaitUntilHeld() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return waiting_; });
  }

  uint32_t GetAdaptersAddresses(uint32_t family, uint32_t flags, uint8_t* buffer,
                                uint32_t* size) override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      waiting_ = held_;
      changed_.notify_all();
      changed_.wait(lock, [this] { return !held_; });
      waiting_ = false;
    }
    const bool zeroed = std::all_of(buffer, buffer + *size, [](uint8_t b) { return b == 0; });
    calls.push_back("GetAdaptersAddresses " + std::to_string(family) + " " + std::to_string(flags) +
                    " " + std::to_string(*size) + (zeroed ? " zeroed" : " dirty"));
    const auto answer = list_answers.empty()
                            ? std::make_pair(0u, 0u)
                            : list_answers[std::min(list_calls_++, list_answers.size() - 1)];
    if (answer.second != 0) *size = answer.second;
    if (answer.first == tesso::kNoError && *size > 0) buffer[0] = 'L';  // the first record
    written_ = answer.first == tesso::kNoError ? buffer : written_;
    return answer.first;
  }
  std::vector<tesso::AdapterRecord> ReadAdapterList(const uint8_t* buffer) override {
    calls.push_back(buffer == written_ && buffer[0] == 'L' ? "ReadAdapterList written"
                                                           : "ReadAdapterList other");
    if (throw_bad_alloc) throw std::bad_alloc();
    std::vector<tesso::AdapterRecord> records;
    for (const FakeInterface& fake : interfaces) records.push_back(fake.record);
    return records;
  }
  uint32_t GetIfEntry2(tesso::InterfaceRow* row) override {
    const uint64_t luid = row->interface_luid;
    calls.push_back("GetIfEntry2 " + std::to_string(luid));
    for (const FakeInterface& fake : interfaces) {
      if (fake.record.luid != luid) continue;
      *row = fake.row;
      row->interface_luid = luid;
      return fake.rc;
    }
    return 1168;  // ERROR_NOT_FOUND: not an interface of the script
  }

 private:
  void Set(bool held) {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = held;
    changed_.notify_all();
  }

  std::mutex mutex_;  // guards held_ and waiting_
  std::condition_variable changed_;
  bool held_ = false, waiting_ = false;
  size_t list_calls_ = 0;
  const uint8_t* written_ = nullptr;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_
