#include "app/WebKitTranscriptView.h"

#include <fmt/format.h>
#include <webkit/webkit.h>

namespace talv {
namespace {

gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    if (webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_OTHER) webkit_policy_decision_use(decision);
    else webkit_policy_decision_ignore(decision);
    return TRUE;
}

}  // namespace

WebKitTranscriptView::WebKitTranscriptView() {
    view_ = WEBKIT_WEB_VIEW(g_object_ref_sink(webkit_web_view_new()));
    widget_ = Glib::wrap(GTK_WIDGET(view_));
    g_signal_connect(view_, "decide-policy", G_CALLBACK(decidePolicy), nullptr);
    g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                         auto* view = static_cast<WebKitTranscriptView*>(self);
                         if (event == WEBKIT_LOAD_FINISHED && view->delegate_) view->delegate_->didFinishLoadForFrame();
                     }),
                     this);
}

WebKitTranscriptView::~WebKitTranscriptView() {
    g_signal_handlers_disconnect_by_data(view_, this);
    g_object_unref(view_);
}

bool WebKitTranscriptView::isLoading() const { return webkit_web_view_is_loading(view_); }

void WebKitTranscriptView::loadHTMLString(const std::string& html) { webkit_web_view_load_html(view_, html.c_str(), "file:///"); }

void WebKitTranscriptView::setStandardFontFamily(const std::string& family) {
    webkit_settings_set_default_font_family(webkit_web_view_get_settings(view_), family.c_str());
}

void WebKitTranscriptView::setDefaultFontSize(int points) {
    webkit_settings_set_default_font_size(webkit_web_view_get_settings(view_), webkit_settings_font_size_to_pixels(points));
}

void WebKitTranscriptView::setMinimumFontSize(int points) {
    webkit_settings_set_minimum_font_size(webkit_web_view_get_settings(view_), webkit_settings_font_size_to_pixels(points));
}

std::optional<ScrollPoint> WebKitTranscriptView::documentVisibleOrigin() {
    const std::optional<std::string> origin = evaluateWebScript("window.scrollX + ' ' + window.scrollY");
    ScrollPoint point;
    if (!origin || std::sscanf(origin->c_str(), "%lf %lf", &point.x, &point.y) != 2) return std::nullopt;
    return point;
}

void WebKitTranscriptView::scrollToPoint(ScrollPoint point) {
    evaluateWebScript(fmt::format("window.scrollTo({}, {});", point.x, point.y));
}

std::vector<std::string> WebKitTranscriptView::anchorIDs() {
    const std::optional<std::string> joined =
        evaluateWebScript("Array.from(document.getElementsByTagName('a')).map(a => a.id.replace(/\\n/g, ' ')).join('\\n')");
    std::vector<std::string> ids;
    if (!joined || joined->empty()) return ids;
    for (std::size_t at = 0;;) {
        const std::size_t end = joined->find('\n', at);
        ids.push_back(joined->substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return ids;
}

std::optional<std::string> WebKitTranscriptView::evaluateWebScript(const std::string& script) {
    struct Call {
        bool done = false;
        std::optional<std::string> result;
    };
    auto call = std::make_shared<Call>();
    webkit_web_view_evaluate_javascript(
        view_, script.c_str(), -1, nullptr, nullptr, nullptr,
        +[](GObject* view, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::shared_ptr<Call>> call(static_cast<std::shared_ptr<Call>*>(data));
            JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr);
            if (value) {
                if (!jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
                    char* text = jsc_value_to_string(value);
                    (*call)->result = text;
                    g_free(text);
                }
                g_object_unref(value);
            }
            (*call)->done = true;
        },
        new std::shared_ptr<Call>(call));
    while (!call->done) g_main_context_iteration(nullptr, TRUE);
    return call->result;
}

}  // namespace talv
