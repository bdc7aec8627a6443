#pragma once
// The check, once per launch, that iChat saves its chats ("AutosaveChats" in iChat's own domain
// "com.apple.iChat"), and the two answers to the offer of switching that on. One object per
// launch of the window; main thread.
#include "platform/UserDefaults.h"

namespace talv {

class IChatSavingCheck {
public:
    // `defaults`: the application's ("IChatDontShowAgain"); `iChat`: iChat's domain.
    IChatSavingCheck(UserDefaults& defaults, UserDefaults& iChat) : defaults_(defaults), iChat_(iChat) {}

    // True only at the first call, and only while iChat does not save and the user has not
    // asked never to be offered again.
    bool doIChatPrefsCheck();
    // iChat saves from now on ("AutosaveChats" = 1); with `dontShowAgain` the offer never comes
    // back. False when a preferences file could not be written.
    [[nodiscard]] bool confirmEnableIChat(bool dontShowAgain);
    // iChat's setting stays; with `dontShowAgain` the offer never comes back.
    [[nodiscard]] bool cancelEnableIChat(bool dontShowAgain);

private:
    bool rememberDontShowAgain(bool dontShowAgain);

    UserDefaults& defaults_;
    UserDefaults& iChat_;
    bool ran_ = false;
};

}  // namespace talv
