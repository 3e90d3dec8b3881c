#include "MarkupBounds.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qv::html {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsTagBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsVoid(std::string_view name) {
    static constexpr std::array<std::string_view, 20> kVoid = {
        "area", "base",  "basefont", "bgsound", "br",   "col",   "embed",  "frame", "hr",  "image",
        "img",  "input", "keygen",   "link",    "meta", "param", "source", "track", "wbr", "menuitem"};
    return IsOneOf(name, kVoid);
}

// Elements a second one of their kind (or their container's end) closes, so
// that leaving out their end tags does not pile them up.
bool ClosesItsLike(std::string_view name) {
    static constexpr std::array<std::string_view, 18> kClosedByLike = {
        "p",  "li", "dt", "dd",  "tr",    "td",    "th",    "option",   "optgroup",
        "rt", "rp", "rb", "rtc", "thead", "tbody", "tfoot", "colgroup", "caption"};
    return IsOneOf(name, kClosedByLike);
}

// Their content is text up to their own end tag.
bool HoldsRawText(std::string_view name) {
    static constexpr std::array<std::string_view, 8> kRawText = {"script",  "style",    "xmp",      "iframe",
                                                                 "noembed", "noframes", "textarea", "title"};
    return IsOneOf(name, kRawText);
}

bool IsForeignRoot(std::string_view name) { return name == "svg" || name == "math"; }

struct TagScan {
    std::size_t end = 0;                           // after its '>', or the end of the text
    std::size_t surplus = std::string_view::npos;  // where the attributes beyond the bound begin
};

// Reads the attributes of a tag whose name ends at `at`, as a browser's
// tokenizer does: a quoted value may hold a '>'.
TagScan ScanTag(std::string_view html, std::size_t at, std::size_t mostAttributes) {
    TagScan scan{html.size()};
    std::size_t attributes = 0;
    const auto skipBlanks = [&] {
        while (at < html.size() && IsTagBlank(html[at])) ++at;
    };
    while (at < html.size()) {
        while (at < html.size() && (IsTagBlank(html[at]) || html[at] == '/')) ++at;
        if (at >= html.size()) break;
        if (html[at] == '>') {
            scan.end = at + 1;
            break;
        }
        if (++attributes > mostAttributes && scan.surplus == std::string_view::npos) scan.surplus = at;
        ++at;  // a name may begin with '='
        while (at < html.size() && !IsTagBlank(html[at]) && html[at] != '/' && html[at] != '>' &&
               html[at] != '=')
            ++at;
        skipBlanks();
        if (at >= html.size() || html[at] != '=') continue;
        ++at;
        skipBlanks();
        if (at < html.size() && (html[at] == '"' || html[at] == '\'')) {
            const std::size_t close = html.find(html[at], at + 1);
            if (close == std::string_view::npos) break;
            at = close + 1;
        } else {
            while (at < html.size() && !IsTagBlank(html[at]) && html[at] != '>') ++at;
        }
    }
    return scan;
}

// Where the end tag `</name` of a raw-text element starts, or the end of the text.
std::size_t RawTextEnd(std::string_view html, std::size_t at, std::string_view name) {
    for (; (at = html.find("</", at)) != std::string_view::npos; at += 2) {
        if (html.size() - at - 2 < name.size()) break;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) same = LowerAscii(html[at + 2 + i]) == name[i];
        if (same) return at;
    }
    return html.size();
}

}  // namespace

bool BoundMarkup(std::string_view html, const MarkupBounds& bounds, std::string& bounded) {
    bounded.clear();
    std::vector<std::string> open;
    std::size_t foreign = 0;  // open svg and math elements, inside which "/>" closes a tag
    std::size_t copied = 0;
    bool left = false;
    const auto leaveOut = [&](std::size_t from, std::size_t to) {
        bounded.append(html, copied, from - copied);
        copied = to;
        left = true;
    };
    std::string name;
    for (std::size_t at = 0; (at = html.find('<', at)) != std::string_view::npos;) {
        const std::string_view rest = html.substr(at);
        if (rest.starts_with("<!--")) {
            const std::size_t end = html.find("-->", at + 4);
            at = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        if (rest.starts_with("<!") || rest.starts_with("<?")) {
            const std::size_t end = html.find('>', at);
            at = end == std::string_view::npos ? html.size() : end + 1;
            continue;
        }
        const bool closing = rest.starts_with("</");
        std::size_t nameEnd = at + (closing ? 2 : 1);
        if (nameEnd >= html.size() || !IsAsciiLetter(html[nameEnd])) {
            ++at;
            continue;
        }
        name.clear();
        while (nameEnd < html.size() && !IsTagBlank(html[nameEnd]) && html[nameEnd] != '/' &&
               html[nameEnd] != '>')
            name += LowerAscii(html[nameEnd++]);
        const TagScan tag = ScanTag(html, nameEnd, bounds.attributes);
        const std::size_t tagStart = at;
        at = tag.end;
        const bool selfClosed = foreign > 0 && tag.end >= 2 && html[tag.end - 2] == '/';
        const bool opens = !closing && !IsVoid(name) && !ClosesItsLike(name) && !selfClosed;
        if (opens && open.size() >= bounds.depth) {
            leaveOut(tagStart, tag.end);
            continue;
        }
        if (tag.surplus != std::string_view::npos)
            leaveOut(tag.surplus, html[tag.end - 1] == '>' ? tag.end - 1 : tag.end);
        if (closing) {
            const auto match = std::find(open.rbegin(), open.rend(), name);
            if (match == open.rend()) continue;
            const auto first = match.base() - 1;
            foreign -= static_cast<std::size_t>(
                std::count_if(first, open.end(), [](const std::string& n) { return IsForeignRoot(n); }));
            open.erase(first, open.end());
            continue;
        }
        if (!opens) continue;
        open.push_back(name);
        if (IsForeignRoot(name)) ++foreign;
        if (foreign == 0 && HoldsRawText(name)) at = RawTextEnd(html, at, name);
        if (foreign == 0 && name == "plaintext") break;
    }
    if (!left) return false;
    bounded.append(html, copied);
    return true;
}

}  // namespace qv::html
