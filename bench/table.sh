#!/usr/bin/env bash
# Turns scripts/bench's results.tsv (size, name, value) into the Markdown tables of
# docs/performance.md.
set -euo pipefail
awk -F'\t' '
function v(s, n) { return ((s, n) in val) ? val[s, n] : "" }
function ms(x) { return x == "" ? "n/a" : sprintf("%.1f", x * 1000) }
function sec(x) { return x == "" ? "n/a" : sprintf("%.2f", x) }
function ratio(a, b) { return (a == "" || b == "" || b == 0) ? "n/a" : sprintf("%.1f×", a / b) }
function both(s, cpu, wall) { return sec(v(s, cpu)) " [" sec(v(s, wall)) "]" }
# Milliseconds of CPU and [wall] of an in-process timing NAME (NAME_cpu, NAME_seconds).
function timing(s, name) { return ms(v(s, name "_cpu")) " [" ms(v(s, name "_seconds")) "]" }
function per(a, b, f) { return (b == "" || b == 0) ? "n/a" : sprintf(f, a / b) }
function row(cells) { print "| " cells " |" }
{
  if ($1 == "machine") { machine[++nm] = $2 ": " $3; next }
  if ($1 == "long_messages") { val[$1, $2] = $3; next }
  if ($1 ~ /^same_people_/) { if (!($1 in seen)) { seen[$1] = 1; again[++na] = $1 } }
  else if ($1 != "all" && !($1 in seen)) { seen[$1] = 1; sizes[++ns] = $1 }
  val[$1, $2] = $3
}
END {
  print "Machine: "; for (i = 1; i <= nm; i++) print "- " machine[i]
  print "- whole run: " v("all", "total_minutes") " min"
  print ""
  print "CPU time (user + system) is the main figure; wall time follows in [brackets]."
  print ""
  print "### Full index"
  print ""
  row("chats | messages | transcripts MB | index s | chats/s | MB/s | readers alone s | SQLite alone s | index ÷ (readers + SQLite) | database MB")
  row("---|---|---|---|---|---|---|---|---|---")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]; t = v(s, "index_cpu"); mb = v(s, "bytes") / 1e6
    if (v(s, "files") == "") continue  # measured without the floors
    row(v(s, "files") " | " sprintf("%.0f", v(s, "messages")) " | " sprintf("%.1f", mb) " | " both(s, "index_cpu", "index_seconds") " | " \
        per(v(s, "files"), t, "%.0f") " | " per(mb, t, "%.2f") " | " both(s, "read_cpu", "read_seconds") " | " \
        both(s, "write_cpu", "write_seconds") " | " ratio(t, v(s, "read_cpu") + v(s, "write_cpu")) " | " \
        sprintf("%.1f", v(s, "database_bytes") / 1e6))
  }
  print ""
  print "### Peak memory of indexing (maximum resident set)"
  print ""
  row("chats | people (cards) | chats of 10,000 messages | `talvessa-cli index` MB | second scan MB | readers + SQLite alone MB")
  row("---|---|---|---|---|---")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]
    row(s " | " v(s, "people") " | " v(s, "long_chats") " | " sprintf("%.1f", v(s, "index_rss_kb") / 1024) " | " \
        sprintf("%.1f", v(s, "rescan_rss_kb") / 1024) " | " (v(s, "floors_rss_kb") == "" ? "n/a" : sprintf("%.1f", v(s, "floors_rss_kb") / 1024)))
  }
  for (i = 1; i <= na; i++) {
    s = again[i]
    row(v(s, "chats") " | " v(s, "people") " | " v(s, "long_chats") " | " sprintf("%.1f", v(s, "index_rss_kb") / 1024) " | n/a | n/a")
  }
  print ""
  print "### Second scan of the unchanged archive"
  print ""
  row("chats | second scan s | find s | ratio")
  row("---|---|---|---")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]
    row(s " | " both(s, "rescan_cpu", "rescan_seconds") " | " both(s, "find_cpu", "find_seconds") " | " \
        ratio(v(s, "rescan_cpu"), v(s, "find_cpu")))
  }
  print ""
  print "### Filter rebuild (refilter), median ms (chats listed): the engine\047s statements, then [the reference statements]"
  print ""
  row("chats | filter | engine | reference statements | speed-up")
  row("---|---|---|---|---")
  split("all this_week participant links before_last_year links_last_year links_search_short", names, " ")
  split("All|This Week|a participant|Links|Before Last Year|Links + Last Year|Links + 3 letters", titles, "|")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]
    for (k = 1; k <= 7; k++) {
      if (v(s, names[k] "_cpu") == "") continue
      row(s " | " titles[k] " | " timing(s, names[k]) " (" v(s, names[k] "_rows") ") | " \
          timing(s, names[k] "_reference") " (" v(s, names[k] "_reference_rows") ") | " \
          ratio(v(s, names[k] "_reference_cpu"), v(s, names[k] "_cpu")))
    }
  }
  print ""
  print "### Search through the query engine against grep -rlF and the reference statement, median ms (chats or files found)"
  print ""
  row("chats | text | engine | reference statement | grep -rlF | engine against reference | engine against grep")
  row("---|---|---|---|---|---|---")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]
    split("short long", w, " ")
    for (k = 1; k <= 2; k++) {
      q = "search_" w[k]; g = "grep_" w[k]
      row(s " | " w[k] " | " timing(s, q) " (" v(s, q "_rows") ") | " timing(s, q "_reference") " (" v(s, q "_reference_rows") ") | " \
          timing(s, g) " (" v(s, g "_files") ") | " ratio(v(s, q "_reference_cpu"), v(s, q "_cpu")) " faster | " \
          ratio(v(s, g "_cpu"), v(s, q "_cpu")) " faster")
    }
  }
  print ""
  print "### The search index: indexing with and without it, and its size"
  print ""
  row("chats | index s | index without the search index s | added | messages\047 text MB | search index MB | index ÷ text | database MB | without MB | an older archive\047s upgrade (and second scan) s")
  row("---|---|---|---|---|---|---|---|---|---")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]
    if (v(s, "plain_index_cpu") == "") continue
    added = v(s, "plain_index_cpu") == 0 ? "n/a" : sprintf("%+.0f %%", 100 * (v(s, "index_cpu") / v(s, "plain_index_cpu") - 1))
    row(s " | " both(s, "index_cpu", "index_seconds") " | " both(s, "plain_index_cpu", "plain_index_seconds") " | " added " | " \
        sprintf("%.1f", v(s, "message_text_bytes") / 1e6) " | " sprintf("%.1f", v(s, "search_index_bytes") / 1e6) " | " \
        ratio(v(s, "search_index_bytes"), v(s, "message_text_bytes")) " | " sprintf("%.1f", v(s, "database_bytes") / 1e6) " | " \
        sprintf("%.1f", v(s, "plain_database_bytes") / 1e6) " | " both(s, "upgrade_cpu", "upgrade_seconds"))
  }
  print ""
  print "### Rendering a page (default style), median ms"
  print ""
  row("chats | largest chat | messages | page KB | a chat of median length (selection change) | messages | page KB")
  row("---|---|---|---|---|---|---")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]; line = s
    if (v(s, "render_largest_cpu") == "") continue
    split("largest typical", w, " ")
    for (k = 1; k <= 2; k++) {
      r = "render_" w[k]
      line = line " | " timing(s, r) " | " v(s, r "_messages") " | " sprintf("%.0f", v(s, r "_bytes") / 1024)
    }
    row(line)
  }
  print ""
  print "### One message of 1 MiB in an Adium HTML log, ms"
  print ""
  row("message | read and stored | rendered")
  row("---|---|---")
  split("prose word tags links", kinds, " ")
  split("ordinary words (baseline)|one word|tags|links", titles, "|")
  for (k = 1; k <= 4; k++)
    row(titles[k] " | " timing("long_messages", "long_" kinds[k] "_index") " | " timing("long_messages", "long_" kinds[k] "_render"))
  print ""
  print "### The window (under Xvfb) against the engine alone, ms (median of the rounds)"
  print ""
  row("chats | launch to first rows drawn | engine\047s first list | filter change to rows drawn | engine\047s rebuild | one screenful scrolled and drawn (screens) | engine\047s cells of a screenful | window MB | engine alone MB")
  row("---|---|---|---|---|---|---|---|---")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]
    if (v(s, "window_launch_cpu") == "") continue
    row(s " | " timing(s, "window_launch") " | " timing(s, "window_engine_launch") " | " timing(s, "window_filter") " | " \
        timing(s, "window_filter_engine") " | " timing(s, "window_scroll_screen") " (" v(s, "window_scroll_screens") ") | " \
        timing(s, "window_scroll_engine_screen") " | " sprintf("%.1f", v(s, "window_rss_mb")) " | " sprintf("%.1f", v(s, "window_engine_rss_mb")))
  }
  print ""
  print "### Reading a chat in the window (under Xvfb) against the renderer alone, wall ms (median of the rounds)"
  print ""
  row("chats | median chat shown | rendered alone | largest chat shown | rendered alone | its page loaded alone | 20 changes in 1 s: last shown after the first | after the last | web process MB after 1 chat | after 200")
  row("---|---|---|---|---|---|---|---|---|---")
  for (i = 1; i <= ns; i++) {
    s = sizes[i]
    if (v(s, "view_typical_seconds") == "") continue
    row(s " | " ms(v(s, "view_typical_seconds")) " | " ms(v(s, "view_render_typical_seconds")) " | " ms(v(s, "view_largest_seconds")) " | " \
        ms(v(s, "view_render_largest_seconds")) " | " ms(v(s, "view_webkit_largest_seconds")) " | " ms(v(s, "view_burst_seconds")) " | " ms(v(s, "view_burst_after_last_seconds")) " | " \
        sprintf("%.1f", v(s, "view_web_rss_first_mb")) " | " sprintf("%.1f", v(s, "view_web_rss_after_mb")))
  }
}' "$1"
