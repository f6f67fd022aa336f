#include "tests/unit/input_injection_rig.h"

#include <memory>

#include "messaging/method_result_functions.h"
#include "tests/unit/value_description.h"

namespace tesso_test {

InjectionRig::InjectionRig() {
  SetDisplays({Monitor(1, 0, 0, 65536, 65536, true)}, 0, 0, 65536, 65536);
  session.current_pid = 100;
  session.processes[100].label = std::vector<uint32_t>{0x2000};
  session.processes[200].label = std::vector<uint32_t>{0x3000};
  session.window_pids[kElevated] = 200;
  input.scan_codes = {{9, 0x0F},  {13, 0x1C},  {37, 0x4B},  {46, 0x53}, {65, 0x1E},
                      {91, 0x5B}, {160, 0x2A}, {162, 0x1D}, {164, 0x38}};
  run_input_job = [this](tesso::SharedMethodResult result, tesso::InputJob job) {
    queued.emplace_back(std::move(result), std::move(job));
  };
}

void InjectionRig::SetDisplays(std::vector<FakeMonitor> monitors, int32_t left, int32_t top,
                               int32_t width, int32_t height) {
  displays.monitors = std::move(monitors);
  displays.metrics = {{76, left}, {77, top}, {78, width}, {79, height}};
}

void InjectionRig::LockWorkstation() {
  session.desktop_name = u"Winlogon";
  session.session = tesso::SessionInfoEx{1, 0};
}

void InjectionRig::ShowSecureDesktop() { session.desktop_name = u"Winlogon"; }

tesso::SharedMethodResult InjectionRig::Result() {
  using Value = flutter::EncodableValue;
  return std::make_shared<flutter::MethodResultFunctions<Value>>(
      [this](const Value* value) {
        replies.push_back("success(" + (value ? Describe(*value) : "none") + ")");
      },
      [this](const std::string& code, const std::string&, const Value*) {
        replies.push_back("error(" + code + ")");
      },
      [this] { replies.push_back("not implemented"); });
}

void InjectionRig::RunQueuedJobs() {
  for (auto& [result, job] : queued) result->Success(flutter::EncodableValue(job()));
  queued.clear();
}

}  // namespace tesso_test
