#pragma once
// Writes the people of generated content the way users keep them: a folder of vCard 3.0 files
// (Apple address-book exports) and Adium's "blist.xml" contact list.
#include "tools/ArchiveContent.h"

#include <filesystem>
#include <string>

namespace talv::tools {

// The unique ID an address book gives a person's card ("<uid>:ABPerson").
std::string cardUniqueID(const Person& person);

// One ".vcf" file per person (and one for the user); people with a photo get a PNG PHOTO.
void writeVCards(const std::filesystem::path& folder, const ArchiveContent& content);

// Adium's contact list: every AIM account of every person, half of them with an alias.
void writeBuddyList(const std::filesystem::path& file, const ArchiveContent& content);

}  // namespace talv::tools
