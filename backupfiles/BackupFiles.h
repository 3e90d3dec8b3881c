// SPDX-License-Identifier: GPL-3.0-or-later
// The names of everything that lives beside a backup file: the journal of an
// unfinished run, the lock of a running one, the kept media, the offline view,
// and the dated name a run may give the file. Every front end and layer asks
// here, so that what one writes the others find.
#pragma once

#include <ctime>
#include <string>

namespace qv::backupfiles {

// The backup's name without a final ".xml" of any case.
std::string WithoutXmlExtension(const std::string& backup);

// "myblog.xml.partial": the pages a full run has merged so far.
std::string JournalFolder(const std::string& backup);
// "myblog.xml.lock": holds the process number of the run writing the backup.
std::string LockFile(const std::string& backup);
// "myblog.media" beside "myblog.xml": a final ".xml" of any case makes way for
// the suffix, any other name keeps all of itself ("blog.example.com.media").
std::string MediaFolder(const std::string& backup);
// "myblog.html", by the same rule.
std::string SiteFolder(const std::string& backup);

// The name proposed for a backup of the blog at `address`: the address, with
// " yyyy-mm-dd hh-nn-ss" when asked, then ".xml".
std::string ProposedName(const std::string& address, bool addDateTime, const std::tm& localNow);
// Whether `name` is a proposed name of that blog with the date and time in it.
bool IsDatedName(const std::string& name, const std::string& address);
// The backup a journal folder belongs to; "" when `folder` names no journal.
std::string BackupOfJournal(const std::string& folder);

}  // namespace qv::backupfiles
