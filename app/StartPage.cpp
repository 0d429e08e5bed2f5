#include "app/StartPage.h"

namespace app {

QString StartPageHtml() {
  return QStringLiteral(R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Tenvel 202</title>
<style>
body { font-family: sans-serif; margin: 24px; color: #243447; background: #f4f8fc; }
h1 { color: #1f4e9a; font-size: 20pt; margin-bottom: 4px; }
p.lead { color: #5a6b7d; margin-top: 0; }
table { border-collapse: collapse; margin-top: 16px; }
td { padding: 6px 12px; border-bottom: 1px solid #dde6f0; }
td.key { font-weight: bold; color: #1f4e9a; white-space: nowrap; }
</style></head>
<body>
<h1>Tenvel 202</h1>
<p class="lead">欢迎使用 Tenvel 电子邮件客户端。</p>
<table>
<tr><td class="key">收件箱</td><td>查看收到的邮件，单击预览，双击阅读。</td></tr>
<tr><td class="key">发件箱</td><td>查看已发送和发送失败的邮件。</td></tr>
<tr><td class="key">其他邮箱</td><td>待办箱、草稿箱、删除箱、备份箱和便签箱。</td></tr>
<tr><td class="key">设置</td><td>基本设置、通讯录、帮助说明、意见反馈。</td></tr>
<tr><td class="key">托盘图标</td><td>关闭窗口后程序留在通知区域；单击图标或按 Ctrl+M 重新打开。</td></tr>
</table>
</body></html>
)");
}

}  // namespace app
