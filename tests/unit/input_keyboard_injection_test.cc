// Keyboard and text injection: the exact key and character events in one SendInput call or in
// batches of text, the releases after a refusal, the display wake, and the "performKeyPress"
// argument check.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/keyboard_injection.h"
#include "tests/unit/input_injection_rig.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableValue;
using testing::ElementsAreArray;

// A key event with the scan code the fake maps `key` to; flags 1 extended, 2 up.
std::string K(uint16_t key, uint32_t flags) {
  return "K " + Hex(key) + " " + Hex(key + 0x100u) + " " + Hex(flags);
}
// Press and release of each unit as Unicode events.
std::string Chars(const std::u16string& text) {
  std::string records;
  for (char16_t unit : text) {
    records += (records.empty() ? "K 0 " : ", K 0 ") + Hex(unit) + " 4, K 0 " + Hex(unit) + " 6";
  }
  return records;
}
std::string Send(const std::string& records) { return "SendInput(" + records + ")"; }
std::string Send(const Calls& records) {
  std::string text;
  for (const std::string& record : records) text += (text.empty() ? "" : ", ") + record;
  return Send(text);
}

TEST(KeyboardInjection, PerformKeyPressHoldsTheModifiersAroundTheKeyInOneCall) {
  const EncodableValue control("control"), shift("shift"), alt("alt"), win("win");
  const Calls control_shift_a = {K(0xA2, 0), K(0xA0, 0), K(65, 0),
                                 K(65, 2),   K(0xA0, 2), K(0xA2, 2)};
  const Calls done = {"queued", "true"}, failed = {"queued", "false"}, refused = {"false"};
  const struct {
    EncodableValue key, modifiers;
    Arrange setup;
    Calls replies, calls;
  } cases[] = {
      {65, EncodableList{control, shift}, nullptr, done, {Send(control_shift_a)}},
      {int64_t{46},
       EncodableList{alt, control},
       nullptr,
       done,
       {Send({K(0xA4, 0), K(0xA2, 0), K(46, 1), K(46, 3), K(0xA2, 2), K(0xA4, 2)})}},
      {37, EncodableList{win}, nullptr, done, {Send({K(0x5B, 1), K(37, 1), K(37, 3), K(0x5B, 3)})}},
      {65, control, nullptr, done, {Send({K(65, 0), K(65, 2)})}},  // not a list: none
      {65,
       EncodableList{shift, shift},
       nullptr,
       done,
       {Send({K(0xA0, 0), K(0xA0, 0), K(65, 0), K(65, 2), K(0xA0, 2), K(0xA0, 2)})}},
      // Partly inserted: the key and the modifiers released one by one, with retries.
      {65,
       EncodableList{control, shift},
       [](InjectionRig& r) { r.input.inserted_by_call[1] = 3; },
       failed,
       {Send(control_shift_a), Send(K(65, 2)), Send(K(0xA0, 2)), Send(K(0xA2, 2))}},
      {65,
       EncodableList{control, shift},
       Refuse({1, 2, 5}),
       failed,
       {Send(control_shift_a), Send(K(65, 2)), "Sleep(20)", Send(K(65, 2)), Send(K(0xA0, 2)),
        Send(K(0xA2, 2)), "Sleep(20)", Send(K(0xA2, 2))}},
      {65, EncodableList{control}, Lock, failed, {}},
      {65, EncodableList{}, [](InjectionRig& r) { r.input.foreground = kElevated; }, failed, {}},
      {0, EncodableList{}, nullptr, refused, {}},
      {255, EncodableList{}, nullptr, refused, {}},
      {-1, EncodableList{}, nullptr, refused, {}},
      {65.0, EncodableList{}, nullptr, refused, {}},
      {EncodableValue(), EncodableList{}, nullptr, refused, {}},
      {65, EncodableList{EncodableValue("ctrl")}, nullptr, refused, {}},
      {65, EncodableList{EncodableValue("Control")}, nullptr, refused, {}},
      {65, EncodableList{162}, nullptr, refused, {}},
      {65, EncodableList(17, shift), nullptr, refused, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    InjectionRig rig;
    if (c.setup) c.setup(rig);
    flutter::EncodableMap args = {{EncodableValue("modifiers"), c.modifiers}};
    if (!c.key.IsNull()) args[EncodableValue("keyCode")] = c.key;
    tesso::HandlePerformKeyPress(args, rig.Result(), rig.ports(), rig.run_input_job);
    rig.RunQueued();
    EXPECT_THAT(rig.replies, ElementsAreArray(c.replies));
    EXPECT_THAT(rig.input.log, ElementsAreArray(c.calls));
  }
}

TEST(KeyboardInjection, ExtendedKeysAreTheNavigationBlockAndTheWindowsKeys) {
  for (uint16_t key = 0; key <= 255; ++key) {
    const bool listed =
        (key >= 33 && key <= 40) || key == 45 || key == 46 || key == 91 || key == 92;
    EXPECT_EQ(tesso::IsExtendedKey(key), listed) << key;
  }
}

TEST(KeyboardInjection, TypeTextSendsBatchesOfAboutSixtyFourEvents) {
  const std::u16string x40(40, u'x'), x32(32, u'x');
  const std::u16string high = std::u16string(31, u'x') + u"\U0001F600y";
  const std::u16string low = std::u16string(31, u'x') + u"\xDC00y";
  const auto inserted = [](uint32_t count) {
    return [count](InjectionRig& r) { r.input.inserted_by_call[1] = count; };
  };
  const std::string enter = K(13, 0) + ", " + K(13, 2);
  const struct {
    std::u16string text;
    Arrange setup;
    bool result;
    Calls calls;
  } cases[] = {
      {u"a\r\nb", nullptr, true, {Send(Chars(u"a") + ", " + enter + ", " + Chars(u"b"))}},
      {u"\t", nullptr, true, {Send({K(9, 0), K(9, 2)})}},
      {u"\U0001F600", nullptr, true, {Send(Chars(u"\xD83D\xDE00"))}},
      {x40, nullptr, true, {Send(Chars(x32)), Send(Chars(u"xxxxxxxx"))}},
      // A batch never ends between the units of a pair; a lone low surrogate does not wait.
      {high, nullptr, true, {Send(Chars(high.substr(0, 33))), Send(Chars(u"y"))}},
      {low, nullptr, true, {Send(Chars(low.substr(0, 32))), Send(Chars(u"y"))}},
      {u"\r\r", nullptr, true, {}},
      {u"", nullptr, false, {}},
      {std::u16string(4097, u'x'), nullptr, false, {}},
      {std::u16string(4096, u'x'), nullptr, true, Calls(128, Send(Chars(x32)))},
      // Part of a batch taken: a press taken without its release is released.
      {x40, inserted(10), false, {Send(Chars(x32))}},
      {x40, inserted(11), false, {Send(Chars(x32)), Send("K 0 78 6")}},
      {u"\n", inserted(1), false, {Send(enter), Send(K(13, 2))}},
      {u"a", Lock, false, {}},
      {u"a", [](InjectionRig& r) { r.input.foreground = kElevated; }, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    InjectionRig rig;
    if (c.setup) c.setup(rig);
    EXPECT_EQ(tesso::MakeTypeTextJob(rig.ports(), c.text)(), c.result);
    EXPECT_THAT(rig.input.log, ElementsAreArray(c.calls));
  }
}

TEST(KeyboardInjection, WakeDisplayResetsTheIdleTimerAndNudgesThePointerEvenWhenLocked) {
  for (const uint32_t inserted : {2u, 1u}) {
    InjectionRig rig;
    Lock(rig);
    rig.input.foreground = kElevated;
    rig.input.inserted_by_call[1] = inserted;
    EXPECT_EQ(tesso::MakeWakeDisplayJob(rig.ports())(), inserted == 2);
    EXPECT_THAT(rig.input.log, testing::ElementsAre("SetThreadExecutionState(2)",
                                                    "SendInput(M 1 0 0 1, M -1 0 0 1)"));
  }
}

}  // namespace
}  // namespace tesso_test
