#pragma once
// The General preferences: the message style of the transcript, the fonts of the chats list, of
// the filter lists and of the transcript, the chat-client assistant, a full rescan, and the
// software-update settings. Every choice is written to the user defaults at once (no OK or
// Apply); the window and the transcript view observe them. Its controls are filled when the
// preferences are first shown. Main thread only.
#include "display/StyleChoices.h"
#include "platform/UserDefaults.h"
#include "updateview/OVVCUpdateViewController_V100.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/dropdown.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talv {

class AlertSheet;
struct AssistantInstallResult;

class PrefGeneralModule : public Gtk::Box {
public:
    explicit PrefGeneralModule(UserDefaults& defaults);
    ~PrefGeneralModule() override;

    // Fills the controls from the user defaults (the style list read afresh, the stored style
    // checked, "EnhanceIChat" set from the installed assistant, the update view made once).
    void initializeFromDefaults();
    // The rescan may be asked for once per opening of the preferences.
    void enableRescan() { rescanButton_.set_sensitive(true); }

    void chatStyleChanged();
    void listFontChanged();
    void criteriaFontChanged();
    void transcriptFontChanged();
    void toggleEnhance();
    void forceRescan();

    // The controls, for the window tests.
    Gtk::DropDown& stylePopup() { return stylePopup_; }
    const StyleChoices& styleChoices() const { return styles_; }
    Gtk::DropDown& listFontPopup() { return listFontPopup_; }
    Gtk::ComboBoxText& listFontSize() { return listFontSize_; }
    Gtk::DropDown& criteriaFontPopup() { return criteriaFontPopup_; }
    Gtk::ComboBoxText& criteriaFontSize() { return criteriaFontSize_; }
    Gtk::DropDown& transcriptFontPopup() { return transcriptFontPopup_; }
    Gtk::ComboBoxText& transcriptFontSize() { return transcriptFontSize_; }
    Gtk::Label& transcriptSizeCaption() { return transcriptSizeCaption_; }
    Gtk::CheckButton& enhanceCheckBox() { return enhanceCheckBox_; }
    Gtk::Button& rescanButton() { return rescanButton_; }
    Gtk::Button& swUpdateButton() { return swUpdateButton_; }
    Gtk::Label& problemLabel() { return problemLabel_; }
    // The font families of the pop-ups, after their first item (no font chosen).
    const std::vector<std::string>& fontFamilies() const { return families_; }

private:
    struct FontControls {
        Gtk::DropDown& popup;
        Gtk::ComboBoxText& size;
        const char* nameKey;
        const char* sizeKey;
    };
    void buildLayout();
    void fillFontPopups();
    void fillSize(Gtk::ComboBoxText& size, const char* key);
    void watchFont(const FontControls& font, void (PrefGeneralModule::*changed)());
    std::optional<std::string> selectedFamily(const Gtk::DropDown& popup) const;
    void storeTableFont(const FontControls& font);
    void installForUser();
    // Tells the user when the plug-in was not installed, except for a refused administrator.
    void reportInstall(const AssistantInstallResult& result);
    // Reports a preference that could not be written (false) under the controls.
    void check(bool written);
    void tell(const std::string& heading, const std::string& message);

    UserDefaults& defaults_;
    Gtk::Grid grid_;
    Gtk::DropDown stylePopup_, listFontPopup_, criteriaFontPopup_, transcriptFontPopup_;
    Gtk::ComboBoxText listFontSize_{true}, criteriaFontSize_{true}, transcriptFontSize_{true};
    Gtk::Label transcriptSizeCaption_, problemLabel_;
    Gtk::CheckButton enhanceCheckBox_;
    Gtk::Button rescanButton_, swUpdateButton_;
    StyleChoices styles_;
    std::vector<std::string> families_;
    std::unique_ptr<update::OVVCUpdateViewController_V100> su_;
    std::unique_ptr<AlertSheet> userInstallSheet_, messageSheet_;
    bool filling_ = false;
};

}  // namespace talv
