// SPDX-License-Identifier: GPL-3.0-or-later
#include "PostRenderer.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_set>

#include "BlogReader.h"
#include "MediaMarkup.h"
#include "PlayerAddresses.h"
#include "PostDate.h"
#include "SearchIndex.h"
#include "SitePaths.h"
#include "UrlPolicy.h"
#include "html/WebAddress.h"
#include "html/HtmlWriter.h"

namespace qv::site {

namespace {

constexpr std::size_t kSummaryLength = 140;

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

// Runs of blanks become one space; longer texts end at a word with an ellipsis.
std::string Summary(std::string_view text) {
    std::string summary;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            blank = !summary.empty();
            continue;
        }
        if (blank) summary += ' ';
        blank = false;
        summary += c;
        if (summary.size() > kSummaryLength + 40) break;
    }
    if (summary.size() <= kSummaryLength) return summary;
    std::size_t cut = summary.rfind(' ', kSummaryLength);
    if (cut == std::string::npos || cut < kSummaryLength / 2) {
        cut = kSummaryLength;
        // Never split a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(summary[cut]) & 0xC0) == 0x80) --cut;
    }
    summary.resize(cut);
    return summary + "\xE2\x80\xA6";
}

std::string TypeLabel(std::string_view type, bool photoset) {
    if (type == "regular") return "Text";
    if (type == "photo") return photoset ? "Photos" : "Photo";
    if (type == "quote") return "Quote";
    if (type == "link") return "Link";
    if (type == "conversation") return "Chat";
    if (type == "video") return "Video";
    if (type == "audio") return "Audio";
    if (type == "answer") return "Answer";
    return type.empty() ? "Post" : std::string(type);
}

// A class name made of the type's letters only.
std::string TypeClass(std::string_view type) {
    std::string name;
    for (const char c : type)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) name += c;
    return name.empty() ? "other" : name;
}

std::optional<int> NumberOf(pugi::xml_attribute attribute) {
    const std::string_view text = attribute.value();
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number <= 0) return std::nullopt;
    return number;
}

PostDate DateOf(pugi::xml_node post) {
    PostDate date = ParseLocalDate(post.attribute("date").value());
    if (!date.Valid()) date = ParseGmtDate(post.attribute("date-gmt").value());
    if (!date.Valid()) {
        if (const auto seconds = NumberOf(post.attribute("unix-timestamp")))
            date = DateFromUnixTime(*seconds);
    }
    return date;
}

std::string IsoDateOf(pugi::xml_node post) {
    const PostDate gmt = ParseGmtDate(post.attribute("date-gmt").value());
    if (gmt.Valid()) return gmt.IsoUtc();
    if (const auto seconds = NumberOf(post.attribute("unix-timestamp")))
        return DateFromUnixTime(*seconds).IsoUtc();
    return "";
}

struct PhotoChoice {
    std::string url;
    int maxWidth = 0;
};

// The largest picture of a photo, preferring one that is kept.
PhotoChoice ChoosePhoto(pugi::xml_node holder, const MediaLinks& media) {
    PhotoChoice largest;
    PhotoChoice largestKept;
    for (pugi::xml_node url : holder.children("photo-url")) {
        const PhotoChoice choice{html::CleanUrl(ElementText(url)),
                                 NumberOf(url.attribute("max-width")).value_or(0)};
        if (!IsWebUrl(choice.url)) continue;
        if (largest.url.empty() || choice.maxWidth > largest.maxWidth) largest = choice;
        if ((largestKept.url.empty() || choice.maxWidth > largestKept.maxWidth) &&
            media.File(choice.url).kind == MediaLink::Kept)
            largestKept = choice;
    }
    return largestKept.url.empty() ? largest : largestKept;
}

// The size the service would have shown: the photo's own size, scaled down to
// the width of the picture chosen.
std::optional<PixelSize> DeclaredSize(pugi::xml_node holder, int maxWidth) {
    const auto width = NumberOf(holder.attribute("width"));
    const auto height = NumberOf(holder.attribute("height"));
    if (!width || !height) return std::nullopt;
    if (maxWidth <= 0 || *width <= maxWidth) return PixelSize{*width, *height};
    const long long scaled = static_cast<long long>(*height) * maxWidth / *width;
    return PixelSize{maxWidth, static_cast<int>(std::max(1LL, scaled))};
}

// A post's sound or film: the file played from its kept copy (or from the
// original when the reader allows it) with the original beside it, or the
// stand-in when it cannot play; another site's player as a link to `page`.
std::string PostPlayerHtml(const MediaLink& file, std::string_view element, std::string_view label,
                           const std::string& page) {
    if (file.original.empty())
        return page.empty() ? "" : html::ToHtml({OriginalMarkup(page, OriginalLink::InsteadOfPlayer)});
    if (file.kind == MediaLink::NotLoaded) return html::ToHtml({NotLoadedMarkup(file.original, label)});
    return html::ToHtml({PlayerMarkup(file, element, label),
                         OriginalMarkup(page.empty() ? file.original : page, OriginalLink::BesideCopy)});
}

}  // namespace

struct PostRenderer::Fields {
    TemplateData data{TemplateData::type::object};
    std::string base;
    std::string heading;
    std::string summary;
    std::string text;

    void AddText(std::string_view more) {
        if (more.empty()) return;
        if (!text.empty()) text += ' ';
        text += more;
    }
};

std::string TagPageOf(const std::string& tag) { return TagPage(TagSlug(tag), 1); }

std::string PostRenderer::CleanChild(pugi::xml_node post, const char* child, Fields& fields) {
    const pugi::xml_node element = post.child(child);
    if (!element) return "";
    std::string text;
    std::string cleaned = sanitizer_.CleanHtml(ElementText(element), fields.base, &text);
    fields.AddText(text);
    return Trimmed(cleaned).empty() ? "" : cleaned;
}

void PostRenderer::Regular(pugi::xml_node post, Fields& fields) {
    fields.heading = Trimmed(HtmlSanitizer::TextOf(ElementText(post.child("regular-title"))));
    SetIfAny(fields.data, "bodyHtml", CleanChild(post, "regular-body", fields));
}

void PostRenderer::Photo(pugi::xml_node post, Fields& fields) {
    const std::string caption = CleanChild(post, "photo-caption", fields);
    const std::string link = SafeLinkUrl(ElementText(post.child("photo-link-url")), fields.base);
    const std::string alt = Summary(fields.text);

    TemplateData photos{TemplateData::type::list};
    const auto add = [&](pugi::xml_node holder, const std::string& photoCaption) {
        const PhotoChoice choice = ChoosePhoto(holder, media_);
        if (choice.url.empty()) return;
        const MediaLink picture = media_.Picture(choice.url);
        TemplateData photo{TemplateData::type::object};
        photo.set("pictureHtml",
                  html::ToHtml({PictureMarkup(picture, photoCaption.empty() ? alt : photoCaption,
                                              DeclaredSize(holder, choice.maxWidth))}));
        // A stand-in is itself a link, and links must not nest.
        if (picture.kind != MediaLink::NotLoaded) SetIfAny(photo, "photoLink", link);
        SetIfAny(photo, "photoCaption", photoCaption);
        photos.push_back(photo);
    };
    bool photoset = false;
    for (pugi::xml_node photo : post.child("photoset").children("photo")) {
        photoset = true;
        const std::string photoCaption = Trimmed(HtmlSanitizer::TextOf(photo.attribute("caption").value()));
        fields.AddText(photoCaption);
        add(photo, photoCaption);
    }
    if (!photoset) add(post, "");
    fields.data.set("photos", photos);
    SetIfAny(fields.data, "bodyHtml", caption);
}

void PostRenderer::Quote(pugi::xml_node post, Fields& fields) {
    TemplateData quote{TemplateData::type::object};
    quote.set("quoteHtml", CleanChild(post, "quote-text", fields));
    fields.summary = Summary(fields.text);
    SetIfAny(quote, "quoteSourceHtml", CleanChild(post, "quote-source", fields));
    fields.data.set("quote", quote);
}

void PostRenderer::Link(pugi::xml_node post, Fields& fields) {
    const std::string url = SafeLinkUrl(ElementText(post.child("link-url")), fields.base);
    std::string text = Trimmed(HtmlSanitizer::TextOf(ElementText(post.child("link-text"))));
    if (text.empty()) text = url;
    fields.AddText(text);
    if (url.empty()) {
        fields.heading = text;
    } else {
        TemplateData link{TemplateData::type::object};
        link.set("linkUrl", url);
        link.set("linkText", text);
        SetIfAny(link, "linkHost", HostOf(url));
        fields.data.set("link", link);
        fields.summary = text;
    }
    SetIfAny(fields.data, "bodyHtml", CleanChild(post, "link-description", fields));
}

void PostRenderer::Conversation(pugi::xml_node post, Fields& fields) {
    fields.heading = Trimmed(HtmlSanitizer::TextOf(ElementText(post.child("conversation-title"))));
    TemplateData lines{TemplateData::type::list};
    bool any = false;
    const auto add = [&](std::string speaker, std::string said) {
        speaker = Trimmed(HtmlSanitizer::TextOf(speaker));
        said = Trimmed(HtmlSanitizer::TextOf(said));
        if (speaker.empty() && said.empty()) return;
        TemplateData line{TemplateData::type::object};
        line.set("speaker", speaker);
        line.set("said", said);
        lines.push_back(line);
        fields.AddText(speaker);
        fields.AddText(said);
        any = true;
    };
    const auto speakerOf = [](pugi::xml_node line) {
        const std::string label = line.attribute("label").value();
        return label.empty() ? std::string(line.attribute("name").value()) : label;
    };
    // The service wrote the lines three ways over the years; the newest one present wins.
    for (pugi::xml_node line : post.child("conversation").children("line"))
        add(speakerOf(line), ElementText(line));
    if (!any)
        for (pugi::xml_node line : post.children("conversation-line"))
            add(speakerOf(line), ElementText(line));
    if (!any) {
        const std::string text = ElementText(post.child("conversation-text"));
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(start, end - start);
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos || colon > 60) {
                add("", line);
            } else {
                add(line.substr(0, colon + 1), line.substr(colon + 1));
            }
            start = end + 1;
        }
    }
    if (any) {
        TemplateData chat{TemplateData::type::object};
        chat.set("lines", lines);
        fields.data.set("chat", chat);
    }
}

void PostRenderer::Video(pugi::xml_node post, Fields& fields) {
    std::string watch = html::CleanUrl(ElementText(post.child("video-source")));
    if (!IsWebUrl(watch)) watch.clear();
    const html::HtmlFragment player = html::HtmlFragment::Parse(ElementText(post.child("video-player")));
    if (watch.empty()) {
        const html::HtmlFragment source = html::HtmlFragment::Parse(ElementText(post.child("video-source")));
        watch = PlayerPageAddress(source.Nodes(), fields.base);
        if (watch.empty()) watch = PlayerPageAddress(player.Nodes(), fields.base);
    }
    const MediaLink film = media_.File(FilmFileAddress(player.Nodes(), fields.base));
    const std::string playerHtml = PostPlayerHtml(film, "video", "Film not kept offline", watch);
    if (!playerHtml.empty()) fields.data.set("video", TemplateData("playerHtml", playerHtml));
    SetIfAny(fields.data, "bodyHtml", CleanChild(post, "video-caption", fields));
}

void PostRenderer::Audio(pugi::xml_node post, Fields& fields) {
    static constexpr const char* kPlayers[] = {"audio-player", "audio-embed"};
    std::string address;
    for (const char* field : kPlayers) {
        if (!address.empty()) break;
        address = SoundFileAddress(html::HtmlFragment::Parse(ElementText(post.child(field))).Nodes());
    }
    // The address may be written percent-encoded inside the player's own address.
    MediaLink sound = media_.File(address);
    const std::string decoded = PercentDecoded(address);
    if (sound.kind != MediaLink::Kept && decoded != address && IsWebUrl(decoded))
        sound = media_.File(decoded);
    // Without a file of the service's, the player is another site's.
    std::string page;
    for (const char* field : kPlayers) {
        if (!sound.original.empty() || !page.empty()) break;
        page =
            PlayerPageAddress(html::HtmlFragment::Parse(ElementText(post.child(field))).Nodes(), fields.base);
    }
    TemplateData audio{TemplateData::type::object};
    const std::string playerHtml = PostPlayerHtml(sound, "audio", "Sound not kept offline", page);
    SetIfAny(audio, "playerHtml", playerHtml);
    std::string track;
    for (const char* field : {"id3-artist", "id3-title", "id3-album"}) {
        const std::string part = Trimmed(HtmlSanitizer::TextOf(ElementText(post.child(field))));
        if (part.empty()) continue;
        fields.AddText(part);
        track += (track.empty() ? "" : " \xE2\x80\x94 ") + part;
    }
    SetIfAny(audio, "track", track);
    if (!playerHtml.empty() || !track.empty()) fields.data.set("audio", audio);
    SetIfAny(fields.data, "bodyHtml", CleanChild(post, "audio-caption", fields));
}

void PostRenderer::Answer(pugi::xml_node post, Fields& fields) {
    TemplateData answer{TemplateData::type::object};
    answer.set("questionHtml", CleanChild(post, "question", fields));
    fields.summary = Summary(fields.text);
    answer.set("answerHtml", CleanChild(post, "answer", fields));
    fields.data.set("answer", answer);
}

RenderedPost PostRenderer::Render(pugi::xml_node post) {
    RenderedPost out;
    out.id = post.attribute("id").value();
    out.page = PostPage(out.id);
    std::string url = html::CleanUrl(post.attribute("url-with-slug").value());
    if (!IsWebUrl(url)) url = html::CleanUrl(post.attribute("url").value());
    if (IsWebUrl(url)) out.url = url;
    out.type = post.attribute("type").value();
    out.typeLabel = TypeLabel(out.type, static_cast<bool>(post.child("photoset")));
    const PostDate date = DateOf(post);
    out.date = date.Display();
    out.monthKey = date.MonthKey();
    out.iso = IsoDateOf(post);
    out.isPrivate = std::string_view(post.attribute("private").value()) == "true";
    std::unordered_set<std::string> seenTags;
    for (pugi::xml_node tag : post.children("tag")) {
        std::string name = Trimmed(ElementText(tag));
        if (!name.empty() && seenTags.insert(name).second) out.tags.push_back(std::move(name));
    }

    Fields fields;
    fields.base = out.url;
    if (out.type == "regular") {
        Regular(post, fields);
    } else if (out.type == "photo") {
        Photo(post, fields);
    } else if (out.type == "quote") {
        Quote(post, fields);
    } else if (out.type == "link") {
        Link(post, fields);
    } else if (out.type == "conversation") {
        Conversation(post, fields);
    } else if (out.type == "video") {
        Video(post, fields);
    } else if (out.type == "audio") {
        Audio(post, fields);
    } else if (out.type == "answer") {
        Answer(post, fields);
    }

    TemplateData& data = fields.data;
    data.set("type", TypeClass(out.type));
    data.set("typeLabel", out.typeLabel);
    data.set("page", out.page);
    data.set("date", out.date);
    data.set("iso", out.iso);
    data.set("private", out.isPrivate);
    SetIfAny(data, "heading", fields.heading);
    TemplateData tags{TemplateData::type::list};
    for (const std::string& name : out.tags) {
        TemplateData tag{TemplateData::type::object};
        tag.set("tagName", name);
        tag.set("tagPage", TagPageOf(name));
        tags.push_back(tag);
    }
    data.set("hasTags", !out.tags.empty());
    data.set("tags", tags);
    out.articleHtml = templates_.Render(Template::Post, data);

    out.summary = !fields.heading.empty() ? fields.heading : fields.summary;
    if (out.summary.empty()) out.summary = Summary(fields.text);
    if (out.summary.empty()) out.summary = out.typeLabel + (out.date.empty() ? "" : " of " + out.date);

    std::string searchable = fields.heading;
    searchable += ' ';
    searchable += fields.text;
    for (const std::string& tag : out.tags) {
        searchable += ' ';
        searchable += tag;
    }
    out.searchWords = CollectWords(searchable);
    return out;
}

}  // namespace qv::site
