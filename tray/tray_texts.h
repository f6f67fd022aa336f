// The texts the user sees in the tray: tooltips, notices and menu items. Written with escapes
// so that the source's encoding cannot change a code unit.
#ifndef TESSO_TRAY_TRAY_TEXTS_H_
#define TESSO_TRAY_TRAY_TEXTS_H_

namespace tesso {

// "Tesso"
constexpr char16_t kTipIdle[] = u"Tesso";
// "Tesso · 正在被远程查看" (space, U+00B7 middle dot, space)
constexpr char16_t kTipViewerActive[] = u"Tesso \u00B7 \u6B63\u5728\u88AB\u8FDC\u7A0B\u67E5\u770B";

// "Tesso仍在后台运行"
constexpr char16_t kHideNoticeTitle[] = u"Tesso\u4ECD\u5728\u540E\u53F0\u8FD0\u884C";
// "电脑会保持在线。点这里的图标打开，右键可以退出。" (full-width stops and comma)
constexpr char16_t kHideNoticeBody[] =
    u"\u7535\u8111\u4F1A\u4FDD\u6301\u5728\u7EBF\u3002\u70B9\u8FD9\u91CC\u7684\u56FE\u6807"
    u"\u6253\u5F00\uFF0C\u53F3\u952E\u53EF\u4EE5\u9000\u51FA\u3002";

// "这台电脑正在被远程查看"
constexpr char16_t kViewerNoticeTitle[] =
    u"\u8FD9\u53F0\u7535\u8111\u6B63\u5728\u88AB\u8FDC\u7A0B\u67E5\u770B";
// "右键通知区域的Tesso图标，可以断开或停止被控。"
constexpr char16_t kViewerNoticeBody[] =
    u"\u53F3\u952E\u901A\u77E5\u533A\u57DF\u7684Tesso\u56FE\u6807\uFF0C\u53EF\u4EE5\u65AD\u5F00"
    u"\u6216\u505C\u6B62\u88AB\u63A7\u3002";

// "打开Tesso", "退出Tesso", "断开远程查看", "停止被远程控制"
constexpr char16_t kMenuOpen[] = u"\u6253\u5F00Tesso";
constexpr char16_t kMenuExit[] = u"\u9000\u51FATesso";
constexpr char16_t kMenuDisconnect[] = u"\u65AD\u5F00\u8FDC\u7A0B\u67E5\u770B";
constexpr char16_t kMenuStopHosting[] = u"\u505C\u6B62\u88AB\u8FDC\u7A0B\u63A7\u5236";

}  // namespace tesso

#endif  // TESSO_TRAY_TRAY_TEXTS_H_
