// An IP Helper port for the inventory and wake service tests: answers from a script, logs
// every call as a short line, can throw as memory exhaustion does, and can hold the list
// query until the test releases it (to keep a query in flight).
#ifndef TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "wake/ip_helper_port.h"

namespace tesso_test {

// One listed interface and the answer of its GetIfEntry2.
struct FakeInterface {
  tesso::AdapterRecord record;
  uint32_t rc = tesso::kNoError;
  tesso::InterfaceRow row;  // copied out except interface_luid
};

// "{GUID-<luid>}", "Ethernet <luid>": a six-byte address unless `mac` says otherwise, up,
// hardware, Ethernet.
FakeInterface EthernetInterface(uint64_t luid, std::vector<uint8_t> mac, uint32_t rc = 0);

class FakeIpHelperPort : public tesso::IpHelperPort {
 public:
  // GetAdaptersAddresses answers {code, size written back (0: as given)} in order, the last
  // one repeating; none: kNoError.
  std::vector<std::pair<uint32_t, uint32_t>> list_answers;
  std::vector<FakeInterface> interfaces;
  bool throw_bad_alloc = false;  // ReadAdapterList throws std::bad_alloc

  // "GetAdaptersAddresses <family> <flags> <size> zeroed|dirty", "ReadAdapterList
  // written|other", "GetIfEntry2 <luid> zeroed|dirty". Read once the query is over.
  std::vector<std::string> calls;

  // While held, GetAdaptersAddresses waits for Release().
  void Hold();
  void Release();
  // Waits until a list query is waiting in the hold.
  void WaitUntilHeld();

  uint32_t GetAdaptersAddresses(uint32_t family, uint32_t flags, uint8_t* buffer,
                                uint32_t* size) override;
  std::vector<tesso::AdapterRecord> ReadAdapterList(const uint8_t* buffer) override;
  uint32_t GetIfEntry2(tesso::InterfaceRow* row) override;

 private:
  std::mutex mutex_;  // guards held_ and waiting_
  std::condition_variable changed_;
  bool held_ = false;
  bool waiting_ = false;
  int list_calls_ = 0;
  const uint8_t* written_ = nullptr;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_
