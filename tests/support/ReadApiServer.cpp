// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadApiServer.h"

#include <charconv>

namespace qv::test {

namespace {

int FieldNumber(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& name,
                int fallback) {
    for (const auto& [key, value] : fields) {
        if (key != name) continue;
        int number = fallback;
        std::from_chars(value.data(), value.data() + value.size(), number);
        return number;
    }
    return fallback;
}

// Query fields of a GET target, read like form fields.
std::vector<std::pair<std::string, std::string>> QueryFields(const std::string& target) {
    HttpExchange asForm;
    const auto question = target.find('?');
    if (question != std::string::npos) asForm.body = target.substr(question + 1);
    return asForm.FormFields();
}

std::string PathOf(const std::string& target) {
    std::string path = target;
    if (const auto scheme = path.find("://"); scheme != std::string::npos) {
        const auto slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    return path.substr(0, path.find('?'));
}

}  // namespace

std::string MakePost(long long id, int bodyBytes) {
    const std::string number = std::to_string(id);
    std::string body =
        "&lt;p&gt;Post " + number + ": \xE2\x80\x9C" + "caf\xC3\xA9 \xE2\x99\xAB\xE2\x80\x9D&lt;/p&gt;";
    while (static_cast<int>(body.size()) < bodyBytes) body += " Lorem ipsum dolor sit amet.";
    return "<post id=\"" + number + "\" url=\"http://testblog.example/post/" + number +
           "\" type=\"regular\" date-gmt=\"2009-07-15 08:50:11 GMT\" date=\"Wed, 15 Jul 2009 04:50:11\""
           " unix-timestamp=\"1247647811\"><regular-title>Title " +
           number + "</regular-title><regular-body>" + body + "</regular-body></post>";
}

std::vector<std::string> MakePosts(int count, long long firstId, int step, int bodyBytes) {
    std::vector<std::string> posts;
    posts.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        posts.push_back(MakePost(firstId - static_cast<long long>(i) * step, bodyBytes));
    return posts;
}

ReadApiServer::ReadApiServer() {
    http_.SetHandler([this](const HttpExchange& exchange) { return Answer(exchange); });
}

void ReadApiServer::SetBlog(Blog blog) {
    std::lock_guard lock(mutex_);
    blog_ = std::move(blog);
    fixedPages_.clear();
    repeatFrom_ = -1;
}

Blog ReadApiServer::CurrentBlog() const {
    std::lock_guard lock(mutex_);
    return blog_;
}

void ReadApiServer::ServeFixedPages(std::map<int, std::string> bodyByStart) {
    std::lock_guard lock(mutex_);
    fixedPages_ = std::move(bodyByStart);
}

void ReadApiServer::RepeatPagesFrom(int start) {
    std::lock_guard lock(mutex_);
    repeatFrom_ = start;
}

std::string ReadApiServer::Page(int start, int num) const {
    std::lock_guard lock(mutex_);
    if (repeatFrom_ >= 0 && start > repeatFrom_) start = repeatFrom_;
    if (!fixedPages_.empty()) {
        const auto page = fixedPages_.find(start);
        if (page != fixedPages_.end()) return page->second;
        return "<tumblr version=\"1.0\"><posts start=\"" + std::to_string(start) +
               "\" total=\"0\"></posts></tumblr>";
    }
    const int total = static_cast<int>(blog_.posts.size());
    std::string page =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tumblr version=\"1.0\"><tumblelog name=\"" +
        blog_.name + "\" timezone=\"US/Eastern\" title=\"" + blog_.title + "\">" + blog_.description +
        "</tumblelog><posts start=\"" + std::to_string(start) + "\" total=\"" +
        std::to_string(blog_.announcedTotal.value_or(total)) + "\">";
    for (int i = std::max(start, 0); i < std::min(total, start + std::max(num, 0)); ++i)
        page += blog_.posts[i];
    return page + "</posts></tumblr>\n";
}

ScriptedResponse ReadApiServer::Answer(const HttpExchange& exchange) const {
    if (PathOf(exchange.target) != "/api/read") return ScriptedResponse::Status(404, "Not found");
    const auto fields = exchange.method == "POST" ? exchange.FormFields() : QueryFields(exchange.target);
    return ScriptedResponse::Ok(Page(FieldNumber(fields, "start", 0), FieldNumber(fields, "num", 20)));
}

LoopbackServer::Handler ReadApiServer::Handler() const {
    return [this](const HttpExchange& exchange) { return Answer(exchange); };
}

std::vector<HttpExchange> ReadApiServer::ApiRequests() const {
    std::vector<HttpExchange> requests;
    for (auto& exchange : http_.Exchanges())
        if (PathOf(exchange.target) == "/api/read") requests.push_back(std::move(exchange));
    return requests;
}

std::vector<int> ReadApiServer::StartsRequested() const {
    std::vector<int> starts;
    for (const auto& request : ApiRequests())
        starts.push_back(FieldNumber(
            request.method == "POST" ? request.FormFields() : QueryFields(request.target), "start", 0));
    return starts;
}

}  // namespace qv::test
