#include "tests/fakes/fake_ip_helper_port.h"

#include <algorithm>
#include <new>
#include <utility>

namespace tesso_test {

FakeInterface EthernetInterface(uint64_t luid, std::vector<uint8_t> mac, uint32_t rc) {
  FakeInterface fake;
  fake.record = {"{GUID-" + std::to_string(luid) + "}",
                 u"Ethernet " + std::u16string(1, static_cast<char16_t>('0' + luid % 10)), luid};
  fake.rc = rc;
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
  const bool zeroed = std::all_of(buffer, buffer + *size, [](uint8_t b) { return b == 0; });
  calls.push_back("GetAdaptersAddresses " + std::to_string(family) + " " + std::to_string(flags) +
                  " " + std::to_string(*size) + (zeroed ? " zeroed" : " dirty"));
  std::pair<uint32_t, uint32_t> answer{tesso::kNoError, 0};
  const size_t index = static_cast<size_t>(list_calls_++);
  if (!list_answers.empty()) answer = list_answers[std::min(index, list_answers.size() - 1)];
  if (answer.second != 0) *size = answer.second;
  if (answer.first == tesso::kNoError && *size > 0) {
    buffer[0] = 'L';  // where Windows would put the first record
    written_ = buffer;
  }
  return answer.first;
}

std::vector<tesso::AdapterRecord> FakeIpHelperPort::ReadAdapterList(const uint8_t* buffer) {
  calls.push_back(buffer == written_ && buffer[0] == 'L' ? "ReadAdapterList written"
                                                         : "ReadAdapterList other");
  if (throw_bad_alloc) throw std::bad_alloc();
  std::vector<tesso::AdapterRecord> records;
  for (const FakeInterface& fake : interfaces) records.push_back(fake.record);
  return records;
}

uint32_t FakeIpHelperPort::GetIfEntry2(tesso::InterfaceRow* row) {
  tesso::InterfaceRow zero;
  zero.interface_luid = row->interface_luid;
  const bool zeroed = row->physical_address_length == 0 &&
                      row->physical_address == zero.physical_address && row->type == 0 &&
                      row->interface_and_oper_status_flags == 0 && row->oper_status == 0;
  calls.push_back("GetIfEntry2 " + std::to_string(row->interface_luid) +
                  (zeroed ? " zeroed" : " dirty"));
  for (const FakeInterface& fake : interfaces) {
    if (fake.record.luid != row->interface_luid) continue;
    *row = fake.row;
    row->interface_luid = zero.interface_luid;
    return fake.rc;
  }
  return 1168;  // ERROR_NOT_FOUND: not an interface of the script
}

}  // namespace tesso_test
