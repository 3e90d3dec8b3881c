// SPDX-License-Identifier: GPL-3.0-or-later
// What the media tests share: backups made of chosen posts, a host that
// records progress and can ask for a stop, a run against a MediaServer, and
// the manifest read back.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "Manifest.h"
#include "ManifestJournal.h"
#include "MediaRun.h"
#include "TempFolder.h"

namespace qv::test {

inline std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// A backup file holding these <post> elements.
inline std::string BackupText(const std::vector<std::string>& posts) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tumblr version=\"1.0\"><tumblelog name=\"pictures\" "
        "title=\"Pictures\"/><posts start=\"0\" total=\"" +
        std::to_string(posts.size()) + "\">";
    for (const std::string& post : posts) text += post;
    return text + "</posts></tumblr>\n";
}

inline std::string PhotoPost(const std::string& id, const std::vector<std::pair<int, std::string>>& sizes) {
    std::string post = "<post id=\"" + id + "\" type=\"photo\"><photo-caption>A photo</photo-caption>";
    for (const auto& [width, url] : sizes)
        post += "<photo-url max-width=\"" + std::to_string(width) + "\">" + XmlEscaped(url) + "</photo-url>";
    return post + "</post>";
}

inline std::string RegularPost(const std::string& id, const std::string& html) {
    return "<post id=\"" + id + "\" type=\"regular\"><regular-title>Text</regular-title><regular-body>" +
           XmlEscaped(html) + "</regular-body></post>";
}

// A photo post holding one large photo at each address.
inline std::vector<std::string> PhotoPosts(const std::vector<std::string>& urls, long long firstId = 1000) {
    std::vector<std::string> posts;
    for (const std::string& url : urls) posts.push_back(PhotoPost(std::to_string(firstId--), {{1280, url}}));
    return posts;
}

class RecordingMediaHost : public media::IMediaHost {
public:
    void Progress(const media::MediaProgress& progress) override {
        reports.push_back(progress);
        if (onProgress) onProgress(progress);
    }
    bool StopRequested() override { return stop; }
    bool Wait(std::chrono::milliseconds duration) override {
        waited += duration;
        std::this_thread::sleep_for(duration);
        return !stop;
    }

    std::vector<media::MediaProgress> reports;
    std::function<void(const media::MediaProgress&)> onProgress;
    std::chrono::milliseconds waited{0};
    bool stop = false;
};

// A folder with a backup file in it, and the options of a quick media run of it.
class MediaCase {
public:
    explicit MediaCase(const std::vector<std::string>& posts) {
        WriteAll(Backup(), BackupText(posts));
        options.backupFile = Backup();
        options.retryDelay = std::chrono::seconds(0);
        options.retries = 2;
    }

    std::string Backup() const { return folder.File("blog.xml"); }
    std::string Media() const { return folder.File("blog.media"); }
    std::string MediaFile(const std::string& name) const { return Media() + "/" + name; }

    media::MediaSummary Run(FileOps& files = SystemFileOps()) {
        http::HttpClient client(media::MediaClientOptions(options));
        return media::KeepMedia(options, client, files, host);
    }

    // The manifest's lines by address.
    std::map<std::string, media::ManifestEntry> Manifest() const {
        std::map<std::string, media::ManifestEntry> byUrl;
        for (auto& entry : media::ParseManifest(ReadAll(MediaFile(media::kManifestFileName))).entries)
            byUrl[entry.url] = entry;
        return byUrl;
    }

    // The lines a run recorded after it last replaced the manifest, by address.
    std::map<std::string, media::ManifestEntry> Journal() const {
        std::map<std::string, media::ManifestEntry> byUrl;
        for (auto& entry : media::ParseJournal(ReadAll(MediaFile(media::kJournalFileName))).entries)
            byUrl[entry.url] = entry;
        return byUrl;
    }

    // Every name in the media folder (temporary files too), sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Media()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder folder;
    media::MediaOptions options;
    RecordingMediaHost host;
};

}  // namespace qv::test
