#include "browse/FilterEntries.h"

#include "platform/CalendarDate.h"
#include "platform/Strings.h"
#include "store/OrvaneExtras.h"

#include <fmt/format.h>

namespace talv {
namespace {

CalendarDate plusDays(const CalendarDate& date, int days) { return date.dateByAddingYears(0, 0, days, 0, 0, 0); }
CalendarDate plusMonths(const CalendarDate& date, int months) { return date.dateByAddingYears(0, months, 0, 0, 0, 0); }
CalendarDate lastDayOfMonth(const CalendarDate& firstOfMonth) { return firstOfMonth.dateByAddingYears(0, 1, -1, 0, 0, 0); }

Value rangeEntry(int order, const char* title, const CalendarDate& first, const CalendarDate& last) {
    return Value(Value::Dictionary{
        {"order", order},
        {"title", tr(title)},
        {"criteria", fmt::format("(Chats.DateStarted BETWEEN {:f} AND {:f})", startOfDay(first.date()).secondsSince1970,
                                 endOfDay(last.date()).secondsSince1970)},
    });
}

Value contentsEntry(const char* title, const char* singularTitle, const char* flag) {
    return Value(Value::Dictionary{
        {"title", tr(title)},
        {"singularTitle", tr(singularTitle)},
        {"criteria", fmt::format("Chats.{} = 1", flag)},
        {"tag", flag},
    });
}

}  // namespace

// Days and months are counted on the local wall clock, so that daylight-saving changes inside a
// range do not move its bounds off midnight.
Value::Array whenFilterEntries(Date now) {
    const CalendarDate today(now);
    const int dayOfWeek = today.dayOfWeek();
    const CalendarDate firstOfMonth = plusDays(today, -(today.dayOfMonth() - 1));
    const CalendarDate thisMonthEnd = lastDayOfMonth(firstOfMonth);
    const CalendarDate previousMonth = plusMonths(firstOfMonth, -1);
    const CalendarDate january1 = today.dateByAddingYears(0, -(today.monthOfYear() - 1), -(today.dayOfMonth() - 1), 0, 0, 0);
    const CalendarDate lastJanuary1 = january1.dateByAddingYears(-1, 0, 0, 0, 0, 0);

    return {
        Value(Value::Dictionary{{"order", 0}, {"title", tr("All")}, {"criteria", ""}, {"IsAll", true}}),
        rangeEntry(1, N_("Today"), today, today),
        rangeEntry(2, N_("Yesterday"), plusDays(today, -1), plusDays(today, -1)),
        rangeEntry(3, N_("This Week"), plusDays(today, -dayOfWeek), plusDays(today, 6 - dayOfWeek)),
        rangeEntry(4, N_("Last Week"), plusDays(today, -(7 + dayOfWeek)), plusDays(today, -(dayOfWeek + 1))),
        rangeEntry(5, N_("This Month"), firstOfMonth, thisMonthEnd),
        rangeEntry(6, N_("Last Month"), previousMonth, lastDayOfMonth(previousMonth)),
        rangeEntry(7, N_("Last 3 Months"), plusMonths(firstOfMonth, -2), thisMonthEnd),
        rangeEntry(8, N_("Last 6 Months"), plusMonths(firstOfMonth, -5), thisMonthEnd),
        rangeEntry(9, N_("This Year"), january1, january1.dateByAddingYears(1, 0, -1, 0, 0, 0)),
        rangeEntry(10, N_("Last Year"), lastJanuary1, plusDays(january1, -1)),
        rangeEntry(11, N_("Before Last Year"), january1.dateByAddingYears(1900 - today.yearOfCommonEra(), 0, 0, 0, 0, 0),
                   plusDays(lastJanuary1, -1)),
    };
}

Value::Array contentsFilterEntries() {
    return {
        Value(Value::Dictionary{{"title", tr("All")}, {"singularTitle", ""}, {"criteria", ""}, {"IsAll", true}}),
        contentsEntry(N_("E-mails"), N_("E-mail"), "HasEmails"),
        contentsEntry(N_("Links"), N_("Link"), "HasHyperlinks"),
        contentsEntry(N_("Pictures"), N_("Picture"), "HasPictures"),
    };
}

Value participantsAllEntry() {
    return Value(Value::Dictionary{{"title", tr("All")}, {"criteria", ""}, {"IsAll", true}});
}

void prepareWhenFilters(TalvFilterArrayController& when, Date now) {
    when.setContent(whenFilterEntries(now));
    for (std::size_t i = 0; i < when.arrangedObjects().size(); ++i) {
        const Value* order = when.arrangedObjects()[i].find("order");
        if (order && order->integerOr(-1) == 3) when.setSelectionIndexes({i});
    }
}

void preparePartFilters(TalvFilterArrayController& participants) {
    if (!participants.content().empty()) return;
    Value all = participantsAllEntry();
    participants.addObject(all);
    participants.setSelectedObjects({all});
}

void prepareContentsFilters(TalvFilterArrayController& contents) {
    Value::Array entries = contentsFilterEntries();
    contents.addObject(entries.front());
    contents.setSelectedObjects({entries.front()});
    contents.addObjects(Value::Array(entries.begin() + 1, entries.end()));
}

}  // namespace talv
