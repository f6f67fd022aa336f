#include "tests/fakes/fake_ip_helper_port.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace tesso_test {
namespace {

// What the fake writes where Windows would put the first record.
constexpr uint8_t kWrittenMark[] = {'L', 'I', 'S', 'T'};

}  // namespace

FakeInterface EthernetInterface(uint64_t luid, std::vector<uint8_t> mac) {
  FakeInterface fake;
  fake.record.adapter_name = "{GUID-" + std::to_string(luid) + "}";
  fake.record.friendly_name =
      u"Ethernet " + std::u16string(1, static_cast<char16_t>('0' + luid % 10));
  fake.record.luid = luid;
  fake.row.physical_address_length = static_cast<uint32_t>(mac.size());
  std::copy(mac.begin(), mac.end(), fake.row.physical_address.begin());
  fake.row.type = 6;
  fake.row.interface_and_oper_status_flags = tesso::kHardwareInterfaceFlag;
  fake.row.oper_status = tesso::kIfOperStatusUp;
  return fake;
}

void FakeIpHelperPort::Hold() {
  std::lock_guard<std::mutex> lock(mutex_);
  held_ = true;
}

void FakeIpHelperPort::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  held_ = false;
  changed_.notify_all();
}

void FakeIpHelperPort::WaitUntilHeld() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return waiting_; });
}

uint32_t FakeIpHelperPort::GetAdaptersAddresses(uint32_t family, uint32_t flags, uint8_t* buffer,
                                                uint32_t* size) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_ = held_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_; });
    waiting_ = false;
  }
  ListCall call;
  call.family = family;
  call.flags = flags;
  call.size = *size;
  call.buffer_zeroed = std::all_of(buffer, buffer + *size, [](uint8_t b) { return b == 0; });
  const size_t index = list_calls.size();
  list_calls.push_back(call);

  ListAnswer answer;
  if (!list_answers.empty()) answer = list_answers[std::min(index, list_answers.size() - 1)];
  if (answer.size != 0) *size = answer.size;
  if (answer.rc == tesso::kNoError && *size >= sizeof(kWrittenMark)) {
    std::memcpy(buffer, kWrittenMark, sizeof(kWrittenMark));
    std::lock_guard<std::mutex> lock(mutex_);
    written_ = buffer;
  }
  return answer.rc;
}

std::vector<tesso::AdapterRecord> FakeIpHelperPort::ReadAdapterList(const uint8_t* buffer) {
  ++list_reads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (buffer != written_ || std::memcmp(buffer, kWrittenMark, sizeof(kWrittenMark)) != 0) {
      read_written_buffer = false;
    }
  }
  if (throw_bad_alloc) throw std::bad_alloc();
  std::vector<tesso::AdapterRecord> records;
  for (const FakeInterface& fake : interfaces) records.push_back(fake.record);
  return records;
}

uint32_t FakeIpHelperPort::GetIfEntry2(tesso::InterfaceRow* row) {
  row_luids.push_back(row->interface_luid);
  tesso::InterfaceRow zero;
  zero.interface_luid = row->interface_luid;
  if (row->physical_address_length != 0 || row->physical_address != zero.physical_address ||
      row->type != 0 || row->interface_and_oper_status_flags != 0 || row->oper_status != 0) {
    rows_zeroed = false;
  }
  for (const FakeInterface& fake : interfaces) {
    if (fake.record.luid != row->interface_luid) continue;
    const uint64_t luid = row->interface_luid;
    *row = fake.row;
    row->interface_luid = luid;
    return fake.rc;
  }
  return 1168;  // ERROR_NOT_FOUND: not an interface of the script
}

}  // namespace tesso_test
