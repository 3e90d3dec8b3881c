// SPDX-License-Identifier: GPL-3.0-or-later
// library.json: one entry per backup, written atomically and owner-only; a
// damaged file is set aside, never deleted, and the list starts afresh.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "TempFolder.h"
#include "catalog/BackupCatalog.h"

namespace qv {
namespace {

using catalog::CatalogEntry;
using test::ReadAll;
using test::TempFolder;
using test::WriteAll;

CatalogEntry Entry(const std::string& path, const std::string& title, std::int64_t posts) {
    CatalogEntry entry;
    entry.path = path;
    entry.address = "myblog.example.com";
    entry.title = title;
    entry.updated = 1700000000;
    entry.posts = posts;
    entry.announced = posts + 10;
    entry.email = "me@example.com";
    entry.blogPassword = true;
    entry.proxy = "none";
    return entry;
}

std::vector<std::string> Paths(const std::vector<CatalogEntry>& entries) {
    std::vector<std::string> paths;
    for (const auto& entry : entries) paths.push_back(entry.path);
    return paths;
}

TEST(Catalog, KeepsOneEntryPerBackupOwnerOnlyAndForgettingLeavesTheFile) {
    TempFolder folder;
    const std::string data = folder.File("data/Quarrytide/Quillvault");
    const std::string first = folder.File("first.xml");
    const std::string second = folder.File("second.xml");
    WriteAll(first, "<tumblr/>");

    ASSERT_TRUE(catalog::Record(data, Entry(first, "First blog", 100)).ok());
    ASSERT_TRUE(catalog::Record(data, Entry(second, "Second blog", 5)).ok());
    // The same file by another spelling, from a run that knows no title.
    CatalogEntry again = Entry(folder.Path().string() + "/./first.xml", "", 120);
    again.announced.reset();
    ASSERT_TRUE(catalog::Record(data, again).ok());

    const catalog::Loaded loaded = catalog::Load(data);
    EXPECT_EQ(loaded.warning, "");
    ASSERT_EQ(Paths(loaded.entries), (std::vector<std::string>{first, second}));
    CatalogEntry expected = Entry(first, "First blog", 120);
    expected.announced.reset();
    EXPECT_EQ(loaded.entries[0], expected);
    EXPECT_EQ(loaded.entries[1], Entry(second, "Second blog", 5));

    struct stat info {};
    ASSERT_EQ(::stat(catalog::CatalogFile(data).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    ASSERT_TRUE(catalog::Forget(data, first).ok());
    EXPECT_EQ(Paths(catalog::Load(data).entries), std::vector<std::string>{second});
    EXPECT_EQ(ReadAll(first), "<tumblr/>");
}

TEST(Catalog, ADamagedFileIsSetAsideWithAWarningAndTheListStartsAfresh) {
    for (const std::string& damaged : {std::string("{\"backups\": [ {\"path\": \"/a.xml\""),
                                      std::string("{\"backups\": [{\"path\": \"/a.xml\", \"posts\": \"many\"}]}"),
                                      std::string("[]")}) {
        SCOPED_TRACE(damaged);
        TempFolder folder;
        const std::string file = catalog::CatalogFile(folder.Path().string());
        WriteAll(file, damaged);

        const catalog::Loaded loaded = catalog::Load(folder.Path().string());
        EXPECT_TRUE(loaded.entries.empty());
        EXPECT_NE(loaded.warning.find("set aside"), std::string::npos) << loaded.warning;
        const std::vector<std::string> names = folder.Entries();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(names[0].starts_with("library.json.damaged-")) << names[0];
        EXPECT_EQ(ReadAll(folder.File(names[0])), damaged);

        const catalog::Changed recorded = catalog::Record(folder.Path().string(), Entry("/b.xml", "B", 1));
        ASSERT_TRUE(recorded.ok());
        EXPECT_FALSE(recorded.setAside) << "the damaged list went when it was read";
        EXPECT_EQ(Paths(catalog::Load(folder.Path().string()).entries), std::vector<std::string>{"/b.xml"});

        // A change that meets a damaged list is made all the same, and says where the list went.
        WriteAll(file, damaged);
        const catalog::Changed again = catalog::Record(folder.Path().string(), Entry("/c.xml", "C", 1));
        ASSERT_TRUE(again.ok());
        ASSERT_TRUE(again.setAside);
        EXPECT_NE(again.setAside->find("set aside"), std::string::npos) << *again.setAside;
        EXPECT_EQ(Paths(catalog::Load(folder.Path().string()).entries), std::vector<std::string>{"/c.xml"});
    }
}

// Replacing library.json fails at the rename, as on a full or read-only disk.
class RenameFails : public FileOpsWrapper {
public:
    RenameFails() : FileOpsWrapper(SystemFileOps()) {}
    int Rename(const std::string&, const std::string&) override {
        errno = EROFS;
        return -1;
    }
};

TEST(Catalog, AFailedWriteReportsItAndLeavesTheFileAsItWas) {
    TempFolder folder;
    const std::string data = folder.Path().string();
    ASSERT_TRUE(catalog::Record(data, Entry("/a.xml", "A", 1)).ok());
    const std::string before = ReadAll(catalog::CatalogFile(data));

    RenameFails failing;
    const Status status = catalog::Record(data, Entry("/b.xml", "B", 2), failing).status;
    EXPECT_TRUE(status.Is(StatusKind::FileSystem)) << status.text();
    EXPECT_EQ(ReadAll(catalog::CatalogFile(data)), before);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"library.json", "library.json.lock"}));
}

}  // namespace
}  // namespace qv
