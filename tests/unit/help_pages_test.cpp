#include "app/help_pages.h"

#include <gtest/gtest.h>

namespace {

// The pages and their text are UTF-8, whatever the compiler makes of narrow literals.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// A page of the kinds of markup the help pages use, and the text the viewer shows for it.
TEST(HelpPages, ReadAsLaidOutText) {
    const std::string html = Utf8(
        u8R"(<html><head><title>トーン &amp; 音量</title><style>p { x: 1 }</style></head>
<body><h1>見出し</h1><p>一行目の文と
二行目の文。<b>太字</b> and
more &lt;words&gt;</p>
<ul><li>点 <a href="save.html#top">保存</a></li><li>次<ol><li>一</li><li>二</li></ol></li></ul>
<table><tr><th>項目</th><th>意味</th></tr><tr><td>A</td><td>B&#65;</td></tr></table>
<p>末尾 <a href="index.html">目次</a> <a href="save.html">また</a> <a href="http://x.example/a.html">外</a></p>
</body></html>)");
    const HelpPage page = ReadHelpPage(html);
    EXPECT_EQ(page.title, Utf8(u8"トーン & 音量"));
    EXPECT_EQ(page.text, Utf8(u8"■ 見出し\n\n"
                              u8"一行目の文と二行目の文。太字 and more <words>\n\n"
                              u8"・点 保存\n・次\n  1. 一\n  2. 二\n\n"
                              u8"項目 ｜ 意味\nA ｜ BA\n\n"
                              u8"末尾 目次 また 外"));
    EXPECT_EQ(page.links, (std::vector<std::string>{"save.html", "index.html"}));
}

}  // namespace
