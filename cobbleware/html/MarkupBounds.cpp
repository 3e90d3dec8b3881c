// SPDX-License-Identifier: GPL-3.0-or-later
#include "html/MarkupBounds.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

// Groups of elements whose start tag closes an open one of the group.
constexpr std::array<std::string_view, 14> kGroups = {"p",       "li",       "dd",   "td",    "tr",
                                                      "option",  "optgroup", "rt",   "tbody", "colgroup",
                                                      "caption", "a",        "nobr", "button"};
constexpr int kNoGroup = -1;

int GroupOf(std::string_view name) {
    if (name == "dt") name = "dd";
    if (name == "th") name = "td";
    if (name == "rb" || name == "rtc" || name == "rp") name = "rt";
    if (name == "thead" || name == "tfoot") name = "tbody";
    const auto found = std::find(kGroups.begin(), kGroups.end(), name);
    return found == kGroups.end() ? kNoGroup : static_cast<int>(found - kGroups.begin());
}

// Whether an open `name` between keeps a start tag from closing an element of `group` further out.
bool Shields(std::string_view group, std::string_view name) {
    static constexpr std::array<std::string_view, 9> kScope = {
        "table", "td", "th", "caption", "template", "object", "applet", "marquee", "html"};
    if (IsOneOf(name, kScope)) return true;
    if (group == "li") return name == "ul" || name == "ol";
    if (group == "dd") return name == "dl";
    if (group == "p") return name == "button";
    if (group == "option" || group == "optgroup") return name == "select";
    if (group == "rt") return name == "ruby";
    return false;
}

// The groups that an open `name` shields, one bit each.
std::uint32_t ShieldedGroups(std::string_view name) {
    std::uint32_t groups = 0;
    for (std::size_t i = 0; i < kGroups.size(); ++i)
        if (Shields(kGroups[i], name)) groups |= 1u << i;
    return groups;
}

bool IsHeading(std::string_view name) {
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

// Blocks whose start tag closes an open paragraph.
bool ClosesParagraph(std::string_view name) {
    static constexpr std::array<std::string_view, 28> kBlocks = {
        "address",  "article",    "aside",  "blockquote", "center",  "details", "dialog", "dir",  "div", "dl",
        "fieldset", "figcaption", "figure", "footer",     "header",  "hgroup",  "main",   "menu", "nav", "ol",
        "section",  "summary",    "ul",     "pre",        "listing", "form",    "table",  "xmp"};
    return IsHeading(name) || IsOneOf(name, kBlocks);
}

// Their content is text up to their own end tag.
bool HoldsRawText(std::string_view name) {
    static constexpr std::array<std::string_view, 8> kRawText = {"script",  "style",    "xmp",      "iframe",
                                                                 "noembed", "noframes", "textarea", "title"};
    return IsOneOf(name, kRawText);
}

bool IsFormatting(std::string_view name) {
    static constexpr std::array<std::string_view, 14> kFormatting = {
        "a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong", "tt", "u"};
    return IsOneOf(name, kFormatting);
}

// The formatting elements that a browser opens again in every new block
// after the block that held them ended, until their own end tag comes: each
// of them costs an element per block.
class LingeringFormatting {
public:
    // Answers whether the element that `tag` (its whole text) opens fits
    // among `most`; it counts as lingering then.
    bool Add(std::string_view name, std::string_view tag, std::size_t most) {
        // A new link or nobr ends the one before.
        if (name == "a" || name == "nobr")
            std::erase_if(entries_, [name](const Entry& entry) { return entry.name == name; });
        // Of identical ones only three are kept.
        const auto same = [tag](const Entry& entry) { return entry.tag == tag; };
        if (std::count_if(entries_.begin(), entries_.end(), same) >= 3)
            entries_.erase(std::find_if(entries_.begin(), entries_.end(), same));
        if (entries_.size() >= most) return false;
        entries_.push_back({std::string(name), tag});
        return true;
    }

    void End(std::string_view name) {
        const auto last = std::find_if(entries_.rbegin(), entries_.rend(),
                                       [name](const Entry& entry) { return entry.name == name; });
        if (last != entries_.rend()) entries_.erase(last.base() - 1);
    }

private:
    struct Entry {
        std::string name;
        std::string_view tag;
    };
    std::vector<Entry> entries_;
};

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

// The elements a browser holds open, as far as their tags tell: enough to
// know how deep the next one would be.
class OpenElements {
public:
    std::size_t Depth() const { return open_.size(); }
    bool InForeign() const { return foreign_ > 0; }

    // Closes what the start tag of `name` closes before its element opens.
    void BeforeStart(std::string_view name) {
        if (IsHeading(name) && !open_.empty() && IsHeading(open_.back().name)) PopFrom(open_.size() - 1);
        if (ClosesParagraph(name)) Close(GroupOf("p"));
        Close(GroupOf(name));
    }

    void Start(std::string_view name) {
        const int group = GroupOf(name);
        open_.push_back({std::string(name), group, ShieldedGroups(name)});
        if (group != kNoGroup) ++members_[static_cast<std::size_t>(group)];
        if (IsForeignRoot(name)) ++foreign_;
    }

    // An end tag closes the nearest open element of its name and all inside it.
    void End(std::string_view name) {
        for (std::size_t i = open_.size(); i-- > 0;)
            if (open_[i].name == name) return PopFrom(i);
    }

private:
    struct Element {
        std::string name;
        int group;
        std::uint32_t shields;
    };

    void Close(int group) {
        if (group == kNoGroup || members_[static_cast<std::size_t>(group)] == 0) return;
        for (std::size_t i = open_.size(); i-- > 0;) {
            if (open_[i].group == group) return PopFrom(i);
            if ((open_[i].shields >> group & 1u) != 0) return;
        }
    }

    void PopFrom(std::size_t index) {
        for (std::size_t i = index; i < open_.size(); ++i) {
            if (open_[i].group != kNoGroup) --members_[static_cast<std::size_t>(open_[i].group)];
            if (IsForeignRoot(open_[i].name)) --foreign_;
        }
        open_.resize(index);
    }

    std::vector<Element> open_;
    std::array<std::size_t, kGroups.size()> members_{};  // open elements of each group
    std::size_t foreign_ = 0;  // open svg and math elements, inside which "/>" closes a tag
};

}  // namespace

bool BoundMarkup(std::string_view html, const MarkupBounds& bounds, std::string& bounded) {
    bounded.clear();
    OpenElements open;
    LingeringFormatting formatting;
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
        if (closing) {
            if (IsFormatting(name)) formatting.End(name);
            open.End(name);
        } else {
            const bool selfClosed = open.InForeign() && tag.end >= 2 && html[tag.end - 2] == '/';
            if (IsVoid(name) || selfClosed) {
                // Nothing opens.
            } else {
                // When the element is too deep, its start tag closed nothing either.
                open.BeforeStart(name);
                if (open.Depth() >= bounds.depth ||
                    (IsFormatting(name) &&
                     !formatting.Add(name, html.substr(tagStart, tag.end - tagStart), bounds.formatting))) {
                    leaveOut(tagStart, tag.end);
                    continue;
                }
                open.Start(name);
                if (!open.InForeign() && HoldsRawText(name)) at = RawTextEnd(html, at, name);
                if (!open.InForeign() && name == "plaintext") at = html.size();
            }
        }
        if (tag.surplus != std::string_view::npos)
            leaveOut(tag.surplus, html[tag.end - 1] == '>' ? tag.end - 1 : tag.end);
    }
    if (!left) return false;
    bounded.append(html, copied);
    return true;
}

}  // namespace qv::html
