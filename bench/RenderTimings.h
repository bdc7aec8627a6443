#pragma once
// Timings of the page renderer over the indexed archive: the chat with the most messages, and a
// chat of median length, the page a selection change typically asks for.
namespace talv::bench {

// Reports render_largest_ and render_typical_ seconds, cpu, messages and bytes: the median of
// `rounds` renders each, in the default style, as the render thread asks for them.
bool measureRender(int rounds);

}  // namespace talv::bench
