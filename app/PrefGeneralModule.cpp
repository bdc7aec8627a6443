#include "app/PrefGeneralModule.h"

#include "app/AlertSheet.h"
#include "app/WidgetSupport.h"
#include "assistant/AssistantPreference.h"
#include "display/ApplicationResources.h"
#include "import/TalvHelperController.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <fmt/format.h>
#include <glib.h>
#include <gtk/gtk.h>
#include <gtkmm/entry.h>
#include <gtkmm/eventcontrollerfocus.h>
#include <gtkmm/stringlist.h>
#include <pangomm/context.h>

#include <algorithm>

namespace talv {
namespace {

const std::vector<Glib::ustring> kSizes{"9", "10", "11", "12", "13", "14", "16", "18", "20", "24", "32"};

// A size typed or chosen: its leading number when that is at least 1.
std::optional<double> fontSize(const Glib::ustring& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    const double size = g_ascii_strtod(start, &end);
    if (end == start || !(size >= 1)) return std::nullopt;
    return size;
}

std::string folded(const std::string& text) {
    gchar* fold = g_utf8_casefold(text.c_str(), -1);
    std::string result = fold;
    g_free(fold);
    return result;
}

Gtk::Label* caption(const std::string& text) {
    auto* label = Gtk::make_managed<Gtk::Label>(text);
    label->set_xalign(1);
    return label;
}

void setItems(Gtk::DropDown& popup, const std::vector<Glib::ustring>& titles) {
    popup.set_model(Gtk::StringList::create(titles));
}

}  // namespace

PrefGeneralModule::PrefGeneralModule(UserDefaults& defaults)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 12), defaults_(defaults) {
    buildLayout();
    stylePopup_.property_selected().signal_changed().connect([this] { chatStyleChanged(); });
    watchFont({listFontPopup_, listFontSize_, "TableFontName", "TableFontSize"}, &PrefGeneralModule::listFontChanged);
    watchFont({criteriaFontPopup_, criteriaFontSize_, "CriteriaFontName", "CriteriaFontSize"},
              &PrefGeneralModule::criteriaFontChanged);
    watchFont({transcriptFontPopup_, transcriptFontSize_, "FontName", "FontSize"}, &PrefGeneralModule::transcriptFontChanged);
    enhanceCheckBox_.signal_toggled().connect([this] { toggleEnhance(); });
    rescanButton_.signal_clicked().connect([this] { forceRescan(); });
}

PrefGeneralModule::~PrefGeneralModule() = default;

void PrefGeneralModule::buildLayout() {
    set_margin(18);
    grid_.set_row_spacing(8);
    grid_.set_column_spacing(8);
    const auto row = [this](int at, const std::string& title, Gtk::DropDown& popup, const std::string& name) {
        grid_.attach(*caption(title), 0, at);
        popup.set_hexpand(true);
        popup.set_size_request(240, -1);
        if (&popup != &stylePopup_) {
            // The font lists are long: typing finds a family by its name.
            GtkExpression* name = gtk_property_expression_new(GTK_TYPE_STRING_OBJECT, nullptr, "string");
            gtk_drop_down_set_expression(popup.gobj(), name);
            gtk_expression_unref(name);
            popup.set_enable_search(true);
        }
        setAccessibleName(popup, name);
        grid_.attach(popup, 1, at);
    };
    const auto size = [this](int at, Gtk::Label& label, Gtk::ComboBoxText& box, const std::string& name) {
        label.set_text(tr("Size:"));
        label.set_xalign(1);
        grid_.attach(label, 2, at);
        for (const Glib::ustring& size : kSizes) box.append(size);
        box.get_entry()->set_width_chars(4);
        box.get_entry()->set_max_width_chars(4);
        setAccessibleName(box, name);
        setAccessibleName(*box.get_entry(), name);
        grid_.attach(box, 3, at);
    };
    row(0, tr("Message style:"), stylePopup_, tr("Message Style"));
    row(1, tr("Transcript font:"), transcriptFontPopup_, tr("Transcript Font"));
    size(1, transcriptSizeCaption_, transcriptFontSize_, tr("Transcript Font Size"));
    row(2, tr("Chats list font:"), listFontPopup_, tr("Chats List Font"));
    size(2, *Gtk::make_managed<Gtk::Label>(), listFontSize_, tr("Chats List Font Size"));
    row(3, tr("Filter lists font:"), criteriaFontPopup_, tr("Filter Lists Font"));
    size(3, *Gtk::make_managed<Gtk::Label>(), criteriaFontSize_, tr("Filter Lists Font Size"));
    append(grid_);

    enhanceCheckBox_.set_label(tr("Add Talvessa to Pidgin's Tools menu"));
    setAccessibleName(enhanceCheckBox_, tr("Add Talvessa to Pidgin's Tools menu"));
    append(enhanceCheckBox_);

    auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    rescanButton_.set_label(tr("Rescan All Transcripts"));
    rescanButton_.set_tooltip_text(tr("Read every transcript again, also those indexed before"));
    setAccessibleName(rescanButton_, tr("Rescan All Transcripts"));
    swUpdateButton_.set_label(tr("Software Update..."));
    setAccessibleName(swUpdateButton_, tr("Software Update..."));
    buttons->append(rescanButton_);
    buttons->append(swUpdateButton_);
    append(*buttons);

    problemLabel_.set_wrap(true);
    problemLabel_.set_xalign(0);
    problemLabel_.add_css_class("error");
    problemLabel_.set_visible(false);
    append(problemLabel_);
}

void PrefGeneralModule::watchFont(const FontControls& font, void (PrefGeneralModule::*changed)()) {
    font.popup.property_selected().signal_changed().connect([this, changed] { (this->*changed)(); });
    // A size counts when picked from the list, confirmed with Enter, or left.
    font.size.signal_changed().connect([this, changed, &box = font.size] {
        if (box.get_active_row_number() >= 0) (this->*changed)();
    });
    font.size.get_entry()->signal_activate().connect([this, changed] { (this->*changed)(); });
    auto focus = Gtk::EventControllerFocus::create();
    focus->signal_leave().connect([this, changed] { (this->*changed)(); });
    font.size.get_entry()->add_controller(focus);
}

void PrefGeneralModule::initializeFromDefaults() {
    filling_ = true;
    if (!su_) {
        su_ = update::OVVCUpdateViewController_V100::initWithSacrificialView(
            &swUpdateButton_, update::ProductBundle::atPath(applicationResourcesDirectory()), "");
        swUpdateButton_.set_sensitive(su_ != nullptr);
    }

    styles_ = prepareStyleChoices(defaults_);
    std::vector<Glib::ustring> titles;
    for (const StyleChoice& style : styles_.items) titles.emplace_back(style.title);
    setItems(stylePopup_, titles);
    stylePopup_.set_selected(styles_.selected.value_or(0));

    check(initializeEnhanceIChat(defaults_, TalvAssistantInstaller::isInstalled()));
    enhanceCheckBox_.set_active(defaults_.boolForKey("EnhanceIChat"));

    fillFontPopups();
    fillSize(criteriaFontSize_, "CriteriaFontSize");
    fillSize(transcriptFontSize_, "FontSize");
    fillSize(listFontSize_, "TableFontSize");
    const bool transcriptFont = selectedFamily(transcriptFontPopup_).has_value();
    transcriptFontSize_.set_sensitive(transcriptFont);
    transcriptSizeCaption_.set_sensitive(transcriptFont);
    filling_ = false;
}

void PrefGeneralModule::fillFontPopups() {
    families_.clear();
    for (const auto& family : get_pango_context()->list_families()) families_.push_back(family->get_name());
    std::sort(families_.begin(), families_.end(), [](const std::string& a, const std::string& b) { return folded(a) < folded(b); });
    const std::pair<Gtk::DropDown*, std::pair<const char*, std::string>> popups[] = {
        {&listFontPopup_, {"TableFontName", tr("System Font")}},
        {&criteriaFontPopup_, {"CriteriaFontName", tr("System Font")}},
        {&transcriptFontPopup_, {"FontName", tr("Style's Font")}},
    };
    for (const auto& [popup, setting] : popups) {
        std::vector<Glib::ustring> titles{setting.second};
        titles.insert(titles.end(), families_.begin(), families_.end());
        setItems(*popup, titles);
        const std::string stored = defaults_.stringForKey(setting.first);
        const auto found = std::find(families_.begin(), families_.end(), stored);
        popup->set_selected(found == families_.end() ? 0 : static_cast<guint>(found - families_.begin()) + 1);
    }
}

void PrefGeneralModule::fillSize(Gtk::ComboBoxText& size, const char* key) {
    size.get_entry()->set_text(defaults_.objectForKey(key) ? fmt::format("{:.0f}", defaults_.doubleForKey(key)) : "");
}

std::optional<std::string> PrefGeneralModule::selectedFamily(const Gtk::DropDown& popup) const {
    const guint selected = popup.get_selected();
    if (selected == 0 || selected == GTK_INVALID_LIST_POSITION || selected > families_.size()) return std::nullopt;
    return families_[selected - 1];
}

void PrefGeneralModule::chatStyleChanged() {
    const guint selected = stylePopup_.get_selected();
    if (filling_ || selected >= styles_.items.size()) return;
    check(chooseChatStyle(defaults_, styles_.items[selected]));
}

void PrefGeneralModule::storeTableFont(const FontControls& font) {
    if (filling_) return;
    const std::optional<std::string> family = selectedFamily(font.popup);
    check(family ? defaults_.setObject(font.nameKey, *family) : defaults_.removeObjectForKey(font.nameKey));
    if (const auto size = fontSize(font.size.get_entry()->get_text())) check(defaults_.setObject(font.sizeKey, *size));
}

void PrefGeneralModule::listFontChanged() {
    storeTableFont({listFontPopup_, listFontSize_, "TableFontName", "TableFontSize"});
}

void PrefGeneralModule::criteriaFontChanged() {
    storeTableFont({criteriaFontPopup_, criteriaFontSize_, "CriteriaFontName", "CriteriaFontSize"});
}

void PrefGeneralModule::transcriptFontChanged() {
    if (filling_) return;
    const std::optional<std::string> family = selectedFamily(transcriptFontPopup_);
    transcriptFontSize_.set_sensitive(family.has_value());
    transcriptSizeCaption_.set_sensitive(family.has_value());
    if (!family) {
        check(defaults_.removeObjectForKey("FontName"));
        check(defaults_.removeObjectForKey("FontSize"));
        return;
    }
    check(defaults_.setObject("FontName", *family));
    if (const auto size = fontSize(transcriptFontSize_.get_entry()->get_text())) check(defaults_.setObject("FontSize", *size));
}

void PrefGeneralModule::toggleEnhance() {
    if (filling_) return;
    const std::filesystem::path resources = applicationResourcesDirectory();
    PkexecRunner runner = applicationPrivilegeRunner(resources);
    TalvAssistantInstaller installer(resources, TalvAssistantInstaller::systemPluginFolder(), runner);
    const EnhanceToggleResult result = talv::toggleEnhance(enhanceCheckBox_.get_active(), defaults_, installer);
    if (!result.problem.empty()) tell(tr("Tal Assistant"), result.problem);
    if (!result.install) return;
    if (result.install->status == AssistantInstallResult::Status::AuthorizationRefused) {
        if (!userInstallSheet_) {
            auto* window = dynamic_cast<Gtk::Window*>(get_root());
            if (!window) return;
            userInstallSheet_ = std::make_unique<AlertSheet>(*window, std::vector<std::string>{tr("Cancel"), tr("Install for Me")},
                                                             std::nullopt, [this](std::size_t button, bool) {
                                                                 if (button == 1) installForUser();
                                                             });
        }
        userInstallSheet_->present(
            tr("Tal Assistant needs an administrator to be installed for everyone"),
            formatString(tr("Without an administrator's password it can be installed for your account alone, in %@."),
                         {TalvAssistantInstaller::userPluginFolder().string()}));
    } else {
        reportInstall(*result.install);
    }
}

void PrefGeneralModule::installForUser() {
    const std::filesystem::path resources = applicationResourcesDirectory();
    PkexecRunner runner = applicationPrivilegeRunner(resources);
    TalvAssistantInstaller installer(resources, TalvAssistantInstaller::systemPluginFolder(), runner);
    reportInstall(installer.installForUser(TalvAssistantInstaller::userPluginFolder()));
}

void PrefGeneralModule::reportInstall(const AssistantInstallResult& result) {
    if (result.status == AssistantInstallResult::Status::Failed) tell(tr("Tal Assistant could not be installed"), result.message);
    else if (result.status == AssistantInstallResult::Status::NotInstallable)
        tell(tr("Tal Assistant could not be installed"), tr("Its plug-in is missing, or Talvessa runs from a read-only disk."));
}

void PrefGeneralModule::forceRescan() {
    NotificationCenter::defaultCenter().postNotificationName(TalvHelperController::kForceRescanNotification);
    rescanButton_.set_sensitive(false);
}

void PrefGeneralModule::check(bool written) {
    if (written) return;
    problemLabel_.set_text(formatString(tr("A setting could not be saved in \"%@\"; it applies until Talvessa quits."),
                                        {defaults_.filePath().string()}));
    problemLabel_.set_visible(true);
}

void PrefGeneralModule::tell(const std::string& heading, const std::string& message) {
    if (!messageSheet_) {
        auto* window = dynamic_cast<Gtk::Window*>(get_root());
        if (!window) return;
        messageSheet_ = std::make_unique<AlertSheet>(*window, std::vector<std::string>{tr("OK")}, std::nullopt,
                                                     [](std::size_t, bool) {});
    }
    messageSheet_->present(heading, message);
}

}  // namespace talv
