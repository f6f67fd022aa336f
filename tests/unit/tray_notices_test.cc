// The tray's texts, the copy rule of the record's text fields, balloon notices, the viewer
// indication and a refused icon.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "base/string_conversions.h"
#include "messaging/encodable_value.h"
#include "tests/unit/window_channel_fixture.h"
#include "tray/notify_icon_record.h"
#include "tray/shell_constants.h"
#include "tray/tray_texts.h"

namespace tesso_test {
namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;
using tesso::CopyToField;
using tesso::FieldText;
using testing::ElementsAre;

// The texts as UTF-8 in this file, converted independently of the escapes in the product.
std::u16string FromUtf8(const char* text) { return tesso::Utf8ToWide(text); }

const std::u16string kViewerTip = FromUtf8("Tesso · 正在被远程查看");
const std::u16string kViewerTitle = FromUtf8("这台电脑正在被远程查看");
const std::u16string kViewerBody = FromUtf8("右键通知区域的Tesso图标，可以断开或停止被控。");

// "abc...zabc..." of `count` units: easy to see where a cut fell.
std::u16string Letters(size_t count) {
  std::u16string text;
  for (size_t i = 0; i < count; ++i) text.push_back(static_cast<char16_t>(u'a' + i % 26));
  return text;
}

// --- The texts ---

TEST(TrayTextsTest, EveryTextHasExactlyTheGivenCodeUnits) {
  EXPECT_EQ(std::u16string(tesso::kTipIdle), u"Tesso");
  EXPECT_EQ(std::u16string(tesso::kTipViewerActive), kViewerTip);
  EXPECT_EQ(std::u16string(tesso::kHideNoticeTitle), FromUtf8("Tesso仍在后台运行"));
  EXPECT_EQ(std::u16string(tesso::kHideNoticeBody),
            FromUtf8("电脑会保持在线。点这里的图标打开，右键可以退出。"));
  EXPECT_EQ(std::u16string(tesso::kViewerNoticeTitle), kViewerTitle);
  EXPECT_EQ(std::u16string(tesso::kViewerNoticeBody), kViewerBody);
  EXPECT_EQ(std::u16string(tesso::kMenuOpen), FromUtf8("打开Tesso"));
  EXPECT_EQ(std::u16string(tesso::kMenuExit), FromUtf8("退出Tesso"));
  EXPECT_EQ(std::u16string(tesso::kMenuDisconnect), FromUtf8("断开远程查看"));
  EXPECT_EQ(std::u16string(tesso::kMenuStopHosting), FromUtf8("停止被远程控制"));
}

// --- The copy rule: up to the field's size less one, up to the first NUL, cut anywhere ---

TEST(CopyRuleTest, TextsAreCopiedUpToTheFieldSizeLessOneAndTheFirstNul) {
  struct Row {
    std::u16string text;
    std::u16string tip, title, body;  // 128, 64 and 256 units
  };
  const Row rows[] = {
      {Letters(127), Letters(127), Letters(63), Letters(127)},
      {Letters(1000), Letters(127), Letters(63), Letters(255)},
      {std::u16string(u"ab\0cd", 5), u"ab", u"ab", u"ab"},
      {u"", u"", u"", u""},
      // U+1F600 (D83D DE00) at units 62 and 63 of a title: the high surrogate stays alone.
      {Letters(62) + u"\U0001F600", Letters(62) + u"\U0001F600",
       Letters(62) + std::u16string(1, 0xD83D), Letters(62) + u"\U0001F600"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text.size());
    std::array<char16_t, tesso::kTipUnits> tip;
    std::array<char16_t, tesso::kInfoTitleUnits> title;
    std::array<char16_t, tesso::kInfoUnits> body;
    tip.fill(u'#');
    title.fill(u'#');
    body.fill(u'#');
    CopyToField(row.text, &tip);
    CopyToField(row.text, &title);
    CopyToField(row.text, &body);
    EXPECT_EQ(FieldText(tip), row.tip);
    EXPECT_EQ(FieldText(title), row.title);
    EXPECT_EQ(FieldText(body), row.body);
    EXPECT_EQ(tip[row.tip.size()], u'\0');
    EXPECT_EQ(title[row.title.size()], u'\0');
    EXPECT_EQ(body[row.body.size()], u'\0');
  }
}

// --- Balloon notices from "showNotice" ---

TEST_F(WindowChannelTest, NoticeIsAModifyOfACopyWithTheBalloonFields) {
  Create();
  ClearRecords();
  EXPECT_TRUE(
      Call("showNotice", TextMap({{"title", "Hello"}, {"body", "连接已建立"}})).IsSuccessNull());
  EXPECT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 1"));
  const tesso::NotifyIconRecord& record = shell_.notify_calls.at(0).record;
  EXPECT_EQ(record.flags, 0x97u);
  EXPECT_EQ(record.info_flags, 0x14u);
  EXPECT_EQ(FieldText(record.info_title), u"Hello");
  EXPECT_EQ(FieldText(record.info), FromUtf8("连接已建立"));
  EXPECT_EQ(record.window, kWindow);
  EXPECT_EQ(record.id, 1u);
  EXPECT_EQ(record.callback_message, 0x8058u);
  EXPECT_EQ(record.icon, FakeShellPort::kIcon);
  EXPECT_EQ(record.version, 0u);
  EXPECT_EQ(FieldText(record.tip), u"Tesso");
  // The copy is discarded.
  EXPECT_EQ(FieldText(service_->icon_data().info_title), u"");
  EXPECT_EQ(service_->icon_data().flags, 0x87u);
}

TEST_F(WindowChannelTest, NoticeTextsAreCutConvertedLenientlyAndTheMissingOneIsEmpty) {
  std::string long_body;
  for (int i = 0; i < 300; ++i) long_body += "界";  // three bytes, one unit each
  struct Row {
    EncodableValue arguments;
    std::u16string title, body;
  };
  const Row rows[] = {
      {TextMap({{"title", "only a title"}}), u"only a title", u""},
      {TextMap({{"body", "only a body"}}), u"", u"only a body"},
      {EncodableValue(EncodableMap{{EncodableValue("title"), EncodableValue(int32_t{5})},
                                   {EncodableValue("body"), EncodableValue("text")}}),
       u"", u"text"},
      {TextMap({{"title", std::string(100, 'T')}, {"body", long_body}}), std::u16string(63, u'T'),
       std::u16string(255, u'\u754C')},
      {TextMap({{"title",
                 "a\xFF"
                 "b"},
                {"body",
                 "a\xE7"
                 "b\xE7\x95"}}),
       u"a\uFFFDb", u"a\uFFFDb\uFFFD"},
  };
  Create();
  for (const Row& row : rows) {
    ClearRecords();
    EXPECT_TRUE(Call("showNotice", row.arguments).IsSuccessNull());
    ASSERT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 1"));
    const tesso::NotifyIconRecord& record = shell_.notify_calls.at(0).record;
    EXPECT_EQ(FieldText(record.info_title), row.title);
    EXPECT_EQ(FieldText(record.info), row.body);
    EXPECT_EQ(record.flags, 0x97u);
  }
}

// --- The viewer indication ---

TEST_F(WindowChannelTest, ViewerNoticeAtEveryChangeToActive) {
  Create();
  for (int round = 0; round < 2; ++round) {
    ClearRecords();
    EXPECT_TRUE(Call("setViewerActive", EncodableValue(true)).IsSuccessNull());
    ASSERT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 1")) << round;
    const tesso::NotifyIconRecord& on = shell_.notify_calls.at(0).record;
    EXPECT_EQ(on.flags, 0x97u);
    EXPECT_EQ(on.info_flags, 0x14u);
    EXPECT_EQ(FieldText(on.tip), kViewerTip);
    EXPECT_EQ(FieldText(on.info_title), kViewerTitle);
    EXPECT_EQ(FieldText(on.info), kViewerBody);

    // Already active: nothing at all.
    ClearRecords();
    EXPECT_TRUE(Call("setViewerActive", EncodableValue(true)).IsSuccessNull());
    EXPECT_TRUE(shell_.calls.empty());

    // The viewer ends with close-to-tray on: the icon stays, its tooltip is back, no notice.
    EXPECT_TRUE(Call("setViewerActive", EncodableValue(false)).IsSuccessNull());
    ASSERT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 1"));
    const tesso::NotifyIconRecord& off = shell_.notify_calls.at(0).record;
    EXPECT_EQ(off.flags, 0x87u);
    EXPECT_EQ(off.info_flags, 0u);
    EXPECT_EQ(FieldText(off.tip), u"Tesso");
    EXPECT_EQ(FieldText(off.info_title), u"");
    EXPECT_EQ(FieldText(off.info), u"");
    EXPECT_TRUE(service_->icon_added());
  }
}

TEST_F(WindowChannelTest, HideNoticeIsAModifyOfACopyWithItsTexts) {
  Create();
  ClearRecords();
  Offer(tesso::kWmClose);
  const tesso::NotifyIconRecord& notice = shell_.notify_calls.at(0).record;
  EXPECT_EQ(notice.flags, 0x10u);
  EXPECT_EQ(notice.info_flags, 0x14u);
  EXPECT_EQ(notice.id, 1u);
  EXPECT_EQ(FieldText(notice.info_title), FromUtf8("Tesso仍在后台运行"));
  EXPECT_EQ(FieldText(notice.info), FromUtf8("电脑会保持在线。点这里的图标打开，右键可以退出。"));
  // The record itself never carries balloon text.
  EXPECT_EQ(FieldText(service_->icon_data().info), u"");
  EXPECT_EQ(service_->icon_data().flags, 0x87u);
}

TEST_F(WindowChannelTest, IconIsReAddedWithTheTooltipOfTheMoment) {
  Create();
  Call("setViewerActive", EncodableValue(true));
  shell_.holds_icon = false;  // the taskbar restarted
  ClearRecords();
  Offer(TaskbarCreatedMessage());
  EXPECT_EQ(FieldText(shell_.NotifyCalls(tesso::kNimAdd).at(0).record.tip), kViewerTip);
  // The version request is a copy that differs only in its version.
  const tesso::NotifyIconRecord versioned = shell_.NotifyCalls(tesso::kNimSetVersion).at(0).record;
  EXPECT_EQ(versioned.version, 4u);
  EXPECT_EQ(versioned.flags, 0x87u);
  EXPECT_EQ(versioned.id, 1u);
  EXPECT_EQ(versioned.callback_message, 0x8058u);
  EXPECT_EQ(versioned.icon, FakeShellPort::kIcon);
  EXPECT_EQ(FieldText(versioned.info_title), u"");
  EXPECT_EQ(service_->icon_data().version, 0u);
}

}  // namespace
}  // namespace tesso_test
