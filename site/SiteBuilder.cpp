#include <algorithm>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include "BlogReader.h"
#include "HtmlSanitizer.h"
#include "MediaCatalog.h"
#include "MediaLinks.h"
#include "PostDate.h"
#include "PostRenderer.h"
#include "SearchIndex.h"
#include "Site.h"
#include "SiteFiles.h"
#include "SitePaths.h"
#include "Templates.h"
#include "UrlPolicy.h"

namespace qv::site {

namespace fs = std::filesystem;

namespace {

// Posts rendered between two rounds of writing: enough to keep every thread
// busy, few enough that their pages stay small in memory.
constexpr std::size_t kChunk = 20 * kPostsPerPage;

// What the lists of tags and months, and the search, keep of a post once its
// pages are written.
struct PostEntry {
    std::string page;
    std::string summary;
    std::string date;
    std::string iso;
    std::string typeLabel;
    std::string monthKey;
    std::vector<std::string> tags;
};

std::string StemOf(const std::string& backupFile) {
    const fs::path path(backupFile);
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".xml" ? (path.parent_path() / path.stem()).string() : backupFile;
}

// What a page may load: our own stylesheet and script, pictures and sounds
// from files, and from their original addresses only when the reader said so.
std::string SecurityPolicy(bool remoteMedia) {
    const std::string remote = remoteMedia ? " http: https:" : "";
    return "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:" + remote +
           "; media-src 'self'" + remote + "; base-uri 'self'; form-action 'none'";
}

// The media folder's address as the site's pages write it: relative when the
// two folders share a root, else the folder's file:// address.
std::string MediaFolderHref(const std::string& siteFolder, const std::string& mediaFolder) {
    std::error_code error;
    const fs::path site = fs::weakly_canonical(fs::absolute(siteFolder), error);
    const fs::path media = fs::weakly_canonical(fs::absolute(mediaFolder), error);
    const fs::path relative = media.lexically_relative(site);
    if (!relative.empty()) return EncodePath(relative.generic_string()) + "/";
    return "file://" + EncodePath(media.generic_string()) + "/";
}

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string LowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Renders posts on several threads; each thread has its own templates.
class PostRenderers {
public:
    PostRenderers(const HtmlSanitizer& sanitizer, const MediaLinks& media, unsigned threads) {
        for (unsigned i = 0; i < std::max(1u, threads); ++i) {
            auto worker = std::make_unique<Worker>();
            worker->renderer = std::make_unique<PostRenderer>(sanitizer, media, worker->templates);
            workers_.push_back(std::move(worker));
        }
    }

    std::vector<RenderedPost> Render(const std::vector<pugi::xml_node>& posts, std::size_t begin,
                                     std::size_t end) {
        std::vector<RenderedPost> rendered(end - begin);
        const std::size_t stride = workers_.size();
        std::vector<std::exception_ptr> failures(stride);
        const auto work = [&](std::size_t w) {
            try {
                for (std::size_t i = begin + w; i < end; i += stride)
                    rendered[i - begin] = workers_[w]->renderer->Render(posts[i]);
            } catch (const std::exception&) {
                failures[w] = std::current_exception();
            }
        };
        std::vector<std::thread> threads;
        for (std::size_t w = 1; w < stride; ++w) threads.emplace_back(work, w);
        work(0);
        for (std::thread& thread : threads) thread.join();
        for (const std::exception_ptr& failure : failures)
            if (failure) std::rethrow_exception(failure);
        return rendered;
    }

private:
    struct Worker {
        Templates templates;
        std::unique_ptr<PostRenderer> renderer;
    };
    std::vector<std::unique_ptr<Worker>> workers_;
};

class SiteBuilder {
public:
    SiteBuilder(const SiteOptions& options, Blog& blog, const MediaLinks& media, SiteFiles& files)
        : options_(options), blog_(blog), media_(media), sanitizer_(media), files_(files) {}

    bool Build() {
        blogTitle_ = !blog_.title.empty()  ? blog_.title
                     : !blog_.name.empty() ? blog_.name
                                           : fs::path(StemOf(options_.backupFile)).filename().string();
        const std::string description = sanitizer_.CleanHtml(blog_.descriptionHtml, "");
        if (description.find_first_not_of(" \t\r\n") != std::string::npos) blogDescriptionHtml_ = description;
        footer_ = "An offline view of the backup " + fs::path(options_.backupFile).filename().string() +
                  ", written by Quillvault.";
        policy_ = SecurityPolicy(options_.remoteMedia);

        if (!WritePosts()) return false;
        if (!WriteTags() || !WriteMonths()) return false;
        std::vector<SearchEntry> search;
        search.reserve(entries_.size());
        for (PostEntry& entry : entries_)
            search.push_back({entry.page, entry.summary, entry.date, std::move(words_[search.size()])});
        return files_.Write("assets/site.css", Templates::Stylesheet()) &&
               files_.Write("assets/search.js", Templates::SearchScript()) &&
               files_.Write("assets/search-index.js", SearchIndexScript(search));
    }

private:
    bool WritePage(const std::string& page, const std::string& title, const std::string& contentHtml) {
        TemplateData data{TemplateData::type::object};
        data.set("policy", policy_);
        SetIfAny(data, "root", RootFrom(page));
        data.set("pageTitle", title);
        data.set("blogTitle", blogTitle_);
        SetIfAny(data, "blogDescriptionHtml", blogDescriptionHtml_);
        data.set("contentHtml", contentHtml);
        data.set("footer", footer_);
        return files_.Write(page, templates_.Render(Template::Layout, data));
    }

    std::string Pager(std::size_t page, std::size_t pages,
                      const std::function<std::string(std::size_t)>& pageName) {
        TemplateData data{TemplateData::type::object};
        data.set("page", std::to_string(page));
        data.set("pages", std::to_string(pages));
        if (page > 1) data.set("newer", pageName(page - 1));
        if (page < pages) data.set("older", pageName(page + 1));
        return templates_.Render(Template::Pager, data);
    }

    std::string Titled(const std::string& title) const { return title + " \xC2\xB7 " + blogTitle_; }

    bool WriteIndexPage(std::size_t page, std::size_t pages, std::vector<std::string>& articles) {
        TemplateData list{TemplateData::type::list};
        for (std::string& article : articles)
            list.push_back(TemplateData("articleHtml", TemplateData(article)));
        TemplateData data{TemplateData::type::object};
        data.set("articles", list);
        data.set("pagerHtml", Pager(page, pages, IndexPage));
        const std::string title =
            page == 1 ? blogTitle_ : Titled("Page " + std::to_string(page) + " of " + std::to_string(pages));
        articles.clear();
        return WritePage(IndexPage(page), title, templates_.Render(Template::Posts, data));
    }

    bool WritePostPage(std::size_t index, const RenderedPost& post) {
        TemplateData data{TemplateData::type::object};
        data.set("articleHtml", post.articleHtml);
        if (index > 0) data.set("newer", pages_[index - 1]);
        if (index + 1 < pages_.size()) data.set("older", pages_[index + 1]);
        SetIfAny(data, "original", post.url);
        return WritePage(post.page, Titled(post.summary), templates_.Render(Template::PostPage, data));
    }

    bool WritePosts() {
        const std::vector<pugi::xml_node>& posts = blog_.posts;
        const std::size_t count = posts.size();
        const std::size_t indexPages = PageCount(count);
        pages_.reserve(count);
        for (pugi::xml_node post : posts) pages_.push_back(PostPage(post.attribute("id").value()));
        entries_.resize(count);
        words_.resize(count);

        unsigned threads = options_.threads != 0 ? options_.threads : std::thread::hardware_concurrency();
        PostRenderers renderers(sanitizer_, media_, std::clamp(threads, 1u, 16u));
        std::vector<std::string> articles;
        for (std::size_t begin = 0; begin < count; begin += kChunk) {
            const std::size_t end = std::min(count, begin + kChunk);
            std::vector<RenderedPost> rendered = renderers.Render(posts, begin, end);
            for (std::size_t i = begin; i < end; ++i) {
                RenderedPost& post = rendered[i - begin];
                if (!WritePostPage(i, post)) return false;
                articles.push_back(std::move(post.articleHtml));
                if (articles.size() == kPostsPerPage || i + 1 == count) {
                    if (!WriteIndexPage(i / kPostsPerPage + 1, indexPages, articles)) return false;
                }
                entries_[i] = {std::move(post.page), std::move(post.summary),   std::move(post.date),
                               std::move(post.iso),  std::move(post.typeLabel), std::move(post.monthKey),
                               std::move(post.tags)};
                words_[i] = std::move(post.searchWords);
            }
            if (options_.progress != nullptr) options_.progress->PostsWritten(end, count);
        }
        if (count == 0) return WriteIndexPage(1, 1, articles);
        return true;
    }

    // A list of posts (a tag's, a month's), 50 a page, newest first.
    bool WriteEntryPages(const std::vector<std::size_t>& posts, const std::string& heading,
                         const std::function<std::string(std::size_t)>& pageName) {
        const std::size_t pages = PageCount(posts.size());
        for (std::size_t page = 1; page <= pages; ++page) {
            TemplateData list{TemplateData::type::list};
            const std::size_t first = (page - 1) * kPostsPerPage;
            for (std::size_t i = first; i < std::min(posts.size(), first + kPostsPerPage); ++i) {
                const PostEntry& entry = entries_[posts[i]];
                TemplateData item{TemplateData::type::object};
                item.set("page", entry.page);
                item.set("summary", entry.summary);
                item.set("date", entry.date);
                item.set("iso", entry.iso);
                item.set("typeLabel", entry.typeLabel);
                list.push_back(item);
            }
            TemplateData data{TemplateData::type::object};
            data.set("heading", heading);
            data.set("count", Plural(posts.size(), "post", "posts"));
            data.set("entries", list);
            data.set("pagerHtml", Pager(page, pages, pageName));
            const std::string title = page == 1 ? heading : heading + ", page " + std::to_string(page);
            if (!WritePage(pageName(page), Titled(title), templates_.Render(Template::Entries, data)))
                return false;
        }
        return true;
    }

    bool WriteTags() {
        std::map<std::string, std::vector<std::size_t>> byTag;
        for (std::size_t i = 0; i < entries_.size(); ++i)
            for (const std::string& tag : entries_[i].tags) byTag[tag].push_back(i);
        std::vector<const std::string*> names;
        for (const auto& [name, posts] : byTag) names.push_back(&name);
        std::stable_sort(names.begin(), names.end(), [](const std::string* a, const std::string* b) {
            return LowerAscii(*a) < LowerAscii(*b);
        });
        TemplateData items{TemplateData::type::list};
        for (const std::string* name : names) {
            const std::string slug = TagSlug(*name);
            const auto& posts = byTag[*name];
            if (!WriteEntryPages(posts, "#" + *name,
                                 [&slug](std::size_t page) { return TagPage(slug, page); }))
                return false;
            TemplateData item{TemplateData::type::object};
            item.set("name", *name);
            item.set("page", TagPage(slug, 1));
            item.set("count", std::to_string(posts.size()));
            items.push_back(item);
        }
        TemplateData data{TemplateData::type::object};
        if (!names.empty()) data.set("tags", TemplateData("items", items));
        return WritePage(kTagsPage, Titled("Tags"), templates_.Render(Template::Tags, data));
    }

    bool WriteMonths() {
        std::map<std::string, std::vector<std::size_t>, std::greater<>> byMonth;
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (!entries_[i].monthKey.empty()) byMonth[entries_[i].monthKey].push_back(i);
        TemplateData years{TemplateData::type::list};
        TemplateData months{TemplateData::type::list};
        std::string year;
        const auto closeYear = [&] {
            if (year.empty()) return;
            TemplateData item{TemplateData::type::object};
            item.set("year", year);
            item.set("months", months);
            years.push_back(item);
            months = TemplateData{TemplateData::type::list};
        };
        for (const auto& [key, posts] : byMonth) {
            const std::string title = MonthTitle(key);
            const std::string monthKey = key;
            if (!WriteEntryPages(posts, title,
                                 [&monthKey](std::size_t page) { return MonthPage(monthKey, page); }))
                return false;
            if (key.substr(0, 4) != year) {
                closeYear();
                year = key.substr(0, 4);
            }
            TemplateData item{TemplateData::type::object};
            item.set("name", title);
            item.set("page", MonthPage(key, 1));
            item.set("count", std::to_string(posts.size()));
            months.push_back(item);
        }
        closeYear();
        TemplateData data{TemplateData::type::object};
        if (!byMonth.empty()) data.set("years", years);
        return WritePage(kArchivePage, Titled("Archive"), templates_.Render(Template::Archive, data));
    }

    const SiteOptions& options_;
    Blog& blog_;
    const MediaLinks& media_;
    HtmlSanitizer sanitizer_;
    SiteFiles& files_;
    Templates templates_;
    std::string blogTitle_;
    std::string blogDescriptionHtml_;
    std::string footer_;
    std::string policy_;
    std::vector<std::string> pages_;
    std::vector<PostEntry> entries_;
    std::vector<std::string> words_;
};

}  // namespace

std::string DefaultSiteFolder(const std::string& backupFile) { return StemOf(backupFile) + ".html"; }

std::string DefaultMediaFolder(const std::string& backupFile) { return StemOf(backupFile) + ".media"; }

SiteResult WriteSite(const SiteOptions& options) {
    SiteResult result;
    const std::string siteFolder =
        options.siteFolder.empty() ? DefaultSiteFolder(options.backupFile) : options.siteFolder;
    const std::string mediaFolder =
        options.mediaFolder.empty() ? DefaultMediaFolder(options.backupFile) : options.mediaFolder;
    try {
        Blog blog;
        if (!ReadBlog(options.backupFile, blog, result.error)) return result;
        MediaCatalog catalog;
        if (!catalog.Load(mediaFolder, result.error)) return result;
        SiteFiles files(siteFolder, options.files != nullptr ? *options.files : SystemFileOps());
        if (!files.Open()) {
            result.error = files.Error();
            return result;
        }
        const MediaLinks media(catalog, mediaFolder, MediaFolderHref(siteFolder, mediaFolder),
                               options.remoteMedia);
        SiteBuilder builder(options, blog, media, files);
        const bool built = builder.Build() && files.RemoveOthers();
        result.posts = blog.posts.size();
        result.pagesWritten = files.Written();
        result.pagesUnchanged = files.Unchanged();
        result.pagesRemoved = files.Removed();
        if (!built) {
            result.error = files.Error();
            return result;
        }
    } catch (const std::exception& error) {
        result.error = std::string("Can't write the pages: ") + error.what();
        return result;
    }
    result.ok = true;
    result.indexFile = (fs::absolute(siteFolder).lexically_normal() / "index.html").string();
    return result;
}

}  // namespace qv::site
