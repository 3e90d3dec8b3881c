// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <functional>
#include <future>
#include <map>

#include "BlogReader.h"
#include "HtmlSanitizer.h"
#include "MediaCatalog.h"
#include "MediaLinks.h"
#include "PageFrame.h"
#include "PageIndex.h"
#include "Pager.h"
#include "PostDate.h"
#include "PostRenderer.h"
#include "ReadingOrder.h"
#include "SearchIndex.h"
#include "Site.h"
#include "SiteFiles.h"
#include "SitePaths.h"
#include "SiteSources.h"
#include "Templates.h"
#include "UrlPolicy.h"
#include "Workers.h"
#include "backupfiles/BackupFiles.h"

namespace qv::site {

namespace fs = std::filesystem;

namespace {

// Index pages written per round: enough posts to keep every thread busy, few
// enough that their articles stay small in memory.
constexpr std::size_t kIndexPagesPerRound = 20;

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

PageFrame MakeFrame(const SiteOptions& options, const Blog& blog, const HtmlSanitizer& sanitizer) {
    std::string title = !blog.title.empty() ? blog.title : blog.name;
    if (title.empty())
        title = fs::path(backupfiles::WithoutXmlExtension(options.backupFile)).filename().string();
    std::string description = sanitizer.CleanHtml(blog.descriptionHtml, "");
    if (description.find_first_not_of(" \t\r\n") == std::string::npos) description.clear();
    const std::string footer = "An offline view of the backup " +
                               fs::path(options.backupFile).filename().string() + ", written by Quillvault.";
    return PageFrame(std::move(title), std::move(description), footer, SecurityPolicy(options.remoteMedia));
}

class SiteBuilder {
public:
    // Build lets go of `blog` once its posts are written.
    SiteBuilder(const SiteOptions& options, Blog& blog, const MediaLinks& media, SiteFiles& files)
        : options_(options),
          blog_(blog),
          sanitizer_(media),
          files_(files),
          frame_(MakeFrame(options, blog, sanitizer_)),
          workers_(sanitizer_, media, options.threads) {}

    bool Build() {
        if (!WritePosts()) return false;
        // The lists and the search need only the posts' entries now, and the
        // backup is the most of the run's memory.
        blog_ = Blog();
        pages_ = {};
        if (!WriteTags() || !WriteMonths()) return false;
        std::vector<SearchEntry> search;
        search.reserve(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i)
            search.push_back({std::move(entries_[i].page), std::move(entries_[i].summary),
                              std::move(entries_[i].date), std::move(words_[i])});
        // The search index is the largest piece of the run: what it was made of goes first.
        entries_ = {};
        words_ = {};
        return files_.Write("assets/site.css", std::string(Templates::Stylesheet())) &&
               files_.Write("assets/search.js", std::string(Templates::SearchScript())) &&
               files_.Write("assets/search-index.js", SearchIndexScript(search));
    }

private:
    bool WritePage(Templates& templates, const std::string& page, const std::string& title,
                   const std::string& contentHtml) {
        return files_.Write(page, frame_.Render(templates, page, title, contentHtml));
    }

    bool WritePostPage(Templates& templates, std::size_t index, const RenderedPost& post) {
        TemplateData data{TemplateData::type::object};
        data.set("articleHtml", post.articleHtml);
        if (index > 0) data.set("newer", pages_[index - 1]);
        if (index + 1 < pages_.size()) data.set("older", pages_[index + 1]);
        SetIfAny(data, "original", post.url);
        return WritePage(templates, post.page, frame_.Titled(post.summary),
                         templates.Render(Template::PostPage, data));
    }

    // Index page `page` (from 1) shows rendered[first..first+50).
    bool WriteIndexPage(Templates& templates, std::size_t page, const std::vector<RenderedPost>& rendered,
                        std::size_t first) {
        const std::size_t pages = PageCount(pages_.size());
        TemplateData articles{TemplateData::type::list};
        for (std::size_t i = first; i < std::min(rendered.size(), first + kPostsPerPage); ++i)
            articles.push_back(TemplateData("articleHtml", TemplateData(rendered[i].articleHtml)));
        TemplateData data{TemplateData::type::object};
        data.set("articles", articles);
        data.set("pagerHtml", PagerHtml(templates, page, pages, IndexPage));
        const std::string title =
            page == 1 ? frame_.BlogTitle()
                      : frame_.Titled("Page " + std::to_string(page) + " of " + std::to_string(pages));
        return WritePage(templates, IndexPage(page), title, templates.Render(Template::Posts, data));
    }

    // Posts go round by round: their pages first, then the index pages that
    // list them, each spread over the threads.
    bool WritePosts() {
        const std::vector<pugi::xml_node>& posts = blog_.posts;
        const std::size_t count = posts.size();
        pages_.reserve(count);
        for (pugi::xml_node post : posts) pages_.push_back(PostPage(post.attribute("id").value()));
        entries_.resize(count);
        words_.resize(count);

        std::atomic<bool> written = true;
        const std::size_t postsPerRound = kIndexPagesPerRound * kPostsPerPage;
        std::vector<RenderedPost> rendered;
        for (std::size_t begin = 0; begin < count || begin == 0; begin += postsPerRound) {
            const std::size_t end = std::min(count, begin + postsPerRound);
            rendered.assign(end - begin, RenderedPost());
            workers_.Run(end - begin, [&](Workers::Worker& worker, std::size_t i) {
                if (!written) return;
                rendered[i] = worker.renderer.Render(posts[begin + i]);
                if (!WritePostPage(worker.templates, begin + i, rendered[i])) written = false;
            });
            if (!written) return false;
            const std::size_t firstPage = begin / kPostsPerPage + 1;
            workers_.Run(PageCount(end - begin), [&](Workers::Worker& worker, std::size_t i) {
                if (written && !WriteIndexPage(worker.templates, firstPage + i, rendered, i * kPostsPerPage))
                    written = false;
            });
            if (!written) return false;
            for (std::size_t i = begin; i < end; ++i) {
                RenderedPost& post = rendered[i - begin];
                entries_[i] = {std::move(post.page), std::move(post.summary),   std::move(post.date),
                               std::move(post.iso),  std::move(post.typeLabel), std::move(post.monthKey),
                               std::move(post.tags)};
                words_[i] = std::move(post.searchWords);
            }
            if (options_.progress != nullptr) options_.progress->PostsWritten(end, count);
            if (count == 0) break;
        }
        return true;
    }

    // A list of posts (a tag's, a month's), 50 a page, newest first.
    struct EntryList {
        std::vector<std::size_t> posts;
        std::string heading;
        PageName pageName;
    };

    bool WriteEntryPage(Templates& templates, const EntryList& entries, std::size_t page) {
        const std::vector<std::size_t>& posts = entries.posts;
        const std::size_t pages = PageCount(posts.size());
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
        data.set("heading", entries.heading);
        data.set("count", Plural(posts.size(), "post", "posts"));
        data.set("entries", list);
        data.set("pagerHtml", PagerHtml(templates, page, pages, entries.pageName));
        const std::string title =
            page == 1 ? entries.heading : entries.heading + ", page " + std::to_string(page);
        return WritePage(templates, entries.pageName(page), frame_.Titled(title),
                         templates.Render(Template::Entries, data));
    }

    // Every page of every list, spread over the threads.
    bool WriteEntryLists(const std::vector<EntryList>& lists) {
        std::vector<std::pair<const EntryList*, std::size_t>> pages;
        for (const EntryList& list : lists)
            for (std::size_t page = 1; page <= PageCount(list.posts.size()); ++page)
                pages.emplace_back(&list, page);
        std::atomic<bool> written = true;
        workers_.Run(pages.size(), [&](Workers::Worker& worker, std::size_t i) {
            if (written && !WriteEntryPage(worker.templates, *pages[i].first, pages[i].second))
                written = false;
        });
        return written;
    }

    bool WriteTags() {
        std::map<std::string, std::vector<std::size_t>> byTag;
        for (std::size_t i = 0; i < entries_.size(); ++i)
            for (const std::string& tag : entries_[i].tags) byTag[tag].push_back(i);
        std::vector<std::pair<const std::string*, std::vector<std::size_t>*>> tags;
        for (auto& [name, posts] : byTag) tags.emplace_back(&name, &posts);
        std::sort(tags.begin(), tags.end(),
                  [](const auto& a, const auto& b) { return ReadsBefore(*a.first, *b.first); });
        TemplateData items{TemplateData::type::list};
        std::vector<EntryList> lists;
        for (const auto& [name, posts] : tags) {
            const std::string slug = TagSlug(*name);
            TemplateData item{TemplateData::type::object};
            item.set("name", *name);
            item.set("page", TagPage(slug, 1));
            item.set("count", std::to_string(posts->size()));
            items.push_back(item);
            lists.push_back(
                {std::move(*posts), "#" + *name, [slug](std::size_t page) { return TagPage(slug, page); }});
        }
        if (!WriteEntryLists(lists)) return false;
        TemplateData data{TemplateData::type::object};
        if (!tags.empty()) data.set("tags", TemplateData("items", items));
        return WritePage(templates_, kTagsPage, frame_.Titled("Tags"),
                         templates_.Render(Template::Tags, data));
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
        std::vector<EntryList> lists;
        for (auto& [key, posts] : byMonth) {
            const std::string title = MonthTitle(key);
            if (key.substr(0, 4) != year) {
                closeYear();
                year = key.substr(0, 4);
            }
            TemplateData item{TemplateData::type::object};
            item.set("name", title);
            item.set("page", MonthPage(key, 1));
            item.set("count", std::to_string(posts.size()));
            months.push_back(item);
            lists.push_back({std::move(posts), title,
                             [monthKey = key](std::size_t page) { return MonthPage(monthKey, page); }});
        }
        closeYear();
        if (!WriteEntryLists(lists)) return false;
        TemplateData data{TemplateData::type::object};
        if (!byMonth.empty()) data.set("years", years);
        return WritePage(templates_, kArchivePage, frame_.Titled("Archive"),
                         templates_.Render(Template::Archive, data));
    }

    const SiteOptions& options_;
    Blog& blog_;
    HtmlSanitizer sanitizer_;
    SiteFiles& files_;
    PageFrame frame_;
    Workers workers_;
    Templates templates_;
    std::vector<std::string> pages_;
    std::vector<PostEntry> entries_;
    std::vector<std::string> words_;
};

SiteResult Outcome(Status status, const SiteFiles& files, std::size_t posts) {
    SiteResult result;
    result.status = std::move(status);
    result.posts = posts;
    result.pagesWritten = files.Written();
    result.pagesUnchanged = files.Unchanged();
    result.pagesRemoved = files.Removed();
    return result;
}

// Every page made from the backup, each written unless the folder holds it already.
SiteResult WritePages(const SiteOptions& options, const SiteSources& sources, const SourcesSeen& before,
                      SiteFiles& files) {
    SiteResult result;
    Blog blog;
    if (result.status = ReadBlog(options.backupFile, blog); !result.status.ok()) return result;
    MediaCatalog catalog;
    if (result.status = catalog.Load(sources.mediaFolder); !result.status.ok()) return result;
    if (result.status = files.Open(); !result.status.ok()) return result;
    const MediaLinks media(catalog, sources.mediaFolder, sources.mediaFolderHref, options.remoteMedia);
    const std::size_t posts = blog.posts.size();
    SiteBuilder builder(options, blog, media, files);
    const bool built = builder.Build();
    if (!files.Flush() || !built) return Outcome(files.Failure(), files, posts);
    // Sources that changed while the pages were made vouch for none of them.
    const bool unchanged = before.stamps && before.stamps == SourcesStamps(sources);
    return Outcome(files.Finish(unchanged ? before.digest : std::nullopt, posts), files, posts);
}

}  // namespace

SiteResult WriteSite(const SiteOptions& options) {
    SiteResult result;
    const std::string siteFolder =
        options.siteFolder.empty() ? backupfiles::SiteFolder(options.backupFile) : options.siteFolder;
    const std::string mediaFolder =
        options.mediaFolder.empty() ? backupfiles::MediaFolder(options.backupFile) : options.mediaFolder;
    try {
        const SiteSources sources{options.backupFile, mediaFolder, MediaFolderHref(siteFolder, mediaFolder),
                                  options.remoteMedia};
        // The backup is read through for its digest while the last run's
        // pages are looked at.
        std::future<SourcesSeen> seen = std::async(std::launch::async, SeeSources, std::cref(sources));
        PageIndex previous = PageIndex::Load(siteFolder);
        const bool inPlace = previous.PagesInPlace(siteFolder);
        const SourcesSeen before = seen.get();
        SiteFiles files(siteFolder, options.files != nullptr ? *options.files : SystemFileOps(),
                        std::move(previous));
        // Made from the very sources of the last run, the pages are those it
        // wrote, as long as they are still there as it left them.
        if (std::size_t posts = 0; inPlace && files.KeepIndexedPages(before.digest, posts)) {
            result = Outcome(files.RemoveOthers(), files, posts);
            if (result.status.ok() && options.progress != nullptr)
                options.progress->PostsWritten(posts, posts);
        } else {
            result = WritePages(options, sources, before, files);
        }
    } catch (const std::exception& error) {
        // A template that fails to render, or memory running out.
        result.status = Status(StatusKind::FileSystem, std::string("Can't write the pages: ") + error.what());
        return result;
    }
    if (result.status.ok())
        result.indexFile = (fs::absolute(siteFolder).lexically_normal() / "index.html").string();
    return result;
}

}  // namespace qv::site
