// SPDX-License-Identifier: GPL-3.0-or-later
// What the site tests share: backups made from the real sample pages, small
// real pictures for a media folder, and reading what a run wrote.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Site.h"
#include "TempFolder.h"

namespace qv::test {

std::string Fixture(const std::string& name);

// One backup holding the posts of the sample pages `names`, in that order,
// with the first page's blog description.
std::string MergedBackup(const std::vector<std::string>& names);

// A backup of `posts` (whole <post> elements) under a made-up blog description.
std::string BackupOf(const std::vector<std::string>& posts);

// A valid PNG of one colour.
std::string Png(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

struct Colour {
    std::uint8_t red, green, blue;
};
// A valid PNG shading from `top` to `bottom`, for pictures a person looks at.
std::string Png(int width, int height, Colour top, Colour bottom);

// A media folder: the files (name and bytes) and manifest.tsv listing each
// url -> file as kept.
void WriteMediaFolder(const std::string& folder,
                      const std::map<std::string, std::pair<std::string, std::string>>& kept);

// The pages of a site folder, by path from its top, with their bytes (the
// index a run keeps of them is no page).
std::map<std::string, std::string> SiteFiles(const std::string& folder);

// Writes `backup` into `folder` as blog.xml and makes its site beside it.
site::SiteResult MakeSite(const TempFolder& folder, const std::string& backup, bool remoteMedia = false);

std::size_t Count(const std::string& text, const std::string& part);

}  // namespace qv::test
