// Keyboard and text injection: the exact key and character events, the batches of text, the
// release sequence after a refusal, the display wake, and the "performKeyPress" argument check.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "input/keyboard_injection.h"
#include "tests/unit/input_injection_rig.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using testing::ElementsAreArray;

// Scan codes the rig's MapVirtualKeyW answers.
constexpr uint16_t kScanA = 0x1E, kScanControl = 0x1D, kScanShift = 0x2A, kScanAlt = 0x38,
                   kScanDelete = 0x53, kScanLeft = 0x4B, kScanWin = 0x5B, kScanTab = 0x0F,
                   kScanReturn = 0x1C;

// Press and release of each unit as character events.
std::vector<tesso::InputRecord> Chars(const std::u16string& text) {
  std::vector<tesso::InputRecord> records;
  for (char16_t unit : text) {
    records.push_back(KeyRecord(0, unit, 4));
    records.push_back(KeyRecord(0, unit, 6));
  }
  return records;
}

std::vector<tesso::InputRecord> Cat(std::vector<std::vector<tesso::InputRecord>> parts) {
  std::vector<tesso::InputRecord> all;
  for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct KeyCallCase {
  const char* name;
  EncodableValue key_code;
  EncodableValue modifiers;
  std::function<void(InjectionRig&)> setup;
  std::vector<std::string> replies;  // after the queued jobs ran
  std::vector<InputCall> calls;
};

EncodableValue Names(std::vector<EncodableValue> names) {
  return EncodableValue(EncodableList(names));
}

TEST(KeyboardInjection, PerformKeyPressHoldsTheModifiersAroundTheKeyInOneCall) {
  const EncodableValue control("control"), shift("shift"), alt("alt"), win("win");
  const auto refuse = [](std::vector<size_t> calls) {
    return [calls](InjectionRig& r) {
      for (size_t n : calls) r.input.inserted_by_call[n] = n == 1 ? 3 : 0;
    };
  };
  const std::vector<tesso::InputRecord> control_shift_a = {
      KeyRecord(162, kScanControl, 0), KeyRecord(160, kScanShift, 0),
      KeyRecord(65, kScanA, 0),        KeyRecord(65, kScanA, 2),
      KeyRecord(160, kScanShift, 2),   KeyRecord(162, kScanControl, 2)};
  const auto release = [](uint16_t key, uint16_t scan) { return Sent({KeyRecord(key, scan, 2)}); };
  const std::vector<std::string> refused = {"success(false)"};
  const KeyCallCase cases[] = {
      {"control shift A",
       EncodableValue(65),
       Names({control, shift}),
       nullptr,
       {"success(true)"},
       {Sent(control_shift_a)}},
      {"alt control delete, extended",
       EncodableValue(int64_t{46}),
       Names({alt, control}),
       nullptr,
       {"success(true)"},
       {Sent({KeyRecord(164, kScanAlt, 0), KeyRecord(162, kScanControl, 0),
              KeyRecord(46, kScanDelete, 1), KeyRecord(46, kScanDelete, 3),
              KeyRecord(162, kScanControl, 2), KeyRecord(164, kScanAlt, 2)})}},
      {"win left, both extended",
       EncodableValue(37),
       Names({win}),
       nullptr,
       {"success(true)"},
       {Sent({KeyRecord(91, kScanWin, 1), KeyRecord(37, kScanLeft, 1), KeyRecord(37, kScanLeft, 3),
              KeyRecord(91, kScanWin, 3)})}},
      {"modifiers as text",
       EncodableValue(65),
       control,
       nullptr,
       {"success(true)"},
       {Sent({KeyRecord(65, kScanA, 0), KeyRecord(65, kScanA, 2)})}},
      {"repeated modifier",
       EncodableValue(65),
       Names({shift, shift}),
       nullptr,
       {"success(true)"},
       {Sent({KeyRecord(160, kScanShift, 0), KeyRecord(160, kScanShift, 0),
              KeyRecord(65, kScanA, 0), KeyRecord(65, kScanA, 2), KeyRecord(160, kScanShift, 2),
              KeyRecord(160, kScanShift, 2)})}},
      {"partly inserted",
       EncodableValue(65),
       Names({control, shift}),
       refuse({1}),
       refused,
       {Sent(control_shift_a), release(65, kScanA), release(160, kScanShift),
        release(162, kScanControl)}},
      {"releases retried",
       EncodableValue(65),
       Names({control, shift}),
       refuse({1, 2, 5}),
       refused,
       {Sent(control_shift_a), release(65, kScanA), Pause(20), release(65, kScanA),
        release(160, kScanShift), release(162, kScanControl), Pause(20),
        release(162, kScanControl)}},
      {"locked",
       EncodableValue(65),
       Names({control}),
       [](InjectionRig& r) { r.LockWorkstation(); },
       refused,
       {}},
      {"elevated foreground",
       EncodableValue(65),
       Names({}),
       [](InjectionRig& r) { r.input.foreground = kElevated; },
       refused,
       {}},
      {"key 0", EncodableValue(0), Names({}), nullptr, refused, {}},
      {"key 255", EncodableValue(255), Names({}), nullptr, refused, {}},
      {"key -1", EncodableValue(-1), Names({}), nullptr, refused, {}},
      {"key as double", EncodableValue(65.0), Names({}), nullptr, refused, {}},
      {"key missing", EncodableValue(), Names({}), nullptr, refused, {}},
      {"abbreviated modifier",
       EncodableValue(65),
       Names({EncodableValue("ctrl")}),
       nullptr,
       refused,
       {}},
      {"capitalised modifier",
       EncodableValue(65),
       Names({EncodableValue("Control")}),
       nullptr,
       refused,
       {}},
      {"numeric modifier", EncodableValue(65), Names({EncodableValue(162)}), nullptr, refused, {}},
      {"17 modifiers",
       EncodableValue(65),
       Names(std::vector<EncodableValue>(17, shift)),
       nullptr,
       refused,
       {}},
  };
  for (const KeyCallCase& c : cases) {
    SCOPED_TRACE(c.name);
    InjectionRig rig;
    if (c.setup) c.setup(rig);
    EncodableMap args = {{EncodableValue("modifiers"), c.modifiers}};
    if (!c.key_code.IsNull()) args[EncodableValue("keyCode")] = c.key_code;
    tesso::HandlePerformKeyPress(args, rig.Result(), rig.ports(), rig.run_input_job);
    rig.RunQueuedJobs();
    EXPECT_THAT(rig.replies, ElementsAreArray(c.replies));
    EXPECT_THAT(rig.input.calls, ElementsAreArray(c.calls));
  }
}

TEST(KeyboardInjection, InvalidArgumentsQueueNothing) {
  InjectionRig rig;
  tesso::HandlePerformKeyPress({{EncodableValue("keyCode"), EncodableValue(255)}}, rig.Result(),
                               rig.ports(), rig.run_input_job);
  EXPECT_TRUE(rig.queued.empty());
  EXPECT_THAT(rig.replies, ElementsAreArray({"success(false)"}));
}

TEST(KeyboardInjection, ExtendedKeysAreExactlyTheNavigationBlockAndTheWindowsKeys) {
  for (uint16_t key = 0; key <= 255; ++key) {
    const bool listed =
        (key >= 33 && key <= 40) || key == 45 || key == 46 || key == 91 || key == 92;
    EXPECT_EQ(tesso::IsExtendedKey(key), listed) << key;
  }
}

struct TextCase {
  const char* name;
  std::u16string text;
  std::function<void(InjectionRig&)> setup;
  bool result;
  std::vector<InputCall> calls;
};

TEST(KeyboardInjection, TypeTextSendsBatchesOfAboutSixtyFourEvents) {
  const std::u16string forty(40, u'x');
  const std::u16string high_32nd = std::u16string(31, u'x') + u"\U0001F600" + u"y";
  const std::u16string low_32nd = std::u16string(31, u'x') + u"\xDC00" + u"y";
  const auto inserted = [](uint32_t count) {
    return [count](InjectionRig& r) { r.input.inserted_by_call[1] = count; };
  };
  const TextCase cases[] = {
      {"CR skipped, LF is Enter",
       u"a\r\nb",
       nullptr,
       true,
       {Sent(Cat({Chars(u"a"),
                  {KeyRecord(13, kScanReturn, 0), KeyRecord(13, kScanReturn, 2)},
                  Chars(u"b")}))}},
      {"tab is the Tab key",
       u"\t",
       nullptr,
       true,
       {Sent({KeyRecord(9, kScanTab, 0), KeyRecord(9, kScanTab, 2)})}},
      {"a pair outside the basic plane",
       u"\U0001F600",
       nullptr,
       true,
       {Sent(Chars(u"\xD83D\xDE00"))}},
      {"40 characters",
       forty,
       nullptr,
       true,
       {Sent(Chars(forty.substr(0, 32))), Sent(Chars(forty.substr(32)))}},
      {"32nd unit a high surrogate",
       high_32nd,
       nullptr,
       true,
       {Sent(Chars(high_32nd.substr(0, 33))), Sent(Chars(u"y"))}},
      {"32nd unit a lone low surrogate",
       low_32nd,
       nullptr,
       true,
       {Sent(Chars(low_32nd.substr(0, 32))), Sent(Chars(u"y"))}},
      {"only CRs", u"\r\r", nullptr, true, {}},
      {"empty", u"", nullptr, false, {}},
      {"4097 units", std::u16string(4097, u'x'), nullptr, false, {}},
      {"first batch short", forty, inserted(10), false, {Sent(Chars(forty.substr(0, 32)))}},
      {"a press taken without its release",
       forty,
       inserted(11),
       false,
       {Sent(Chars(forty.substr(0, 32))), Sent({KeyRecord(0, u'x', 6)})}},
      {"Enter left down is released",
       u"\n",
       inserted(1),
       false,
       {Sent({KeyRecord(13, kScanReturn, 0), KeyRecord(13, kScanReturn, 2)}),
        Sent({KeyRecord(13, kScanReturn, 2)})}},
      {"locked", u"a", [](InjectionRig& r) { r.LockWorkstation(); }, false, {}},
      {"elevated foreground",
       u"a",
       [](InjectionRig& r) { r.input.foreground = kElevated; },
       false,
       {}},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    InjectionRig rig;
    if (c.setup) c.setup(rig);
    EXPECT_EQ(tesso::MakeTypeTextJob(rig.ports(), c.text)(), c.result);
    EXPECT_THAT(rig.input.calls, ElementsAreArray(c.calls));
  }
}

TEST(KeyboardInjection, TheLongestTextGoesOutIn128Batches) {
  InjectionRig rig;
  EXPECT_TRUE(tesso::TypeTextJob(rig.ports(), std::u16string(4096, u'x')));
  EXPECT_THAT(rig.input.calls,
              ElementsAreArray(std::vector<InputCall>(128, Sent(Chars(std::u16string(32, u'x'))))));
}

TEST(KeyboardInjection, WakeDisplayResetsTheIdleTimerAndNudgesThePointerEvenWhenLocked) {
  for (const bool all_inserted : {true, false}) {
    SCOPED_TRACE(all_inserted);
    InjectionRig rig;
    rig.LockWorkstation();
    rig.input.foreground = kElevated;
    if (!all_inserted) rig.input.inserted_by_call[1] = 1;
    EXPECT_EQ(tesso::MakeWakeDisplayJob(rig.ports())(), all_inserted);
    EXPECT_THAT(rig.input.calls,
                ElementsAreArray({ExecutionState(2),
                                  Sent({MouseRecord(1, 0, 0, 1), MouseRecord(-1, 0, 0, 1)})}));
  }
}

}  // namespace
}  // namespace tesso_test
