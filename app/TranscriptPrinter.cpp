#include "app/TranscriptPrinter.h"

#include "platform/Log.h"
#include "platform/Strings.h"

#include <cairomm/context.h>
#include <cairomm/surface.h>
#include <fmt/format.h>
#include <glibmm/main.h>
#include <gtkmm/messagedialog.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace talv {
namespace {

// Device pixels per CSS pixel of the picture: twice the screen's 72 points to the inch.
constexpr double kZoom = 2;
constexpr gint64 kLayoutTimeoutSeconds = 30;

bool spinUntil(const std::function<bool()>& done) {
    const gint64 deadline = g_get_monotonic_time() + kLayoutTimeoutSeconds * G_USEC_PER_SEC;
    while (!done() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
    return done();
}

std::optional<double> evaluateNumber(WebKitWebView* view, const char* script) {
    struct Call {
        bool done = false;
        std::optional<double> number;
    };
    auto call = std::make_shared<Call>();
    webkit_web_view_evaluate_javascript(
        view, script, -1, nullptr, nullptr, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::shared_ptr<Call>> call(static_cast<std::shared_ptr<Call>*>(data));
            if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, nullptr)) {
                if (jsc_value_is_number(value)) (*call)->number = jsc_value_to_double(value);
                g_object_unref(value);
            }
            (*call)->done = true;
        },
        new std::shared_ptr<Call>(call));
    spinUntil([&] { return call->done; });
    return call->number;
}

// One print: a hidden copy of the page laid out at the printable width, cut into page-high bands.
class PrintJob {
public:
    PrintJob(WebKitTranscriptView& view, std::string html) : view_(view), html_(std::move(html)) {}
    ~PrintJob() { removeCopy(); }
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Lays the copy out at the context's printable width (divided by the chosen scale) and counts
    // the pages; false when the copy could not be laid out.
    bool beginPrint(const Glib::RefPtr<Gtk::PrintContext>& context, double scale) {
        scale_ = scale;
        width_ = context->get_width() / scale;
        cssWidth_ = std::max(1.0, std::round(width_));
        cssPageHeight_ = std::max(1.0, std::floor(context->get_height() / scale));
        copy_ = view_.makeCompanionView();
        webkit_web_view_set_zoom_level(copy_, kZoom);
        widget_ = Glib::wrap(GTK_WIDGET(copy_));
        widget_->set_size_request(static_cast<int>(cssWidth_ * kZoom), static_cast<int>(cssPageHeight_ * kZoom));
        widget_->set_halign(Gtk::Align::START);
        widget_->set_valign(Gtk::Align::START);
        widget_->set_opacity(0);
        widget_->set_can_target(false);
        widget_->set_can_focus(false);
        view_.widget().add_overlay(*widget_);
        bool loaded = false;
        const gulong handler = g_signal_connect(copy_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer done) {
                                                    if (event == WEBKIT_LOAD_FINISHED) *static_cast<bool*>(done) = true;
                                                }),
                                                &loaded);
        webkit_web_view_load_html(copy_, html_.c_str(), "file:///");
        const bool laidOut = spinUntil([&] { return loaded; }) &&
                             spinUntil([&] { return evaluateNumber(copy_, "window.innerWidth") == cssWidth_; });
        g_signal_handler_disconnect(copy_, handler);
        if (!laidOut) return false;
        documentHeight_ = evaluateNumber(copy_, "document.documentElement.scrollHeight").value_or(cssPageHeight_);
        return true;
    }

    int pageCount() const { return std::max(1, static_cast<int>(std::ceil(documentHeight_ / cssPageHeight_))); }

    // Draws page `page` from a snapshot of its band; `finished` runs once it is drawn.
    void drawPage(const Glib::RefPtr<Gtk::PrintContext>& context, int page, std::function<void()> finished) {
        const double top = page * cssPageHeight_;
        // The last band cannot scroll past the end: it shows the document's last page-height.
        const double scrolled = std::min(top, std::max(0.0, documentHeight_ - cssPageHeight_));
        const std::string scroll = fmt::format("window.scrollTo({{top: {}, left: 0, behavior: 'instant'}});", scrolled);
        webkit_web_view_evaluate_javascript(copy_, scroll.c_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
        struct Band {
            Cairo::RefPtr<Cairo::Context> cr;
            double scale, offset, width, height;
            std::function<void()> finished;
        };
        const double toUnits = width_ / cssWidth_;
        Cairo::RefPtr<Cairo::Context> cr = context->get_cairo_context();
        // The print dialog's operation applies the chosen scale; an export does not, and then it is applied here.
        double unitX = 1, unitY = 0;
        cr->user_to_device_distance(unitX, unitY);
        const double applied = std::hypot(unitX, unitY) / (context->get_dpi_x() / 72);
        const double extraScale = applied > 0 && std::abs(applied - scale_) > 1e-3 ? scale_ / applied : 1;
        auto* band = new Band{cr, extraScale, (scrolled - top) * toUnits, width_,
                              std::min(cssPageHeight_, documentHeight_ - top) * toUnits, std::move(finished)};
        webkit_web_view_get_snapshot(
            copy_, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
            +[](GObject* source, GAsyncResult* result, gpointer data) {
                std::unique_ptr<Band> band(static_cast<Band*>(data));
                GError* error = nullptr;
                if (GdkTexture* texture = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error)) {
                    const int w = gdk_texture_get_width(texture), h = gdk_texture_get_height(texture);
                    auto surface = Cairo::ImageSurface::create(Cairo::Surface::Format::ARGB32, w, h);
                    gdk_texture_download(texture, surface->get_data(), surface->get_stride());
                    surface->mark_dirty();
                    g_object_unref(texture);
                    Cairo::RefPtr<Cairo::Context>& cr = band->cr;
                    cr->save();
                    cr->scale(band->scale, band->scale);
                    cr->rectangle(0, 0, band->width, band->height);
                    cr->clip();
                    cr->translate(0, band->offset);
                    cr->scale(band->width / w, band->width / w);
                    cr->set_source(surface, 0, 0);
                    cr->paint();
                    cr->restore();
                } else {
                    logf("Cannot take a picture of the page to print: {}", error ? error->message : "no picture");
                    g_clear_error(&error);
                }
                band->finished();
            },
            band);
    }

    void removeCopy() {
        if (!copy_) return;
        view_.widget().remove_overlay(*widget_);
        g_object_unref(copy_);
        copy_ = nullptr;
        widget_ = nullptr;
    }

private:
    WebKitTranscriptView& view_;
    std::string html_;
    WebKitWebView* copy_ = nullptr;
    Gtk::Widget* widget_ = nullptr;
    double scale_ = 1;            // the chosen scale
    double width_ = 0;            // printable width in the print context's units, before scaling
    double cssWidth_ = 1;         // the copy's layout width
    double cssPageHeight_ = 1;    // the height of a printed page in the copy's pixels
    double documentHeight_ = 0;   // in the copy's pixels
};

void showPrintError(Gtk::Window& parent, const std::string& reason) {
    auto* dialog = new Gtk::MessageDialog(parent, tr("The chat transcript could not be printed."), false, Gtk::MessageType::ERROR,
                                          Gtk::ButtonsType::OK, true);
    dialog->set_secondary_text(reason);
    dialog->signal_response().connect([dialog](int) { delete dialog; });
    dialog->present();
}

}  // namespace

TranscriptPrinter::TranscriptPrinter(WebKitTranscriptView& view) : view_(view), settings_(Gtk::PrintSettings::create()) {}

TranscriptPrinter::~TranscriptPrinter() { release_.disconnect(); }

Gtk::PrintOperation::Result TranscriptPrinter::print(Gtk::Window& parent, Gtk::PrintOperation::Action action,
                                                     const std::string& exportFile) {
    if (view_.pageHTML().empty()) {
        parent.error_bell();
        return Gtk::PrintOperation::Result::CANCEL;
    }
    auto operation = Gtk::PrintOperation::create();
    operation->set_print_settings(settings_);
    if (pageSetup_) operation->set_default_page_setup(pageSetup_);
    operation->set_embed_page_setup(true);
    operation->set_unit(Gtk::Unit::POINTS);
    operation->set_job_name(parent.get_title());
    operation->set_allow_async(action == Gtk::PrintOperation::Action::PRINT_DIALOG);
    if (!exportFile.empty()) operation->set_export_filename(exportFile);

    auto job = std::make_shared<PrintJob>(view_, view_.pageHTML());
    Gtk::PrintOperation* op = operation.get();
    operation->signal_begin_print().connect([job, op](const Glib::RefPtr<Gtk::PrintContext>& context) {
        const double percent = op->get_print_settings()->get_scale();
        if (!job->beginPrint(context, percent > 0 ? percent / 100 : 1)) {
            logf("Cannot lay out the page to print");
            op->cancel();
            return;
        }
        op->set_n_pages(job->pageCount());
    });
    operation->signal_draw_page().connect([job, op](const Glib::RefPtr<Gtk::PrintContext>& context, int page) {
        op->set_defer_drawing();
        job->drawPage(context, page, [op] { op->draw_page_finish(); });
    });
    operation->signal_end_print().connect([job](const Glib::RefPtr<Gtk::PrintContext>&) { job->removeCopy(); });
    operation->signal_done().connect([this, op, &parent](Gtk::PrintOperation::Result result) {
        if (result == Gtk::PrintOperation::Result::APPLY) {
            settings_ = op->get_print_settings();
            pageSetup_ = op->get_default_page_setup();
        }
        if (result == Gtk::PrintOperation::Result::ERROR) {
            GError* error = nullptr;
            gtk_print_operation_get_error(op->gobj(), &error);
            showPrintError(parent, error ? error->message : tr("The print system gave no reason."));
            g_clear_error(&error);
        }
        // The operation goes once it has finished emitting.
        release_ = Glib::signal_idle().connect([this, op] {
            if (running_.get() == op) running_.reset();
            return false;
        });
    });
    running_ = operation;
    try {
        return operation->run(action, parent);
    } catch (const Glib::Error& error) {
        showPrintError(parent, error.what());
        return Gtk::PrintOperation::Result::ERROR;
    }
}

}  // namespace talv
