#include "actions/IChatSavingCheck.h"

namespace talv {

bool IChatSavingCheck::doIChatPrefsCheck() {
    if (ran_) return false;
    ran_ = true;
    // Another process (iChat, a copied home) may have changed either file since they were read.
    (void)iChat_.synchronize();  // a pending write of ours is retried later; the value read is current
    (void)defaults_.synchronize();
    return !iChat_.boolForKey("AutosaveChats") && !defaults_.boolForKey("IChatDontShowAgain");
}

bool IChatSavingCheck::confirmEnableIChat(bool dontShowAgain) {
    const bool saved = iChat_.setObject("AutosaveChats", Value(1)) && iChat_.synchronize();
    return rememberDontShowAgain(dontShowAgain) && saved;
}

bool IChatSavingCheck::cancelEnableIChat(bool dontShowAgain) { return rememberDontShowAgain(dontShowAgain); }

bool IChatSavingCheck::rememberDontShowAgain(bool dontShowAgain) {
    return !dontShowAgain || (defaults_.setObject("IChatDontShowAgain", true) && defaults_.synchronize());
}

}  // namespace talv
