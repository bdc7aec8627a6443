#pragma once
// Instants for expectations, built with GLib independently of the readers.
#include "platform/Date.h"

#include <glib.h>

#include <memory>

namespace talv::test {

inline Date utcDate(int y, int mo, int d, int h, int mi, double s) {
    std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> dt(g_date_time_new_utc(y, mo, d, h, mi, s),
                                                                &g_date_time_unref);
    return Date{static_cast<double>(g_date_time_to_unix(dt.get())) + g_date_time_get_microsecond(dt.get()) / 1e6};
}

inline Date localDate(int y, int mo, int d, int h, int mi, double s) {
    std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> dt(g_date_time_new_local(y, mo, d, h, mi, s),
                                                                &g_date_time_unref);
    return Date{static_cast<double>(g_date_time_to_unix(dt.get())) + g_date_time_get_microsecond(dt.get()) / 1e6};
}

}  // namespace talv::test
