// The help pages read as plain text, for the help viewer that stands in where no browser can show
// them. Portable: the pages are UTF-8 HTML and the text is UTF-8.
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct HelpPage {
    std::string title;               // the page's <title>
    std::string text;                // its body laid out in lines ('\n'), headings, list marks and cells kept
    std::vector<std::string> links;  // the pages it links to (".html" names, once each, in order)
};

HelpPage ReadHelpPage(std::string_view html);
