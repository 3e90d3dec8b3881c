// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageSplitter.h"

#include <cctype>

#include "RunDecisions.h"
#include "Sundrykit.h"

namespace qv {

namespace {

// The id of the first post in a text the parser could not read, when it can be seen.
std::string VisibleId(const std::string& text) {
    const auto post = text.find("<post ");
    if (post == std::string::npos) return "";
    const auto end = text.find('>', post);
    const auto id = text.find(" id=", post);
    if (id == std::string::npos || id > end || id + 5 > text.size()) return "";
    const char quote = text[id + 4];
    if (quote != '"' && quote != '\'') return "";
    const auto close = text.find(quote, id + 5);
    if (close == std::string::npos || close - id - 5 > 32) return "";
    return skPrintable(text.substr(id + 5, close - id - 5));
}

// Where the first element's name begins, past the declaration, comments,
// processing instructions and a DOCTYPE; npos when there is none.
size_t FirstElementName(const std::string& text) {
    size_t at = 0;
    for (;;) {
        at = text.find('<', at);
        if (at == std::string::npos || at + 1 >= text.size()) return std::string::npos;
        const char next = text[at + 1];
        if (next != '?' && next != '!') return at + 1;
        const char* close = text.compare(at, 4, "<!--") == 0 ? "-->" : ">";
        at = text.find(close, at + 2);
        if (at == std::string::npos) return std::string::npos;
    }
}

class Collector {
public:
    Collector(const PageLoop& loop, IPageSource& source) : loop_(loop), source_(source) {}

    // False when the page cannot be had: `result.status` then says why.
    bool Collect(int32_t start, int32_t num) {
        const Result<std::string> body = source_.Fetch(start, num);
        if (!body) {
            result.status = body.status();
            return false;
        }
        XmlDocument answer;
        const std::string text = skUTF8ToUNICODE(*body);
        const bool parsed = answer.LoadXml(text, 0);
        Status check = parsed ? loop_.Check(answer) : Status::Ok();
        if (parsed && check.ok()) {
            Keep(std::move(answer));
            return true;
        }
        if (!parsed && !BeginsAsBlogXml(text)) check = Status(StatusKind::NotBlogXml, NotTheBlogsXml(text));
        if (!check.ok()) {
            refusal_ = check;
            return false;
        }
        if (num == 1) {
            const std::string id = VisibleId(text);
            result.lost.push_back("offset " + std::to_string(start) + (id.empty() ? "" : " (id " + id + ")"));
            return true;
        }
        const int32_t first = num / 2;
        return Collect(start, first) && Collect(start + first, num - first);
    }

    PiecedPage result;
    // An answer that is no page of the blog at all; not said yet.
    std::optional<Status> refusal_;

private:
    void Keep(XmlDocument answer) {
        if (!result.page) {
            result.page = std::move(answer);
            return;
        }
        XmlNode container = result.page->DocumentNode().SelectSingleNode("/tumblr/posts");
        if (!container) container = result.page->RootElement().AddChild(xntElement, "posts", "");
        for (const XmlNode& post : answer.DocumentNode().SelectNodes("/tumblr/posts/post"))
            container.AppendChild(post);
    }

    const PageLoop& loop_;
    IPageSource& source_;
};

}  // namespace

bool BeginsAsBlogXml(const std::string& text) {
    const size_t name = FirstElementName(text);
    if (name == std::string::npos || text.compare(name, 6, "tumblr") != 0) return false;
    const size_t after = name + 6;
    return after < text.size() && (text[after] == '>' || text[after] == '/' ||
                                   std::isspace(static_cast<unsigned char>(text[after])));
}

std::string FirstElementOf(const std::string& text) {
    const size_t name = FirstElementName(text);
    if (name == std::string::npos) return "";
    size_t end = name;
    while (end < text.size() && end - name < 40 &&
           (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == ':' || text[end] == '-' ||
            text[end] == '_'))
        ++end;
    return text.substr(name, end - name);
}

std::string NotTheBlogsXml(const std::string& text) {
    const std::string first = FirstElementOf(text);
    if (first.empty()) return "The answer is not the blog's XML.";
    return "The answer is not the blog's XML: it begins with <" + first + ">.";
}

PiecedPage FetchInPieces(int32_t start, int32_t num, const PageLoop& loop, IPageSource& source,
                         IRunDecisions& decisions) {
    Collector collector(loop, source);
    const int32_t first = num / 2;
    // The whole range has just failed: begin with its halves.
    const bool fetched =
        num > 1 ? collector.Collect(start, first) && collector.Collect(start + first, num - first)
                : collector.Collect(start, num);
    PiecedPage& pieced = collector.result;
    if (fetched && pieced.page) return std::move(pieced);
    if (fetched || collector.refusal_) {
        const std::string why = collector.refusal_ ? collector.refusal_->text()
                                                   : "Not one of its posts came in a readable answer.";
        pieced.status = Status(StatusKind::NotBlogXml, "The page could not be read in pieces either. " + why);
        skLogError(pieced.status.text());
        decisions.RunFailed(pieced.status);
    }
    pieced.page.reset();
    return std::move(pieced);
}

}  // namespace qv
