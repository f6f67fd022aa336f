// An IP Helper port for the inventory and wake service tests: answers from a script, records
// every call, can throw as memory exhaustion does, and can hold the list query until the
// test releases it (to keep a query in flight).
#ifndef TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "wake/ip_helper_port.h"

namespace tesso_test {

// One scripted answer of GetAdaptersAddresses: its code and the size it writes back.
struct ListAnswer {
  uint32_t rc = tesso::kNoError;
  uint32_t size = 0;  // 0: leave the size as given
};

struct ListCall {
  uint32_t family = 0;
  uint32_t flags = 0;
  uint32_t size = 0;           // the size offered
  bool buffer_zeroed = false;  // every offered byte was zero
};

// One listed interface and the answer of its GetIfEntry2.
struct FakeInterface {
  tesso::AdapterRecord record;
  uint32_t rc = tesso::kNoError;
  tesso::InterfaceRow row;  // copied out except interface_luid
};

// An interface with a six-byte address, up, hardware, Ethernet.
FakeInterface EthernetInterface(uint64_t luid, std::vector<uint8_t> mac);

class FakeIpHelperPort : public tesso::IpHelperPort {
 public:
  // Script (set before the query runs). list_answers: one per call, the last one repeats; none
  // means kNoError.
  std::vector<ListAnswer> list_answers;
  std::vector<FakeInterface> interfaces;
  bool throw_bad_alloc = false;  // ReadAdapterList throws std::bad_alloc

  // Records (read them once the query is over).
  std::vector<ListCall> list_calls;
  int list_reads = 0;
  bool read_written_buffer = true;  // every ReadAdapterList got the buffer the list was written to
  std::vector<uint64_t> row_luids;  // GetIfEntry2 calls, in order
  bool rows_zeroed = true;          // every row came in zero except its LUID

  // Holding: while held, GetAdaptersAddresses waits for Release().
  void Hold();
  void Release();
  // Waits until a list query is waiting in the hold.
  void WaitUntilHeld();

  uint32_t GetAdaptersAddresses(uint32_t family, uint32_t flags, uint8_t* buffer,
                                uint32_t* size) override;
  std::vector<tesso::AdapterRecord> ReadAdapterList(const uint8_t* buffer) override;
  uint32_t GetIfEntry2(tesso::InterfaceRow* row) override;

 private:
  std::mutex mutex_;  // guards the three hold members
  std::condition_variable changed_;
  bool held_ = false;
  bool waiting_ = false;
  const uint8_t* written_ = nullptr;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_IP_HELPER_PORT_H_
