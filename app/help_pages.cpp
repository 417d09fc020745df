#include "app/help_pages.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

namespace {

// The marks the layout adds, as UTF-8 whatever the compiler's character set for narrow literals.
const char* AsText(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// A character's UTF-8 bytes.
std::string Utf8(std::uint32_t code) {
    std::string bytes;
    if (code < 0x80) {
        bytes += static_cast<char>(code);
    } else if (code < 0x800) {
        bytes += static_cast<char>(0xC0 | (code >> 6));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes += static_cast<char>(0xE0 | (code >> 12));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (code >> 18));
        bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    }
    return bytes;
}

// The character an entity (without '&' and ';') stands for; unknown ones stay as written.
std::string Entity(std::string_view name) {
    if (name == "amp") return "&";
    if (name == "lt") return "<";
    if (name == "gt") return ">";
    if (name == "quot") return "\"";
    if (name == "apos") return "'";
    if (name == "nbsp") return " ";
    if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string digits(name.substr(hex ? 2 : 1));
        if (!digits.empty() &&
            digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") == std::string::npos) {
            return Utf8(static_cast<std::uint32_t>(std::stoul(digits, nullptr, hex ? 16 : 10)));
        }
    }
    return "&" + std::string(name) + ";";
}

// A tag's name in lower case, "/p" for an end tag.
std::string TagName(std::string_view tag) {
    std::size_t end = 0;
    while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) && tag[end] != '/') ++end;
    if (end == 0 && !tag.empty() && tag[0] == '/') {
        end = 1;
        while (end < tag.size() && std::isalnum(static_cast<unsigned char>(tag[end]))) ++end;
    }
    return Lower(tag.substr(0, end));
}

// The value of attribute `name` in a tag, empty without one.
std::string Attribute(std::string_view tag, std::string_view name) {
    const std::string lower = Lower(tag);
    const std::size_t at = lower.find(std::string(name) + "=\"");
    if (at == std::string::npos) return {};
    const std::size_t start = at + name.size() + 2;
    const std::size_t end = tag.find('"', start);
    return end == std::string_view::npos ? std::string() : std::string(tag.substr(start, end - start));
}

// Lays the text out: words run on, blocks start on lines of their own.
class Layout {
public:
    // At least `lines` line ends before the next text (2: an empty line between).
    void Break(int lines) { pending_ = std::max(pending_, lines); }
    void Text(std::string_view text) {
        for (const char c : text) {
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                space_ = true;
                lineEnd_ = lineEnd_ || c == '\n';
                continue;
            }
            Put(c);
        }
    }
    // Marks that begin a line (list marks, headings): as written, blanks and all.
    void Mark(std::string_view mark) {
        Start();
        out_ += mark;
        space_ = false;
    }
    std::string Finish() && { return std::move(out_); }

private:
    void Start() {
        if (!out_.empty()) out_.append(static_cast<std::size_t>(pending_), '\n');
        if (pending_ > 0 || out_.empty()) space_ = false;
        pending_ = 0;
    }
    // A line end inside Japanese text joins it; between words it is a blank.
    void Put(char c) {
        if (pending_ > 0 || out_.empty()) Start();
        const bool wide =
            static_cast<unsigned char>(c) >= 0x80 && !out_.empty() && static_cast<unsigned char>(out_.back()) >= 0x80;
        if (space_ && !out_.empty() && out_.back() != '\n' && out_.back() != ' ' && !(lineEnd_ && wide)) out_ += ' ';
        space_ = lineEnd_ = false;
        out_ += c;
    }

    std::string out_;
    int pending_ = 0;
    bool space_ = false;
    bool lineEnd_ = false;
};

// Walks one page: its tags shape the layout, its text fills it.
class PageReader {
public:
    HelpPage Read(std::string_view html) {
        for (std::size_t at = 0; at < html.size();) {
            if (html[at] == '<') {
                const std::size_t end = html.find('>', at);
                if (end == std::string_view::npos) break;
                OnTag(html.substr(at + 1, end - at - 1));
                at = end + 1;
                continue;
            }
            const std::size_t end = std::min(html.find('<', at), html.size());
            OnText(Decoded(html.substr(at, end - at)));
            at = end;
        }
        page_.text = std::move(layout_).Finish();
        return std::move(page_);
    }

private:
    static std::string Decoded(std::string_view text) {
        std::string decoded;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const std::size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
            if (semicolon != std::string_view::npos && semicolon - i <= 8) {
                decoded += Entity(text.substr(i + 1, semicolon - i - 1));
                i = semicolon;
            } else {
                decoded += text[i];
            }
        }
        return decoded;
    }

    void OnText(const std::string& text) {
        if (inTitle_) {
            page_.title += text;
        } else if (skipping_ == 0) {
            layout_.Text(text);
        }
    }

    void OnTag(std::string_view tag) {
        const std::string name = TagName(tag);
        if (name == "head" || name == "style" || name == "script") {
            ++skipping_;
        } else if (name == "/head" || name == "/style" || name == "/script") {
            skipping_ = std::max(0, skipping_ - 1);
        } else if (name == "title" || name == "/title") {
            inTitle_ = name == "title";
        } else if (name == "h1" || name == "h2" || name == "h3") {
            layout_.Break(2);
            layout_.Mark(AsText(name == "h1" ? u8"■ " : u8"◆ "));
        } else if (name == "p" || name == "/p" || name == "table" || name == "/table" || name == "/h1" ||
                   name == "/h2" || name == "/h3") {
            layout_.Break(2);
        } else if (name == "ul" || name == "ol") {
            lists_.push_back(name == "ol" ? 1 : 0);
            layout_.Break(1);
        } else if ((name == "/ul" || name == "/ol") && !lists_.empty()) {
            lists_.pop_back();
            layout_.Break(lists_.empty() ? 2 : 1);
        } else if (name == "li") {
            OnListItem();
        } else if (name == "br" || name == "tr") {
            layout_.Break(1);
            firstCell_ = true;
        } else if ((name == "td" || name == "th") && !std::exchange(firstCell_, false)) {
            layout_.Mark(AsText(u8" ｜ "));
        } else if (name == "a") {
            OnLink(Attribute(tag, "href"));
        }
    }

    // A bullet, or the item's number in a numbered list; nested lists are indented.
    void OnListItem() {
        layout_.Break(1);
        std::string mark(lists_.size() > 1 ? (lists_.size() - 1) * 2 : 0, ' ');
        if (!lists_.empty() && lists_.back() > 0) {
            mark += std::to_string(lists_.back()++) + ". ";
        } else {
            mark += AsText(u8"・");
        }
        layout_.Mark(mark);
    }

    void OnLink(std::string target) {
        target = target.substr(0, target.find('#'));
        const bool isPage = target.find(':') == std::string::npos && Lower(target).ends_with(".html");
        if (isPage && std::find(page_.links.begin(), page_.links.end(), target) == page_.links.end()) {
            page_.links.push_back(target);
        }
    }

    HelpPage page_;
    Layout layout_;
    std::vector<int> lists_;  // per open list: 0 for bullets, else the next number
    int skipping_ = 0;        // inside <head>, <style> or <script>, which show nothing
    bool inTitle_ = false;
    bool firstCell_ = false;
};

}  // namespace

HelpPage ReadHelpPage(std::string_view html) { return PageReader().Read(html); }
