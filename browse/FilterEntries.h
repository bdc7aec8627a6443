#pragma once
// The filter entries of the three side lists. An entry is a dictionary: "criteria" (an SQL
// condition over Chats, empty for All), "title" (localized), "IsAll" (true, All entries only) and
// per list "order" (date ranges), "singularTitle" and "tag" (contents), "parts" (participants).
#include "browse/TalvFilterArrayController.h"
#include "platform/Date.h"
#include "platform/Value.h"

namespace talv {

// The twelve date-range entries relative to `now` in the local time zone, All first. Weeks run
// from Sunday to Saturday; each range spans 00:00:00 of its first day to 23:59:59 of its last.
Value::Array whenFilterEntries(Date now);
// All, E-mails, Links, Pictures.
Value::Array contentsFilterEntries();
Value participantsAllEntry();

// Empties the date list, fills it for `now` and selects This Week alone.
void prepareWhenFilters(TalvFilterArrayController& when, Date now);
// Adds the All entry (and selects it) when the participants list is empty.
void preparePartFilters(TalvFilterArrayController& participants);
// Adds the four contents entries and selects All.
void prepareContentsFilters(TalvFilterArrayController& contents);

}  // namespace talv
