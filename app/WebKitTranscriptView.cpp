#include "app/WebKitTranscriptView.h"

#include "display/TranscriptContentPolicy.h"
#include "platform/Strings.h"

#include <fmt/format.h>
#include <webkit/webkit.h>

#include <cstdio>
#include <memory>

namespace talv {
namespace {

// The world of our own page scripts: the page's scripts can neither see nor imitate them.
constexpr const char* kScriptWorld = "talvessa";
constexpr const char* kScrollHandler = "talvScroll";

// Cocoa's tags of the default items that the delegate keeps; other items get tags it never keeps.
constexpr int kOtherItemTag = 1000;

std::string javaScriptString(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') quoted += '\\';
        if (c == '\n') quoted += "\\n";
        else quoted += c;
    }
    return quoted + "'";
}

// Everything the page names on the network is blocked by the content policy; pictures, frames and
// media that would have shown it become a plain placeholder naming where it lives.
std::string placeholderScript() {
    return fmt::format(
        "(() => {{\n"
        "  const local = /^(file|data|blob|about):/i;\n"
        "  for (const element of document.querySelectorAll('img, iframe, video, audio, embed, object')) {{\n"
        "    const url = element.currentSrc || element.src || element.data || '';\n"
        "    if (!url || local.test(url)) continue;\n"
        "    const placeholder = document.createElement('span');\n"
        "    placeholder.className = 'talv-blocked';\n"
        "    placeholder.title = url;\n"
        "    placeholder.textContent = element.tagName == 'IMG' ? {} : {};\n"
        "    placeholder.style.cssText = 'display: inline-block; border: 1px dashed currentColor; border-radius: 3px; "
        "padding: 1px 6px; opacity: 0.6; font-size: 0.85em;';\n"
        "    element.replaceWith(placeholder);\n"
        "  }}\n"
        "}})();\n",
        javaScriptString(tr("Picture not loaded from the network")), javaScriptString(tr("Content not loaded from the network")));
}

constexpr const char* kScrollReporter =
    "window.addEventListener('scroll', () => window.webkit.messageHandlers.talvScroll.postMessage("
    "window.scrollX + ' ' + window.scrollY), {passive: true});";

void addScript(WebKitUserContentManager* manager, const std::string& source, WebKitUserScriptInjectionTime when) {
    WebKitUserScript* script = webkit_user_script_new_for_world(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, when,
                                                                kScriptWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(manager, script);
    webkit_user_script_unref(script);
}

WebKitWebView* newPageView(WebKitSettings* settings) {
    WebKitUserContentManager* manager = webkit_user_content_manager_new();
    addScript(manager, placeholderScript(), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END);
    auto* view = WEBKIT_WEB_VIEW(g_object_ref_sink(g_object_new(
        WEBKIT_TYPE_WEB_VIEW, "user-content-manager", manager, "default-content-security-policy",
        transcriptContentSecurityPolicy().c_str(), settings ? "settings" : nullptr, settings, nullptr)));
    g_object_unref(manager);
    return view;
}

gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer self) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const auto navigationType = static_cast<NavigationType>(webkit_navigation_action_get_navigation_type(action));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    auto* delegate = static_cast<TranscriptWebViewDelegate*>(self);
    // A new window is never opened: a link meant for one is a click like any other.
    const bool use = delegate ? delegate->decidePolicyForNavigationAction(navigationType, uri ? uri : "") == NavigationPolicy::Use
                              : navigationType == NavigationType::Other;
    if (use && type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) webkit_policy_decision_use(decision);
    else webkit_policy_decision_ignore(decision);
    return TRUE;
}

int tagOf(WebKitContextMenuItem* item) {
    switch (webkit_context_menu_item_get_stock_action(item)) {
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD: return ContextMenuItem::kCopyLinkTag;
    case WEBKIT_CONTEXT_MENU_ACTION_RELOAD: return ContextMenuItem::kReloadTag;
    default: return kOtherItemTag + webkit_context_menu_item_get_stock_action(item);
    }
}

// A menu item that runs `perform` when chosen.
WebKitContextMenuItem* actionItem(const ContextMenuItem& item, std::size_t position) {
    GSimpleAction* action = g_simple_action_new(fmt::format("talv-item-{}", position).c_str(), nullptr);
    auto* perform = new std::function<void()>(item.perform);
    g_object_set_data_full(G_OBJECT(action), "perform", perform, +[](gpointer data) { delete static_cast<std::function<void()>*>(data); });
    g_signal_connect(action, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer data) {
                         // The menu may go while the action runs; run a copy.
                         std::function<void()> run = *static_cast<std::function<void()>*>(data);
                         run();
                     }),
                     perform);
    WebKitContextMenuItem* menuItem = webkit_context_menu_item_new_from_gaction(G_ACTION(action), item.title.c_str(), nullptr);
    g_object_unref(action);
    return menuItem;
}

}  // namespace

WebKitTranscriptView::WebKitTranscriptView() : view_(newPageView(nullptr)) {
    WebKitSettings* settings = webkit_web_view_get_settings(view_);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);

    WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(view_);
    addScript(manager, kScrollReporter, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
    g_signal_connect(manager, "script-message-received::talvScroll", G_CALLBACK(+[](WebKitUserContentManager*, JSCValue* value, gpointer self) {
                         char* text = jsc_value_to_string(value);
                         ScrollPoint point;
                         if (text && std::sscanf(text, "%lf %lf", &point.x, &point.y) == 2) static_cast<WebKitTranscriptView*>(self)->origin_ = point;
                         g_free(text);
                     }),
                     this);
    webkit_user_content_manager_register_script_message_handler(manager, kScrollHandler, kScriptWorld);

    g_signal_connect(view_, "decide-policy", G_CALLBACK(+[](WebKitWebView* view, WebKitPolicyDecision* decision,
                                                            WebKitPolicyDecisionType type, gpointer self) {
                         return decidePolicy(view, decision, type, static_cast<WebKitTranscriptView*>(self)->delegate_);
                     }),
                     this);
    g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                         static_cast<WebKitTranscriptView*>(self)->loadChanged(event);
                     }),
                     this);
    g_signal_connect(view_, "context-menu", G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, gpointer self) {
                         static_cast<WebKitTranscriptView*>(self)->contextMenu(menu);
                         return FALSE;
                     }),
                     this);
    pane_.set_child(*Glib::wrap(GTK_WIDGET(view_)));
}

WebKitTranscriptView::~WebKitTranscriptView() {
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(view_), this);
    g_signal_handlers_disconnect_by_data(view_, this);
    pane_.unset_child();
    g_object_unref(view_);
}

WebKitWebView* WebKitTranscriptView::makeCompanionView() const { return newPageView(webkit_web_view_get_settings(view_)); }

bool WebKitTranscriptView::isLoading() const { return webkit_web_view_is_loading(view_); }

void WebKitTranscriptView::loadHTMLString(const std::string& html) {
    pageHTML_ = html;
    loaded_ = false;
    webkit_web_view_load_html(view_, html.c_str(), "file:///");
}

void WebKitTranscriptView::loadChanged(int event) {
    if (event == WEBKIT_LOAD_COMMITTED) {
        origin_ = {};
        loaded_ = false;
    } else if (event == WEBKIT_LOAD_FINISHED) {
        loaded_ = true;
        if (delegate_) delegate_->didFinishLoadForFrame();
    }
}

void WebKitTranscriptView::contextMenu(WebKitContextMenu* menu) {
    if (!delegate_) return;
    std::vector<ContextMenuItem> defaults;
    std::vector<WebKitContextMenuItem*> defaultItems;
    for (GList* item = webkit_context_menu_get_items(menu); item; item = item->next) {
        auto* menuItem = WEBKIT_CONTEXT_MENU_ITEM(item->data);
        if (webkit_context_menu_item_is_separator(menuItem)) continue;
        defaults.push_back({tagOf(menuItem), "", {}});
        defaultItems.push_back(WEBKIT_CONTEXT_MENU_ITEM(g_object_ref(menuItem)));
    }
    const std::vector<ContextMenuItem> chosen = delegate_->contextMenuItemsForElement(defaults);
    webkit_context_menu_remove_all(menu);
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (chosen[i].perform) {
            webkit_context_menu_append(menu, actionItem(chosen[i], i));
            continue;
        }
        for (std::size_t d = 0; d < defaults.size(); ++d) {
            if (defaults[d].tag == chosen[i].tag) {
                webkit_context_menu_append(menu, WEBKIT_CONTEXT_MENU_ITEM(g_object_ref(defaultItems[d])));
                break;
            }
        }
    }
    for (WebKitContextMenuItem* item : defaultItems) g_object_unref(item);
}

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
    if (!loaded_) return std::nullopt;
    return origin_;
}

void WebKitTranscriptView::scrollToPoint(ScrollPoint point) {
    origin_ = point;
    const std::string script = fmt::format("window.scrollTo({}, {});", point.x, point.y);
    webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
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
